// UTF-16 text helpers. Text inside Tarvelin is UTF-16 code units (std::u16string);
// UTF-8 appears only at the edges (command line, JSON, file names, diagnostics).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarvelin {

// Lone surrogates become U+FFFD: UTF-8 cannot carry them.
std::string ToUtf8(std::u16string_view text);

// Malformed sequences become U+FFFD, one per offending byte.
std::u16string FromUtf8(std::string_view text);

// The code point of the well-formed UTF-8 sequence at the start of `text` and its length
// in bytes; 0 (and the code point untouched) when the text is empty or starts with a
// malformed, overlong, cut-off or surrogate sequence.
size_t DecodeUtf8(std::string_view text, char32_t& codePoint);

// The offset of the first byte that does not start a well-formed sequence; nullopt when
// the whole text is valid UTF-8.
std::optional<size_t> FirstInvalidUtf8(std::string_view text);

// Plain ASCII widening, for keys and literals known to be ASCII.
std::u16string Widen(std::string_view ascii);

bool EqualsIgnoreCaseAscii(std::u16string_view a, std::u16string_view b);
std::u16string ToLowerAscii(std::u16string_view text);
std::u16string ToUpperAscii(std::u16string_view text);

}  // namespace tarvelin
