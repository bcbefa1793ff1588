// Paragraph and character styles of a workspace, their tables, and attribute resolution.
//
// A style is an object with a kind, a name, a parent (kInvalidUID: none) and an attribute
// list. Each kind has one table; its root style is listed under the empty name and, for
// paragraphs, carries a complete default attribute set. A parent may be of the other kind
// (the tagged-text import makes character styles inherit from the paragraph style
// "Normal"): resolution follows parents whatever their kind.
//
// Resolution of kind K at index i of a story (TextResolver::Effective):
//   1. the character overrides at i
//   2. the character style at i and its parents (kInvalidUID: the root character style)
//   3. the paragraph overrides of i's paragraph
//   4. the paragraph style and its parents (kInvalidUID: the root paragraph style)
//   5. the root paragraph style, then a built-in default
//
// Persistent layouts (little-endian):
//   style:  u8 kind, text name, u32 parent UID, attribute list (text_attributes.h)
//   table:  u8 kind, u32 root UID, u32 n, n x (text name, u32 UID) in creation order
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/objects/error_code.h"
#include "host/objects/interface.h"
#include "host/objects/uid.h"
#include "host/text/text_attributes.h"
#include "host/text/text_workspace.h"

namespace tarvelin {

class Database;
class ITextModel;

enum class StyleKind : uint8_t { kParagraph = 0, kCharacter = 1 };

class IStyle : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x0111};
  virtual StyleKind Kind() const = 0;
  virtual const std::u16string& Name() const = 0;
  virtual UID Parent() const = 0;
  virtual const AttributeList& Attributes() const = 0;
  // Changes go through PreDirty (styles are small): call them inside a command.
  virtual void Set(StyleKind kind, std::u16string name, UID parent, AttributeList attributes) = 0;
  virtual void SetAttributes(AttributeList attributes) = 0;
};

class IStyleTable : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x0112};
  virtual StyleKind Kind() const = 0;
  virtual UID RootStyle() const = 0;
  // Exact name; the empty name gives the root style; kInvalidUID when absent.
  virtual UID Find(std::u16string_view name) const = 0;
  // (name, UID) in creation order, the root first.
  virtual const std::vector<std::pair<std::u16string, UID>>& Styles() const = 0;
  virtual void SetKind(StyleKind kind) = 0;
  // Lists a style under its name; the empty name makes it the root. False when taken.
  virtual bool Add(std::u16string name, UID style) = 0;
};

// The table of that kind; null when the workspace has none.
std::shared_ptr<IStyleTable> StyleTableOf(Database& db, const TextWorkspace& ws, StyleKind kind);

// The style's UID, the root style for the empty name, kInvalidUID when absent.
UID FindStyle(Database& db, const TextWorkspace& ws, StyleKind kind, std::u16string_view name);

// Creates a style by one command. kInvalidArgument for an empty name or a parent that is
// not a style, kAlreadyExists when the name is taken, kNotFound without a table.
ErrorCode CreateStyle(Database& db, const TextWorkspace& ws, StyleKind kind,
                      std::u16string_view name, const AttributeList& attributes, UID parent,
                      UID* created = nullptr);

// The default of every kind when nothing in a story or workspace says otherwise (no
// family, no colour, 12 pt, automatic leading, rules off and 1 pt wide...).
const AttributeList& BuiltInDefaults();

class TextResolver {
 public:
  TextResolver(Database& db, TextWorkspace ws);

  Attribute Effective(const ITextModel& story, size_t index, AttrKind kind) const;
  // The value a style gives (through its parents), or null.
  const Attribute* FromStyle(UID style, AttrKind kind) const;

 private:
  std::shared_ptr<IStyle> Style(UID uid) const;

  Database& db_;
  TextWorkspace ws_;
  UID root_paragraph_ = kInvalidUID;
  UID root_character_ = kInvalidUID;
  mutable std::unordered_map<UID, std::shared_ptr<IStyle>> cache_;
};

}  // namespace tarvelin
