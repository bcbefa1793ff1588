// The XML side of the package: a writer that appends a part's elements as text, in
// document order, the text the format accepts, numbers and the IDs derived from UIDs.
//
// Parts are written straight to text rather than built as a tree first: a page of ads
// gives tens of megabytes of XML, and building and then serialising a tree of it took
// longer than the rest of the export together.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/objects/uid.h"

namespace tarvelin::idml {

inline constexpr const char* kPackagingNamespace =
    "http://ns.adobe.com/AdobeInDesign/idml/1.0/packaging";
inline constexpr const char* kDomVersion = "8.0";

// Appends elements in order. An element's attributes follow its Start, before anything
// inside it; End closes the innermost open element ("/>" when it holds nothing). Values
// are UTF-8 and escaped here.
class XmlWriter {
 public:
  enum class Kind {
    kPart,      // the XML declaration (standalone) first
    kFragment,  // elements only, for Raw into another writer
  };
  explicit XmlWriter(Kind kind = Kind::kPart);

  XmlWriter& Start(std::string_view name);
  XmlWriter& Attr(std::string_view name, std::string_view value);
  // UTF-16 text, with what XML 1.0 cannot hold removed (as XmlText).
  XmlWriter& Attr(std::string_view name, std::u16string_view value);
  XmlWriter& NumAttr(std::string_view name, double value);
  XmlWriter& BoolAttr(std::string_view name, bool value);
  XmlWriter& Text(std::string_view utf8);
  XmlWriter& Text(std::u16string_view text);
  // Well-formed XML of a fragment writer, inserted as it is.
  XmlWriter& Raw(std::string_view xml);
  XmlWriter& End();

  // A one-line element with a text value: <name type="type">text</name>, as the format
  // writes the typed values of Properties.
  XmlWriter& Typed(std::string_view name, std::string_view type, std::string_view text);

  bool Empty() const { return out_.size() == start_; }
  // The text, every element still open closed.
  std::string Take();

 private:
  void CloseStartTag();

  std::string out_;
  size_t start_ = 0;
  std::vector<std::string> open_;
  bool inStartTag_ = false;
};

// A part's root element `idPkg:<kind>` with the packaging namespace and DOM version.
void BeginPart(XmlWriter& w, std::string_view kind);

// "u" and the UID in lower-case hexadecimal; `suffix` distinguishes what one UID owns.
std::string Id(UID uid, std::string_view suffix = {});
// Shortest text that reads back as the same double; -0 as 0.
std::string Num(double v);

// UTF-8 of `text` with what XML 1.0 cannot hold removed (controls other than tab, lone
// surrogates, U+FFFE/U+FFFF).
std::string XmlText(std::u16string_view text);

// A name as it may stand in a Self ID after its kind ("ParagraphStyle/<name>"): the
// format's group separator ':' percent-encoded.
std::string NameInId(std::u16string_view name);

}  // namespace tarvelin::idml
