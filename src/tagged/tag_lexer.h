// TagLexer: the items of one tag body (the text between `<` and `>`).
//
// The current character selects the item; each call to Next() reads one item and leaves
// its results in Letter(), Number(), Text() and Args(). Item grammar:
//
//   num    optional '-' (kept) or '+' (dropped), digits, optionally '.' or ',' and digits
//   str    skip to the first '"', read to the next '"'; '\' takes the next character
//   (list) skip to '(', items up to ')', split at ',' outside double quotes; ')' always
//          ends the list; '\' keeps itself and the next character; quotes stay; each
//          item is trimmed of white space. [list] the same with '[' and ']'.
//
//   *L *C *R *F *J       kAlignment (Letter)      B I U / K H + -   face and style toggles
//   *h str               kHyphenation             P                 kPlain
//   *kn c                kKeepWithNext            f str | f$        kFont | kRevert 'f'
//   *kt(list) *ktA *kt0  kKeepTogether            z h y k t b s num kSize ... | kRevert
//   *p(list)             kParagraphFormats        c str | c letter  kColour (Text)
//   *ra(list) *ra0       kRuleAbove (RuleOff())   c$                kRevert 'c'
//   *rb(list) *rb0       kRuleBelow               $  (skips one more character)  kRevertAll
//   *d(list) *d0         kCapsMode3               a  a$  a$$        kRevertAll
//   *t(list)             kTabs                    @name             kCharacterStyle (Text)
//   [list]               kBracketList             @$                kNormalCharacterStyle
//   \c  \!c              kSpecial (Letter) or     @$p  @  x?$  x?$p kRootCharacterStyle
//                        kUnknown when it         x?name            kCharacterStyle
//                        inserts nothing          anything else     kUnknown (one character)
//
// An unknown letter after '*', "*k" or "*r" ends the item without being consumed. A list
// keeps its arguments until the next list of the same body is read (rules built from
// "*ra0" use them). The end is reported at a '>' or past the last character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvelin {

enum class TagItem : uint8_t {
  kEnd,
  kUnknown,
  kAlignment,
  kHyphenation,
  kKeepWithNext,
  kKeepTogether,
  kParagraphFormats,
  kRuleAbove,
  kRuleBelow,
  kCapsMode3,
  kTabs,
  kBracketList,
  kPlain,
  kBold,
  kItalic,
  kUnderline,
  kStrikethrough,
  kAllCaps,
  kSmallCaps,
  kSuperscript,
  kSubscript,
  kFont,
  kSize,
  kHorizontalScale,
  kVerticalScale,
  kKerning,
  kTracking,
  kBaselineShift,
  kShade,
  kColour,
  kRevert,  // Letter(): f z c k t b h y s
  kRevertAll,
  kCharacterStyle,
  kNormalCharacterStyle,
  kRootCharacterStyle,
  kSpecial,  // Letter(): the code unit to insert
};

class TagLexer {
 public:
  explicit TagLexer(std::u16string_view body) : body_(body) {}

  TagItem Next();

  char16_t Letter() const { return letter_; }
  double Number() const { return number_; }
  const std::u16string& Text() const { return text_; }
  const std::vector<std::u16string>& Args() const { return args_; }
  // "*ra0" / "*rb0": the rule item read no list.
  bool RuleOff() const { return rule_off_; }
  size_t Position() const { return pos_; }

  // The num grammar over a whole text (list arguments, colour components); 0 when it
  // holds no digits.
  static double ParseNumber(std::u16string_view text);

 private:
  bool AtEnd() const { return pos_ >= body_.size(); }
  char16_t Cur() const { return pos_ < body_.size() ? body_[pos_] : u'\0'; }
  void Advance() {
    if (pos_ < body_.size()) ++pos_;
  }

  TagItem ReadStar();
  TagItem ReadNumberItem(TagItem item, char16_t letter);
  TagItem ReadStyleName();
  TagItem ReadSpecial();
  void ReadNumber();
  void ReadQuoted();
  void ReadArgs(char16_t open, char16_t close);

  std::u16string_view body_;
  size_t pos_ = 0;
  char16_t letter_ = 0;
  double number_ = 0;
  bool rule_off_ = false;
  std::u16string text_;
  std::vector<std::u16string> args_;
};

}  // namespace tarvelin
