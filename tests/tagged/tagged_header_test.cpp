#include "tagged/tagged_header.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "tagged/file_reader.h"

namespace tarvelin {
namespace {

std::vector<uint8_t> Bytes(std::string_view s) {
  return {s.begin(), s.end()};
}

TEST(TaggedHeaderTest, FrameFilesAreUtf8OnlyWithTheMarkAndValidBytes) {
  struct Case {
    std::string_view bytes;
    int selector;
    std::optional<size_t> invalid;
    std::string_view text;
  };
  const Case cases[] = {
      {"\xEF\xBB\xBF{#WT}\xC5\x81\xC3\xB3"
       "d\xC5\xBA{$}",
       kEncodingUtf8, std::nullopt, "UTF-8"},
      {"\xEF\xBB\xBF{#WT}\xB3\xF3"
       "d\x9F{$}",
       kEncodingWinCE, 8, "Windows Central European (marked UTF-8, but byte 8 is not valid UTF-8)"},
      // Valid UTF-8 without the mark: Windows-1250 as ever, no guessing from the bytes.
      {"{#WT}\xC5\x81\xC3\xB3"
       "d\xC5\xBA{$}",
       kEncodingWinCE, std::nullopt, "Windows Central European"},
      {"", kEncodingWinCE, std::nullopt, "Windows Central European"},
  };
  for (const Case& c : cases) {
    const FrameFileEncodingChoice choice = FrameFileEncoding(Bytes(c.bytes));
    EXPECT_EQ(choice.selector, c.selector) << c.bytes;
    EXPECT_EQ(choice.invalidUtf8Byte, c.invalid) << c.bytes;
    EXPECT_EQ(choice.encodingText, c.text) << c.bytes;
  }
}

}  // namespace
}  // namespace tarvelin
