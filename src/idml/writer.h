// The exporter's state while it turns one document into package parts: the references
// it has handed out (swatches, fonts, styles, stories), so that every resource part
// defines exactly what the content parts use, and the list of what the document lacks.
//
// Parts are built in content order (styles, spreads, stories), then the resources that
// depend on what those referenced (graphic, fonts); the package holds them in the order
// the design map lists them.
#pragma once

#include <deque>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "host/documents/document.h"
#include "host/documents/document_geometry.h"
#include "host/documents/page_item.h"
#include "host/documents/spread.h"
#include "host/text/style_table.h"
#include "host/text/text_attributes.h"
#include "idml/idml_export.h"
#include "idml/package.h"
#include "idml/xml_part.h"

namespace tarvelin::idml {

const char* WrapModeId(WrapMode mode);
// A TextFramePreference's Properties with its insets (top, left, bottom, right, the
// format's order); nothing when all are 0, the format's default.
void InsetSpacing(XmlWriter& w, const Insets& insets);
// A TextWrapPreference element.
void TextWrap(XmlWriter& w, WrapMode mode, const Insets& offsets);

// Where a page item goes: free on a spread (its bounds moved into the spread's
// coordinates, on a layer) or inline in a story (the application places it).
struct Placement {
  bool inlineItem = false;
  double dx = 0, dy = 0;
  std::string layer;
};

class Writer {
 public:
  Writer(const Document& doc, const ExportOptions& options);

  // Builds every part into `package`; `result` gets the counts and missing items.
  void Build(Package& package, ExportResult& result);

 private:
  // ---- resources (writer_resources.cpp)
  std::string GraphicPart();
  std::string FontsPart();
  std::string PreferencesPart();
  std::string DesignMap(const std::vector<std::string>& masters,
                        const std::vector<std::string>& spreads,
                        const std::vector<std::string>& stories);
  std::string SwatchRef(UID swatch);
  std::string FontRef(UID family);

  // ---- text (writer_text.cpp)
  std::string StylesPart();
  // The attributes of `list` on the element `w` has just started; those the format
  // writes as typed values (font, leading) go to `properties`, for the element's
  // Properties.
  void TextAttributes(XmlWriter& w, const AttributeList& list, XmlWriter& properties);
  std::string ParagraphStyleRef(UID style);
  std::string CharacterStyleRef(UID style);
  std::string ObjectStyleRef(UID style);
  // The Story part of `story`, its inline frames written at their anchors.
  std::string StoryPart(UID story);
  std::string StoryRef(UID story);

  // ---- page items (writer_items.cpp)
  std::string MasterSpreadPart();
  std::string SpreadPart(UID spread);
  void PageElement(XmlWriter& w, const std::string& self, const Page& page, double dx, double dy,
                   const std::string& name, const char* master);
  void PageItem(XmlWriter& w, UID item, const Placement& at);
  void ImageElement(XmlWriter& w, UID frameUid, UID image);

  void Missing(std::string what);

  const Document& doc_;
  Database& db_;
  ExportOptions options_;
  TextWorkspace ws_;
  TextResolver resolver_;
  UID rootParagraph_ = kInvalidUID, rootCharacter_ = kInvalidUID;

  std::vector<PageRef> pages_;                                  // the document's pages in order
  std::unordered_map<UID, std::vector<size_t>> pagesOfSpread_;  // indices into pages_
  std::set<std::string> missing_;
  std::map<UID, std::string> swatchIds_;  // referenced or listed swatches
  std::vector<UID> swatchOrder_;          // the list's order, then first reference
  std::set<std::string> swatchIdsTaken_;
  std::map<UID, std::string> fontIds_;  // referenced families
  std::unordered_map<UID, std::string> styleIds_;
  std::deque<UID> storyQueue_;  // stories referenced, to be written
  std::unordered_set<UID> storiesQueued_;
  size_t frames_ = 0, inlineFrames_ = 0;
};

}  // namespace tarvelin::idml
