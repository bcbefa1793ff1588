#include "tagged/tagged_header.h"

#include <fstream>
#include <string_view>
#include <vector>

#include "core/diagnostics.h"
#include "core/utf16.h"
#include "tagged/file_reader.h"

namespace tarvelin {

namespace {

constexpr uint8_t kUtf8Mark[] = {0xEF, 0xBB, 0xBF};

bool StartsWithUtf8Mark(std::span<const uint8_t> bytes) {
  return bytes.size() >= 3 && bytes[0] == kUtf8Mark[0] && bytes[1] == kUtf8Mark[1] &&
         bytes[2] == kUtf8Mark[2];
}

// The header's characters, one unit of the file's width at a time.
class HeaderCursor {
 public:
  HeaderCursor(std::span<const uint8_t> bytes, size_t start, size_t width)
      : bytes_(bytes), at_(start), width_(width) {}

  // The unit at the cursor, 0 past the end.
  char16_t Peek() const {
    if (at_ + width_ > bytes_.size()) return 0;
    return width_ == 1 ? bytes_[at_] : static_cast<char16_t>(bytes_[at_] | bytes_[at_ + 1] << 8);
  }
  void Next() { at_ += width_; }
  size_t At() const { return at_; }

  // "<" letter ... ">" at the cursor: steps over it and gives its body after the letter.
  // nullopt (cursor unchanged) when the tag is not there or is not closed in time.
  std::optional<std::u16string> Tag(char16_t letter, bool& tooLong) {
    HeaderCursor probe = *this;
    if (probe.Peek() != u'<') return std::nullopt;
    probe.Next();
    if (probe.Peek() != letter) return std::nullopt;
    probe.Next();
    std::u16string body;
    for (char16_t c = probe.Peek(); c != u'>'; c = probe.Peek()) {
      if (c == 0 || c == u'<' || c == u'\r' || c == u'\n') return std::nullopt;
      if (body.size() == kMaxHeaderTagLength) {
        tooLong = true;
        return std::nullopt;
      }
      body.push_back(c);
      probe.Next();
    }
    probe.Next();
    *this = probe;
    return body;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t at_;
  size_t width_;
};

// The offset after the header line, nullopt when the version tag is cut off by the limit.
std::optional<size_t> HeaderEnd(std::span<const uint8_t> bytes, size_t start, size_t width,
                                std::u16string& encodingTag) {
  HeaderCursor cursor(bytes, start, width);
  bool tooLong = false;
  if (!cursor.Tag(u'v', tooLong)) {
    if (tooLong) return std::nullopt;
    return start;  // the stream test saw "<v"; a tag without its '>' is the text's own
  }
  if (auto e = cursor.Tag(u'e', tooLong)) encodingTag = *e;
  if (tooLong) return std::nullopt;
  if (cursor.Peek() == u'\r') {
    cursor.Next();
    if (cursor.Peek() == u'\n') cursor.Next();
  } else if (cursor.Peek() == u'\n') {
    cursor.Next();
  }
  return cursor.At();
}

}  // namespace

TaggedTextLayout DescribeTaggedText(std::span<const uint8_t> bytes, HeaderForm form,
                                    bool forceMacCE) {
  TaggedTextLayout layout;
  if (form == HeaderForm::kUtf16) {
    layout.selector = kEncodingUnicode;
    layout.encodingText = EncodingName(kEncodingUnicode);
    std::u16string tag;
    std::optional<size_t> end = forceMacCE ? std::nullopt : HeaderEnd(bytes, 0, 2, tag);
    if (!end && !forceMacCE)
      diag::Printf("The header tag is longer than %zu characters; 24 bytes are skipped.\n",
                   kMaxHeaderTagLength);
    layout.textStart = end.value_or(forceMacCE ? 12 : 24);
    return layout;
  }

  const bool mark = form == HeaderForm::kUtf8Mark && StartsWithUtf8Mark(bytes);
  const size_t start = mark ? 3 : 0;
  std::u16string tag;
  std::optional<size_t> end = HeaderEnd(bytes, start, 1, tag);
  if (!end)
    diag::Printf("The header tag is longer than %zu characters; 12 bytes are skipped.\n",
                 kMaxHeaderTagLength);
  layout.textStart = end.value_or(start + 12);
  layout.declaredUtf8 = mark || tag == u"9";
  layout.selector = kEncodingMacCE;
  if (layout.declaredUtf8 && !forceMacCE) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()) + start,
                                bytes.size() - start);
    layout.invalidUtf8Byte = FirstInvalidUtf8(text);
    if (layout.invalidUtf8Byte) {
      *layout.invalidUtf8Byte += start;
    } else {
      layout.selector = kEncodingUtf8;
    }
  }
  layout.encodingText = EncodingName(layout.selector);
  if (layout.invalidUtf8Byte) {
    layout.encodingText += " (declared UTF-8, but byte " + std::to_string(*layout.invalidUtf8Byte) +
                           " is not valid UTF-8)";
  } else if (layout.declaredUtf8 && forceMacCE) {
    layout.encodingText += " (forced; the file declares UTF-8)";
  }
  return layout;
}

FrameFileEncodingChoice FrameFileEncoding(std::span<const uint8_t> bytes) {
  FrameFileEncodingChoice choice;
  choice.selector = kEncodingWinCE;
  if (StartsWithUtf8Mark(bytes)) {
    choice.invalidUtf8Byte =
        FirstInvalidUtf8({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    if (!choice.invalidUtf8Byte) choice.selector = kEncodingUtf8;
  }
  choice.encodingText = EncodingName(choice.selector);
  if (choice.invalidUtf8Byte) {
    choice.encodingText += " (marked UTF-8, but byte " + std::to_string(*choice.invalidUtf8Byte) +
                           " is not valid UTF-8)";
  }
  return choice;
}

FrameFileEncodingChoice FrameFileEncodingOf(const std::filesystem::path& file) {
  // Only a file that begins with the mark needs reading through, to check it is UTF-8.
  std::ifstream in(file, std::ios::binary);
  std::vector<uint8_t> bytes(sizeof kUtf8Mark);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(in.gcount()));
  if (StartsWithUtf8Mark(bytes)) {
    constexpr size_t kChunk = size_t{1} << 20;
    while (in) {
      const size_t had = bytes.size();
      bytes.resize(had + kChunk);
      in.read(reinterpret_cast<char*>(bytes.data() + had), static_cast<std::streamsize>(kChunk));
      bytes.resize(had + static_cast<size_t>(in.gcount()));
    }
  }
  return FrameFileEncoding(bytes);
}

}  // namespace tarvelin
