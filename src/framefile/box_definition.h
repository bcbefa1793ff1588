// One parsed box definition: a stretch of story text such as
//
//   <boxtext t1="A" hs="50mm" fc="CMYK:PROCESS:0,1,1,0">content</boxtext>
//
// Accepted elements: box, boxtext, boxgroup, innerbox, boxpicture (names case-sensitive).
// Inner boxes are the child elements innerbox, boxpicture and boxtext, in document order.
// The text is XML except that '&' always stands for itself (entity references are not
// recognised), typographic double quotes U+201C..U+201F count as '"', and U+0008 counts
// as a blank. Inner boxes nest at most kMaxNesting levels deep; deeper records are invalid.
//
// Decoded attributes (looked up as written, else lower case, else upper case; an empty
// value counts as absent), read in this order, later rows overriding earlier ones:
//
//   t1..t4            texts[0..3]                text
//   hs, else WD       width                      measurement
//   vs, else HD       height                     measurement
//   os                objectStyleName            text
//   fn                fileName                   text
//   sp                fittingSelector            integer, kept only in -4..1 (default -3)
//   bc                borderColour               colour (default: not set)
//   fc                fillColour                 colour (default: as if "1" were given)
//   fw                strokeWeight               measurement
//   TI                insets[0..3], insetsSet    measurement
//   TIL TIT TIR TIB   insets[l, t, r, b], insetsSet
//   RAT               offsetFlag cleared when exactly "0" (default true)
//   TO                offsets[0..3], offsetFlag  measurement
//   TOL TOT TOR TOB   offsets[l, t, r, b], offsetFlag
//
// Every attribute is also kept raw, in document order, once per name ignoring case.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framefile/colour_spec.h"

namespace pugi {
class xml_node;
}

namespace tarvelin {

class BoxAttributeTable;

enum class BoxKind : int32_t {
  kBox = 0,
  kText = 1,
  kGroup = 2,
  kInner = 3,
  kPicture = 4,
};

// "box", "boxtext", ... for a kind.
std::u16string_view BoxKindName(BoxKind kind);

// Checks that the begin and end tags of a definition balance. On success sets headerEnd
// to the index after the begin tag's '>' and endTagStart to the index of the end tag's
// '<' (each -1 when not found). When unbalanced writes "not valid: ..." and returns false.
bool ValidateBoxDefinition(std::u16string_view text, int32_t& headerEnd, int32_t& endTagStart);

class BoxDefinition {
 public:
  static constexpr int kMaxNesting = 64;

  // Parses a top-level definition; read `valid` afterwards.
  BoxDefinition(std::u16string_view text, int32_t storyStart, int32_t storyEnd, int32_t headerEnd,
                int32_t endTagStart);
  // An inner box: `depth` is its nesting level (1 for a direct child of a top-level box).
  explicit BoxDefinition(const pugi::xml_node& element, int depth = 1);

  BoxDefinition(const BoxDefinition&) = default;
  BoxDefinition& operator=(const BoxDefinition&) = default;
  BoxDefinition(BoxDefinition&&) noexcept = default;
  BoxDefinition& operator=(BoxDefinition&&) noexcept = default;
  ~BoxDefinition() = default;

  // Positions as given by the search (story indices) and by ValidateBoxDefinition
  // (indices in the definition text, -1 when unknown).
  int32_t storyStart = 0;
  int32_t storyEnd = 0;
  int32_t headerEnd = -1;
  int32_t endTagStart = -1;

  std::array<std::u16string, 4> texts;
  std::u16string objectStyleName;
  std::u16string fileName;
  int32_t fittingSelector = -3;
  ColourSpec borderColour;
  ColourSpec fillColour;
  float strokeWeight = 0;

  // Filled in by the engine, never by the parser. The frame is named by its UID and the
  // database that holds it; the parser's layer cannot see host types.
  int32_t engineValue = 0;
  uint32_t frameUID = 0;
  const void* frameDatabase = nullptr;

  BoxKind kind = BoxKind::kBox;
  // Left, top, right, bottom, in points.
  std::array<float, 4> insets{};
  bool insetsSet = false;
  bool offsetFlag = true;
  std::array<float, 4> offsets{};
  float width = 0;
  float height = 0;

  std::vector<BoxDefinition> innerBoxes;
  // Parallel: every attribute of the element in document order.
  std::vector<std::u16string> attributeNames;
  std::vector<std::u16string> attributeValues;

  bool valid = true;

  // The raw value of an attribute kept on this record (first name equal ignoring case).
  const std::u16string* FindAttribute(std::u16string_view name) const;

  // Looks `name` up exactly, else in lower case, else in upper case; an attribute with an
  // empty value counts as absent.
  static bool GetAttributeValue(const pugi::xml_node& element, std::u16string_view name,
                                std::u16string& value);

 private:
  void ParseXml(std::u16string_view text);
  void ParseElement(const pugi::xml_node& element, int depth);
  void CollectAttributes(const BoxAttributeTable& attributes);
  void DecodeAttributes(const BoxAttributeTable& attributes);
};

}  // namespace tarvelin
