// A sink and lookup without a document: it keeps a small catalogue of styles, swatches,
// fonts and faces, and records every operation in a compact text form. Tests compare the
// recordings; tools use it to show what a tagged file asks for.
//
// Rendering of one operation (adjacent text is merged into one entry):
//
//   "text"                  InsertText; \r \n \" \\ escaped, other non-letters as \uXXXX
//   char{k=v,...}           ApplyPending at character level (para{...} for paragraphs)
//   revert(k)  revertAll    RevertAttribute, RevertAll
//   pstyle(name)            ApplyParagraphStyle (pstyle(name,keepFont) without clearing)
//   cstyle(name)  cstyle()  ApplyCharacterStyle, ApplyRootCharacterStyle
//   defc(name){...}  defp(name){...}  colour(name,CMYK,c1,c2,c3,c4)
//   a '!' after the operation's name marks a call that reported failure
//
// Values: numbers with %g, texts as they stand, rules as (width,colour,left,right,offset)
// with ",col" appended when spanning the column.
#pragma once

#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tagged/scanner_sink.h"

namespace tarvelin {

std::string RenderAttributes(std::span<const TaggedAttribute> list);

class RecordingSink final : public ScannerSink, public ScannerLookup {
 public:
  // The catalogue; operations that create things add to it.
  std::set<std::u16string, std::less<>> paragraphStyles;
  std::set<std::u16string, std::less<>> characterStyles;
  std::set<std::u16string, std::less<>> swatches;
  std::set<std::u16string, std::less<>> fonts;
  std::map<std::u16string, std::array<std::u16string, 4>, std::less<>> faces;  // by kind
  // What the end of the story carries before any font attribute (and after reverts).
  std::u16string defaultFamily;
  std::u16string defaultFace;
  bool storyAvailable = true;
  bool failApplications = false;  // every apply reports failure

  // The recorded operations, in order.
  const std::vector<std::string>& Ops() const;
  // The operations joined with " ".
  std::string Joined() const;
  // Everything inserted, as one text.
  const std::u16string& Text() const { return text_; }
  size_t OperationCount() const { return count_; }

  bool OpenStory(size_t inputUnits) override;
  void InsertText(std::u16string_view text) override;
  bool ApplyPending(std::span<const TaggedAttribute> list, TaggedLevel level) override;
  void RevertAttribute(TaggedAttrKind kind) override;
  void RevertAll() override;
  bool ApplyParagraphStyle(std::u16string_view name, bool clearFontOverride) override;
  bool ApplyCharacterStyle(std::u16string_view name) override;
  bool ApplyRootCharacterStyle() override;
  void DefineCharacterStyle(std::u16string_view name,
                            std::span<const TaggedAttribute> list) override;
  void DefineParagraphStyle(std::u16string_view name,
                            std::span<const TaggedAttribute> list) override;
  void DefineColor(std::u16string_view name, ColourSpace space, double c1, double c2, double c3,
                   double c4) override;
  std::u16string CurrentFace() override;
  std::u16string CurrentFamily() override;

  bool ParagraphStyleExists(std::u16string_view name) override;
  bool CharacterStyleExists(std::u16string_view name) override;
  bool SwatchExists(std::u16string_view name) override;
  bool ResolveTextColour(std::u16string_view name) override;
  bool FontFamilyExists(std::u16string_view family) override;
  std::u16string FaceName(std::u16string_view family, TaggedFaceKind kind) override;

 private:
  void Record(std::string op);
  void FlushText() const;

  mutable std::vector<std::string> ops_;
  mutable std::u16string open_text_;  // text not yet closed into an entry
  std::u16string text_;
  std::u16string family_;
  std::u16string face_;
  bool family_set_ = false;
  bool face_set_ = false;
  size_t count_ = 0;
};

}  // namespace tarvelin
