#include "tagged/tag_lexer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "core/utf16.h"

namespace tarvelin {
namespace {

std::string Args(const TagLexer& lex) {
  std::string out = "(";
  for (size_t i = 0; i < lex.Args().size(); ++i) {
    if (i) out += "|";
    out += ToUtf8(lex.Args()[i]);
  }
  return out + ")";
}

std::string Num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

// Every item of a body, one word each.
std::string Lex(std::u16string_view body) {
  TagLexer lex(body);
  std::string out;
  for (int guard = 0; guard < 10000; ++guard) {
    TagItem item = lex.Next();
    if (item == TagItem::kEnd) break;
    std::string w;
    std::string letter = ToUtf8(std::u16string(1, lex.Letter()));
    std::string text = ToUtf8(lex.Text());
    switch (item) {
      case TagItem::kUnknown:
        w = "?";
        break;
      case TagItem::kAlignment:
        w = "align:" + letter;
        break;
      case TagItem::kHyphenation:
        w = "hyph:" + text;
        break;
      case TagItem::kKeepWithNext:
        w = "kwn";
        break;
      case TagItem::kKeepTogether:
        w = "ktog";
        break;
      case TagItem::kParagraphFormats:
        w = "pfmt" + Args(lex);
        break;
      case TagItem::kRuleAbove:
        w = (lex.RuleOff() ? "ra0" : "ra") + Args(lex);
        break;
      case TagItem::kRuleBelow:
        w = (lex.RuleOff() ? "rb0" : "rb") + Args(lex);
        break;
      case TagItem::kCapsMode3:
        w = "d";
        break;
      case TagItem::kTabs:
        w = "tabs" + Args(lex);
        break;
      case TagItem::kBracketList:
        w = "list" + Args(lex);
        break;
      case TagItem::kPlain:
        w = "P";
        break;
      case TagItem::kBold:
        w = "B";
        break;
      case TagItem::kItalic:
        w = "I";
        break;
      case TagItem::kUnderline:
        w = "U";
        break;
      case TagItem::kStrikethrough:
        w = "/";
        break;
      case TagItem::kAllCaps:
        w = "K";
        break;
      case TagItem::kSmallCaps:
        w = "H";
        break;
      case TagItem::kSuperscript:
        w = "+";
        break;
      case TagItem::kSubscript:
        w = "-";
        break;
      case TagItem::kFont:
        w = "f:" + text;
        break;
      case TagItem::kSize:
        w = "z:" + Num(lex.Number());
        break;
      case TagItem::kHorizontalScale:
        w = "h:" + Num(lex.Number());
        break;
      case TagItem::kVerticalScale:
        w = "y:" + Num(lex.Number());
        break;
      case TagItem::kKerning:
        w = "k:" + Num(lex.Number());
        break;
      case TagItem::kTracking:
        w = "t:" + Num(lex.Number());
        break;
      case TagItem::kBaselineShift:
        w = "b:" + Num(lex.Number());
        break;
      case TagItem::kShade:
        w = "s:" + Num(lex.Number());
        break;
      case TagItem::kColour:
        w = "c:" + text;
        break;
      case TagItem::kRevert:
        w = "rev:" + letter;
        break;
      case TagItem::kRevertAll:
        w = "all";
        break;
      case TagItem::kCharacterStyle:
        w = "cs:" + text;
        break;
      case TagItem::kNormalCharacterStyle:
        w = "cs$";
        break;
      case TagItem::kRootCharacterStyle:
        w = "root";
        break;
      case TagItem::kSpecial: {
        char buf[16];
        std::snprintf(buf, sizeof buf, "sp:%04X", static_cast<unsigned>(lex.Letter()));
        w = buf;
        break;
      }
      case TagItem::kEnd:
        break;
    }
    if (!out.empty()) out += " ";
    out += w;
  }
  return out;
}

struct LexCase {
  const char16_t* body;
  const char* items;
};

TEST(TagLexerTest, ItemsOfTheTagGrammar) {
  const LexCase cases[] = {
      {u"*L*C*R*F*J", "align:L align:C align:R align:F align:J"},
      {u"*h\"Std\"*kn1B*ktA*kt0*kt(1,2)", "hyph:Std kwn B ktog ktog ktog"},
      // An unknown letter after '*', "*k" or "*r" is read again as an item of its own.
      {u"*qB", "? ? B"},
      {u"*xB", "? root"},
      {u"*kqI", "? ? I"},
      {u"*rqU", "? ? U"},
      {u"*p(1, 2 ,\"a,b\",x\\)y)", "pfmt(1|2|\"a,b\"|x\\)y)"},
      {u"*p(\"open,B)I", "pfmt(\"open,B) I"},
      {u"*p()*t(0,\"1 \",\" \")", "pfmt() tabs(0|\"1 \"|\" \")"},
      {u"*ra(1,2)*rb0", "ra(1|2) rb0(1|2)"},
      {u"*rb0", "rb0()"},
      {u"*d0*d(1,2)", "d d"},
      {u"[a, \"b,c\" ,]P", "list(a|\"b,c\") P"},
      {u"BIU/KH+-", "B I U / K H + -"},
      {u"z12.5z12,5z-3z+4z", "z:12.5 z:12.5 z:-3 z:4 z:0"},
      {u"h120y80k10t-20b2s50", "h:120 y:80 k:10 t:-20 b:2 s:50"},
      {u"z12.B", "z:12 ? B"},
      {u"f$z$c$k$t$b$h$y$s$", "rev:f rev:z rev:c rev:k rev:t rev:b rev:h rev:y rev:s"},
      {u"f\"Times \\\"New\\\"\"B", "f:Times \"New\" B"},
      {u"f\"Unterminated", "f:Unterminated"},
      {u"c\"Red\"cCc$", "c:Red c:C rev:c"},
      {u"$BI", "all I"},
      {u"a$$BaI", "all B all I"},
      {u"@Emph", "cs:Emph"},
      {u"@Emph B", "cs:Emph B"},
      {u"@a\\>b", "cs:a>b"},
      {u"@$", "cs$"},
      {u"@$p", "root"},
      {u"@", "root"},
      {u"xAEmph", "cs:Emph"},
      {u"xA$", "root"},
      {u"xA$p", "root"},
      {u"\\<\\>\\\\\\@", "sp:003C sp:003E sp:005C sp:0040"},
      {u"\\n\\d\\s\\f\\p\\-\\m\\t",
       "sp:000A sp:000A sp:0020 sp:FEFF sp:2008 sp:2010 sp:2012 sp:0008"},
      {u"\\h\\i\\c\\b\\2\\3\\4\\x",
       "sp:00AD sp:0007 sp:E00B sp:E00D sp:E023 sp:0018 sp:E022 sp:0078"},
      {u"\\!s\\!-\\!h\\!m\\!qB", "sp:00A0 sp:2011 sp:2011 sp:FE32 ? B"},
      {u"\\", "?"},
      {u"\\!", "?"},
      {u"v1.70", "? ? ? ? ?"},
      {u">B", ""},
      {u"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.body));
    EXPECT_EQ(Lex(c.body), c.items);
  }
}

TEST(TagLexerTest, NumbersFollowTheNumGrammar) {
  struct {
    const char16_t* text;
    double value;
  } cases[] = {
      {u"12", 12}, {u"12,5", 12.5}, {u"-3.25", -3.25},  {u"+4", 4},
      {u"", 0},    {u"abc", 0},     {u"-", 0},          {u"7pt", 7},
      {u"1.", 1},  {u"50%", 50},    {u"0012.50", 12.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    EXPECT_DOUBLE_EQ(TagLexer::ParseNumber(c.text), c.value);
  }
}

TEST(TagLexerTest, HugeNumbersStayFiniteAndAreConsumedWhole) {
  std::u16string big = u"z1" + std::u16string(300, u'0') + u"B";
  EXPECT_EQ(Lex(big), "z:1e+300 B");
  // Beyond the range of a double the value is 0, and the digits are still consumed.
  std::u16string huge = u"z" + std::u16string(1 << 20, u'9') + u".5B";
  EXPECT_EQ(Lex(huge), "z:0 B");
  std::u16string fraction = u"z1." + std::u16string(1 << 16, u'1') + u"B";
  EXPECT_EQ(Lex(fraction), "z:1.11111 B");
}

}  // namespace
}  // namespace tarvelin
