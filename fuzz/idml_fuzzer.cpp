// The IDML writer's input: a random document (random_document.h) exported as a package
// and read back. Every part must be well-formed XML holding only characters XML allows,
// the first entry the uncompressed mimetype, and every story must come back with its
// text, less what XML cannot carry.
#include <filesystem>

#include "../tests/idml/idml_reader.h"
#include "core/utf16.h"
#include "fuzz_host.h"
#include "fuzz_target.h"
#include "host/documents/document.h"
#include "host/objects/database.h"
#include "host/text/text_model.h"
#include "idml/idml_export.h"
#include "idml/package.h"
#include "random_document.h"

namespace {

bool IsXmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Strict UTF-8 (no overlong forms, no surrogates) of XML characters only.
bool IsXmlUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    char32_t c = n == 1 ? b : b & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      c = c << 6 | (t & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kLeast[n] || (c >= 0xD800 && c <= 0xDFFF) || !IsXmlChar(c)) return false;
    i += n;
  }
  return true;
}

// The story's text as the format can hold it: characters XML forbids and lone surrogates
// dropped, the forced line break read back as the host's line break.
std::u16string Expected(std::u16string_view text) {
  std::u16string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out += c;
      out += text[++i];
    } else if (!high && !(c >= 0xDC00 && c <= 0xDFFF) && IsXmlChar(c)) {
      out += c == u'\u2028' ? u'\n' : c;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tarvelin::fuzz::StartHost();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvelin;
  const fuzz::Host& host = fuzz::StartHost();
  fuzz::FuzzBytes in({data, size});
  fuzz::RandomDocument random = fuzz::BuildRandomDocument(host, in);
  if (!random.doc) return 0;
  idml::ExportOptions options;
  options.labels = [&random](const Database&, UID item) {
    auto it = random.labels.find(item);
    return it == random.labels.end() ? idml::LabelPairs{} : it->second;
  };
  const std::filesystem::path file = host.scratch / "export.idml";
  const idml::ExportResult result = idml::ExportIdml(*random.doc, file, options);
  if (!result.ok) __builtin_trap();  // a document the host accepted must export

  const idml::test::ReadPackage package = idml::test::ReadIdml(file.string());
  if (!package.error.empty() || package.entries.empty()) __builtin_trap();
  const idml::test::Entry& first = package.entries.front();
  if (first.name != "mimetype" || !first.stored || first.data != idml::kMimeType) __builtin_trap();
  for (const idml::test::Entry& e : package.entries)
    if (e.name.ends_with(".xml") && !IsXmlUtf8(e.data)) __builtin_trap();

  Database& db = random.doc->DataBase();
  for (const StoryEntry& entry : random.doc->Stories()->Entries()) {
    auto text = db.Query<ITextModel>(entry.story);
    auto read = package.stories.find(idml::test::IdOf(entry.story));
    if (!text || read == package.stories.end()) __builtin_trap();
    const size_t length = text->TotalLength();
    if (read->second.text != Expected(text->Text(0, length == 0 ? 0 : length - 1)))
      __builtin_trap();
  }
  return 0;
}
