// The part writer: what users type (ads with ampersands, quotes, tabs, pasted control
// characters, broken surrogates) must come out as XML that parses back to the same text.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "idml/xml_part.h"

namespace tarvelin::idml {
namespace {

using namespace std::string_literals;

TEST(IdmlXmlWriter, ValuesAndTextReadBackAsWritten) {
  struct Case {
    std::u16string in;
    std::string readBack;  // what a parser gives for the attribute and the text
  } cases[] = {
      {u"Kowalski & Syn <sp. j.>"s, "Kowalski & Syn <sp. j.>"},
      {u"\"Szczęściarz\" 'Burek'"s, "\"Szczęściarz\" 'Burek'"},
      {u"a\tb"s, "a\tb"},
      {u"bell\x07 nul\x00 end"s, "bell nul end"},
      {u"lone \xD800 high, lone \xDC00 low"s, "lone  high, lone  low"},
      {u"pair \xD83D\xDE00"s, "pair \xF0\x9F\x98\x80"},
      {u"\uFFFE\uFFFF"s, ""},
  };
  for (const Case& c : cases) {
    XmlWriter w;
    w.Start("Root").Attr("Value", std::u16string_view(c.in)).Text(std::u16string_view(c.in));
    const std::string xml = w.Take();
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(xml.c_str())) << xml;
    EXPECT_EQ(doc.child("Root").attribute("Value").value(), c.readBack) << xml;
    EXPECT_EQ(doc.child("Root").text().get(), c.readBack) << xml;
    // UTF-8 from our own code takes the same path.
    XmlWriter u;
    u.Start("Root").Attr("Value", XmlText(c.in));
    pugi::xml_document again;
    ASSERT_TRUE(again.load_string(u.Take().c_str()));
    EXPECT_EQ(again.child("Root").attribute("Value").value(), c.readBack);
  }
}

TEST(IdmlXmlWriter, ElementsCloseInOrder) {
  XmlWriter w(XmlWriter::Kind::kFragment);
  w.Start("A").Attr("x", "1").Start("B").End().Start("C").Text("t").End();
  w.Typed("Leading", "unit", "9");
  XmlWriter outer;
  outer.Start("Root").Raw(w.Take());
  EXPECT_EQ(outer.Take(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
            "<Root><A x=\"1\"><B/><C>t</C><Leading type=\"unit\">9</Leading></A></Root>");
}

}  // namespace
}  // namespace tarvelin::idml
