// Implementations of the workspace's text objects: styles and style tables, swatches and
// the swatch list, font families and their list. Byte layouts are in the interface
// headers (style_table.h, swatch_list.h, font_families.h).
#pragma once

#include <array>
#include <cstdint>
#include <span>
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
  bool fresh_ = true;  // never given a colour: no list can have indexed it yet
};

// A colour as a key: space and the components it uses, -0 read as 0.
struct ColourKey {
  ColourSpace space = ColourSpace::kCmyk;
  std::array<float, 4> components{};
  friend bool operator==(const ColourKey&, const ColourKey&) = default;
};
struct ColourKeyHash {
  size_t operator()(const ColourKey& k) const;
};

// Imports look swatches up by name and by colour once or twice per frame and add one per
// new colour: both lookups go through indexes, and an addition is a small undo record.
class SwatchListImpl final : public ISwatchList, public PersistentImpl {
 public:
  const std::vector<UID>& Swatches() const override { return swatches_; }
  UID FindByName(std::u16string_view name) const override;
  UID FindByColour(ColourSpace space, std::span<const float> components) const override;
  bool Add(std::u16string_view name, UID swatch) override;
  void ReadWrite(Stream& s, ImplementationID id) override;

 private:
  void RawAppend(UID swatch, std::u16string name);
  void RawPop();
  void IndexColour(UID swatch) const;

  std::vector<UID> swatches_;
  std::vector<std::u16string> names_;  // parallel to swatches_
  std::unordered_map<std::u16string, UID> by_name_;
  // The first listed swatch of each colour; rebuilt when a listed swatch may have changed
  // colour since (its generation differs from the swatches' colour generation).
  mutable std::unordered_map<ColourKey, UID, ColourKeyHash> by_colour_;
  mutable uint64_t colour_generation_ = 0;
  mutable bool colour_index_valid_ = false;
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
