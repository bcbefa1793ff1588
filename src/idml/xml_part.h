// The XML side of the package: part skeletons, the text the format accepts, numbers and
// the IDs derived from UIDs.
#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <string>
#include <string_view>

#include "host/objects/uid.h"

namespace tarvelin::idml {

inline constexpr const char* kPackagingNamespace =
    "http://ns.adobe.com/AdobeInDesign/idml/1.0/packaging";
inline constexpr const char* kDomVersion = "8.0";

// A part's root element `idPkg:<kind>` with the packaging namespace and DOM version.
pugi::xml_node BeginPart(pugi::xml_document& doc, const char* kind);
// The part as bytes: the XML declaration (standalone), then the tree.
std::string SerialisePart(const pugi::xml_document& doc);

// "u" and the UID in lower-case hexadecimal; `suffix` distinguishes what one UID owns.
std::string Id(UID uid, std::string_view suffix = {});
// Shortest text that reads back as the same double; -0 as 0.
std::string Num(double v);
// A float component, shortest for the float (so 0.1f x 100 gives "10").
std::string NumF(float v);

// UTF-8 of `text` with what XML 1.0 cannot hold removed (controls other than tab, lone
// surrogates, U+FFFE/U+FFFF).
std::string XmlText(std::u16string_view text);

// A name as it may stand in a Self ID after its kind ("ParagraphStyle/<name>"): the
// format's group separator ':' percent-encoded.
std::string NameInId(std::u16string_view name);

// `el`'s Properties child, created as its first child when absent.
pugi::xml_node PropertiesOf(pugi::xml_node el);

void SetAttr(pugi::xml_node el, const char* name, const std::string& value);
void SetAttr(pugi::xml_node el, const char* name, const char* value);
void SetBool(pugi::xml_node el, const char* name, bool value);

}  // namespace tarvelin::idml
