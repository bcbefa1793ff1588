#include "tagged/tag_lexer.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace tarvelin {
namespace {

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}
bool IsAsciiLetter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// Reads the num grammar at `pos` and advances past it. Digits beyond what a double can
// tell apart are consumed but not kept, so a megabyte of digits costs no memory.
double ScanNumber(std::u16string_view s, size_t& pos) {
  constexpr size_t kKeep = 48;  // significant characters handed to the conversion
  std::array<char, kKeep + 16> buf;
  size_t len = 0;
  if (pos < s.size() && (s[pos] == u'-' || s[pos] == u'+')) {
    if (s[pos] == u'-') buf[len++] = '-';
    ++pos;
  }
  size_t digits = 0;
  long dropped = 0;  // integer digits past kKeep: they scale the value by ten each
  for (; pos < s.size() && IsDigit(s[pos]); ++pos, ++digits) {
    if (len < kKeep) {
      buf[len++] = static_cast<char>(s[pos]);
    } else {
      ++dropped;
    }
  }
  if (pos + 1 < s.size() && (s[pos] == u'.' || s[pos] == u',') && IsDigit(s[pos + 1])) {
    ++pos;
    if (len < kKeep) buf[len++] = '.';
    for (; pos < s.size() && IsDigit(s[pos]); ++pos, ++digits) {
      if (len < kKeep) buf[len++] = static_cast<char>(s[pos]);
    }
  }
  if (digits == 0) return 0;
  if (dropped > 0) {
    int n = std::snprintf(buf.data() + len, buf.size() - len, "e%ld", dropped);
    if (n > 0) len += static_cast<size_t>(n);
  }
  double value = 0;
  auto result = std::from_chars(buf.data(), buf.data() + len, value);
  if (result.ec != std::errc()) return 0;
  return value;
}

}  // namespace

double TagLexer::ParseNumber(std::u16string_view text) {
  size_t pos = 0;
  return ScanNumber(text, pos);
}

TagItem TagLexer::Next() {
  if (AtEnd()) return TagItem::kEnd;
  char16_t c = Cur();
  switch (c) {
    case u'>':
      return TagItem::kEnd;
    case u'*':
      Advance();
      return ReadStar();
    case u'[':
      ReadArgs(u'[', u']');
      return TagItem::kBracketList;
    case u'P':
      Advance();
      return TagItem::kPlain;
    case u'B':
      Advance();
      return TagItem::kBold;
    case u'I':
      Advance();
      return TagItem::kItalic;
    case u'U':
      Advance();
      return TagItem::kUnderline;
    case u'/':
      Advance();
      return TagItem::kStrikethrough;
    case u'K':
      Advance();
      return TagItem::kAllCaps;
    case u'H':
      Advance();
      return TagItem::kSmallCaps;
    case u'+':
      Advance();
      return TagItem::kSuperscript;
    case u'-':
      Advance();
      return TagItem::kSubscript;
    case u'f':
      Advance();
      if (Cur() == u'$') {
        Advance();
        letter_ = u'f';
        return TagItem::kRevert;
      }
      ReadQuoted();
      return TagItem::kFont;
    case u'z':
      return ReadNumberItem(TagItem::kSize, c);
    case u'h':
      return ReadNumberItem(TagItem::kHorizontalScale, c);
    case u'y':
      return ReadNumberItem(TagItem::kVerticalScale, c);
    case u'k':
      return ReadNumberItem(TagItem::kKerning, c);
    case u't':
      return ReadNumberItem(TagItem::kTracking, c);
    case u'b':
      return ReadNumberItem(TagItem::kBaselineShift, c);
    case u's':
      return ReadNumberItem(TagItem::kShade, c);
    case u'c':
      Advance();
      if (Cur() == u'$') {
        Advance();
        letter_ = u'c';
        return TagItem::kRevert;
      }
      if (Cur() != u'"' && IsAsciiLetter(Cur())) {
        text_.assign(1, Cur());
        Advance();
        return TagItem::kColour;
      }
      ReadQuoted();
      return TagItem::kColour;
    case u'$':
      Advance();
      Advance();  // the character after '$' goes with it
      return TagItem::kRevertAll;
    case u'a':
      Advance();
      if (Cur() == u'$') Advance();
      if (Cur() == u'$') Advance();
      return TagItem::kRevertAll;
    case u'@':
      Advance();
      return ReadStyleName();
    case u'x':
      Advance();
      Advance();  // the character after 'x' is not used
      if (Cur() == u'$') {
        Advance();
        if (Cur() == u'p') Advance();
        return TagItem::kRootCharacterStyle;
      }
      return ReadStyleName();
    case u'\\':
      Advance();
      return ReadSpecial();
    default:
      Advance();
      return TagItem::kUnknown;
  }
}

TagItem TagLexer::ReadStar() {
  char16_t c = Cur();
  switch (c) {
    case u'L':
    case u'C':
    case u'R':
    case u'F':
    case u'J':
      letter_ = c;
      Advance();
      return TagItem::kAlignment;
    case u'h':
      Advance();
      ReadQuoted();
      return TagItem::kHyphenation;
    case u'k':
      Advance();
      if (Cur() == u'n') {
        Advance();
        Advance();  // the character after "*kn" is not used
        return TagItem::kKeepWithNext;
      }
      if (Cur() == u't') {
        Advance();
        if (Cur() == u'A' || Cur() == u'0') {
          Advance();
        } else {
          ReadArgs(u'(', u')');
        }
        return TagItem::kKeepTogether;
      }
      return TagItem::kUnknown;
    case u'p':
      Advance();
      ReadArgs(u'(', u')');
      return TagItem::kParagraphFormats;
    case u'r': {
      Advance();
      char16_t which = Cur();
      if (which != u'a' && which != u'b') return TagItem::kUnknown;
      Advance();
      if (Cur() == u'0') {
        Advance();
        text_.clear();
        rule_off_ = true;
      } else {
        ReadArgs(u'(', u')');
        rule_off_ = false;
      }
      return which == u'a' ? TagItem::kRuleAbove : TagItem::kRuleBelow;
    }
    case u'd':
      Advance();
      if (Cur() == u'0') {
        Advance();
      } else {
        ReadArgs(u'(', u')');
      }
      return TagItem::kCapsMode3;
    case u't':
      Advance();
      ReadArgs(u'(', u')');
      return TagItem::kTabs;
    default:
      return TagItem::kUnknown;
  }
}

TagItem TagLexer::ReadNumberItem(TagItem item, char16_t letter) {
  Advance();
  if (Cur() == u'$') {
    Advance();
    letter_ = letter;
    return TagItem::kRevert;
  }
  ReadNumber();
  return item;
}

// After "@" (or "x?"): "$p" or nothing is the root style, "$" is "Normal", anything else
// is a name that runs to the end of the body.
TagItem TagLexer::ReadStyleName() {
  if (AtEnd() || Cur() == u'>') return TagItem::kRootCharacterStyle;
  if (Cur() == u'$') {
    Advance();
    if (Cur() == u'p') {
      Advance();
      return TagItem::kRootCharacterStyle;
    }
    return TagItem::kNormalCharacterStyle;
  }
  text_.clear();
  while (!AtEnd() && Cur() != u'>') {
    if (Cur() == u'\\') {
      Advance();
      if (AtEnd()) break;
    }
    text_.push_back(Cur());
    Advance();
  }
  return TagItem::kCharacterStyle;
}

TagItem TagLexer::ReadSpecial() {
  if (AtEnd()) return TagItem::kUnknown;
  char16_t c = Cur();
  Advance();
  char16_t out = c;
  switch (c) {
    case u'n':
    case u'd':
      out = 0x000A;
      break;
    case u's':
      out = 0x0020;
      break;
    case u'f':
      out = 0xFEFF;
      break;
    case u'p':
      out = 0x2008;
      break;
    case u'-':
      out = 0x2010;
      break;
    case u'm':
      out = 0x2012;
      break;
    case u't':
      out = 0x0008;
      break;
    case u'h':
      out = 0x00AD;
      break;
    case u'i':
      out = 0x0007;
      break;
    case u'c':
      out = 0xE00B;
      break;
    case u'b':
      out = 0xE00D;
      break;
    case u'2':
      out = 0xE023;
      break;
    case u'3':
      out = 0x0018;
      break;
    case u'4':
      out = 0xE022;
      break;
    case u'!': {
      if (AtEnd()) return TagItem::kUnknown;
      char16_t d = Cur();
      Advance();
      if (d == u's') {
        out = 0x00A0;
      } else if (d == u'-' || d == u'h') {
        out = 0x2011;
      } else if (d == u'm') {
        out = 0xFE32;
      } else {
        return TagItem::kUnknown;
      }
      break;
    }
    default:
      break;  // '<' '>' '\' '@' and every other character stand for themselves
  }
  letter_ = out;
  return TagItem::kSpecial;
}

void TagLexer::ReadNumber() {
  number_ = ScanNumber(body_, pos_);
}

void TagLexer::ReadQuoted() {
  text_.clear();
  while (!AtEnd() && Cur() != u'"') Advance();
  Advance();
  while (!AtEnd() && Cur() != u'"') {
    if (Cur() == u'\\') {
      Advance();
      if (AtEnd()) break;
    }
    text_.push_back(Cur());
    Advance();
  }
  Advance();
}

void TagLexer::ReadArgs(char16_t open, char16_t close) {
  args_.clear();
  while (!AtEnd() && Cur() != open) Advance();
  Advance();
  while (!AtEnd() && Cur() != close) {
    bool quoted = false;
    std::u16string item;
    while (!AtEnd()) {
      char16_t c = Cur();
      if (c == close) break;
      if (c == u',' && !quoted) break;
      if (c == u'"') quoted = !quoted;
      if (c == u'\\') {
        item.push_back(c);
        Advance();
        if (AtEnd()) break;
        c = Cur();
      }
      item.push_back(c);
      Advance();
    }
    size_t b = 0;
    size_t e = item.size();
    while (b < e && IsSpace(item[b])) ++b;
    while (e > b && IsSpace(item[e - 1])) --e;
    args_.emplace_back(item, b, e - b);
    if (Cur() == u',') Advance();
  }
  Advance();  // the closing bracket
}

}  // namespace tarvelin
