#include "tagged/tagged_header.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
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
  // Marked, longer than a read of the file at once, an invalid byte past the first read.
  std::string long_file = "\xEF\xBB\xBF" + std::string(3 << 20, 'a');
  long_file[(1 << 20) + 5] = '\xB3';
  const Case cases[] = {
      {long_file, kEncodingWinCE, (1 << 20) + 5,
       "Windows Central European (marked UTF-8, but byte 1048581 is not valid UTF-8)"},
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
  const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                     ("tarvelin_encoding_" + std::to_string(::getpid()) + ".rmk");
  for (const Case& c : cases) {
    const std::string_view shown = c.bytes.substr(0, 40);
    // From the bytes, and from a file holding them.
    std::ofstream(file, std::ios::binary)
        .write(c.bytes.data(), static_cast<std::streamsize>(c.bytes.size()));
    for (const FrameFileEncodingChoice& choice :
         {FrameFileEncoding(Bytes(c.bytes)), FrameFileEncodingOf(file)}) {
      EXPECT_EQ(choice.selector, c.selector) << shown;
      EXPECT_EQ(choice.invalidUtf8Byte, c.invalid) << shown;
      EXPECT_EQ(choice.encodingText, c.text) << shown;
    }
  }
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace tarvelin
