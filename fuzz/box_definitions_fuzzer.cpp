// The box-definition pass's collection over a story (UTF-8 input), and the check and parse
// of the whole text as one definition.
#include "core/utf16.h"
#include "engine/box_definition_pass.h"
#include "engine/story_text.h"
#include "framefile/box_definition.h"
#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvelin;
  fuzz::Quiet();
  const std::u16string text = FromUtf8(fuzz::AsText(data, size));
  const StringStoryText story(text);
  const BoxCollection found = CollectBoxDefinitions(story);
  for (const CollectedRecord& r : found.records) {
    if (r.startIndex < 0 || r.endIndex >= static_cast<int64_t>(text.size())) __builtin_trap();
  }
  int32_t headerEnd = -1;
  int32_t endTagStart = -1;
  if (ValidateBoxDefinition(text, headerEnd, endTagStart)) {
    BoxDefinition definition(text, 0, static_cast<int32_t>(text.size()), headerEnd, endTagStart);
    (void)definition.valid;
  }
  return 0;
}
