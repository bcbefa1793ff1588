// Implementations of the workspace's text objects: styles and style tables, swatches and
// the swatch list, font families and their list. Byte layouts are in the interface
// headers (style_table.h, swatch_list.h, font_families.h).
#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/text/font_families.h"
#include "host/text/style_table.h"
#include "host/text/swatch_list.h"

namespace tarvelin {

class StyleImpl final : public IStyle, public PersistentImpl {
 public:
  StyleKind Kind() const override { return kind_; }
  const std::u16string& Name() const override { return name_; }
  UID Parent() const override { return parent_; }
  const AttributeList& Attributes() const override { return attributes_; }
  void Set(StyleKind kind, std::u16string name, UID parent, AttributeList attributes) override;
  void SetAttributes(AttributeList attributes) override;
  void ReadWrite(Stream& s, ImplementationID id) override;

 private:
  StyleKind kind_ = StyleKind::kParagraph;
  std::u16string name_;
  UID parent_ = kInvalidUID;
  AttributeList attributes_;
};

class StyleTableImpl final : public IStyleTable, public PersistentImpl {
 public:
  StyleKind Kind() const override { return kind_; }
  UID RootStyle() const override { return root_; }
  UID Find(std::u16string_view name) const override;
  const std::vector<std::pair<std::u16string, UID>>& Styles() const override { return styles_; }
  void SetKind(StyleKind kind) override;
  bool Add(std::u16string name, UID style) override;
  void ReadWrite(Stream& s, ImplementationID id) override;

 private:
  StyleKind kind_ = StyleKind::kParagraph;
  UID root_ = kInvalidUID;
  std::vector<std::pair<std::u16string, UID>> styles_;
  std::unordered_map<std::u16string, UID> by_name_;
};

class SwatchImpl final : public ISwatch, public PersistentImpl {
 public:
  const std::u16string& Name() const override { return name_; }
  const Colour& GetColour() const override { return colour_; }
  void Set(std::u16string name, Colour colour) override;
  void ReadWrite(Stream& s, ImplementationID id) override;

 private:
  std::u16string name_;
  Colour colour_;
};

class SwatchListImpl final : public ISwatchList, public PersistentImpl {
 public:
  const std::vector<UID>& Swatches() const override { return swatches_; }
  UID FindByName(std::u16string_view name) const override;
  bool Add(std::u16string_view name, UID swatch) override;
  void ReadWrite(Stream& s, ImplementationID id) override;

 private:
  std::vector<UID> swatches_;
  std::vector<std::u16string> names_;  // parallel to swatches_
};

class FontFamilyImpl final : public IFontFamily, public PersistentImpl {
 public:
  const std::u16string& Name() const override { return name_; }
  const std::u16string& FamilyName() const override { return family_; }
  const std::vector<FontFamilyFace>& Faces() const override { return faces_; }
  std::u16string FaceName(FaceKind kind) const override;
  void Set(std::u16string name, std::u16string family, std::vector<FontFamilyFace> faces) override;
  void ReadWrite(Stream& s, ImplementationID id) override;

 private:
  std::u16string name_;
  std::u16string family_;
  std::vector<FontFamilyFace> faces_;
};

class FontFamilyListImpl final : public IFontFamilyList, public PersistentImpl {
 public:
  const std::vector<std::pair<std::u16string, UID>>& Families() const override { return families_; }
  UID FindByName(std::u16string_view name) const override;
  bool Add(std::u16string name, UID family) override;
  void ReadWrite(Stream& s, ImplementationID id) override;

 private:
  std::vector<std::pair<std::u16string, UID>> families_;
};

}  // namespace tarvelin
