// UTF-16 text helpers. Text inside Tarvelin is UTF-16 code units (std::u16string);
// UTF-8 appears only at the edges (command line, JSON, file names, diagnostics).
#pragma once

#include <string>
#include <string_view>

namespace tarvelin {

// Lone surrogates become U+FFFD: UTF-8 cannot carry them.
std::string ToUtf8(std::u16string_view text);

// Malformed sequences become U+FFFD, one per offending byte.
std::u16string FromUtf8(std::string_view text);

// Plain ASCII widening, for keys and literals known to be ASCII.
std::u16string Widen(std::string_view ascii);

bool EqualsIgnoreCaseAscii(std::u16string_view a, std::u16string_view b);
std::u16string ToLowerAscii(std::u16string_view text);
std::u16string ToUpperAscii(std::u16string_view text);

}  // namespace tarvelin
