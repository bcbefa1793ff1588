// The layout service of the host, implemented with Qt: composition of every story of a
// document, pages added for a story that does not fit, and the fit operations. Needs a
// QGuiApplication (the offscreen platform will do).
#pragma once

#include <chrono>
#include <memory>
#include <unordered_map>

#include "host/application/layout_service.h"
#include "host/documents/spread.h"
#include "layout/column_finder.h"
#include "layout/composition_job.h"
#include "layout/composition_state.h"

namespace tarvelin {

class QtLayoutService final : public LayoutService {
 public:
  QtLayoutService() = default;
  ~QtLayoutService() override = default;

  ErrorCode Compose(Document& doc, const ComposeOptions& options = {}) override;
  StoryFit StoryState(const Document& doc, UID story) const override;
  ErrorCode Fit(Document& doc, const UIDRef& frame, FitType type, double width = 0) override;
  // Composes the story alone, as far as the answer needs, going on where it stopped for
  // the last question (ColumnFinder).
  std::optional<double> ColumnWidthAt(Document& doc, UID story, int32_t index) override;
  void Release(Document& doc) override;

  // The last composition of the document, or null; what rendering draws.
  const CompositionState* State(const Document& doc) const;

  // Composition in steps for a front end that draws pages before the whole document is
  // composed. StartComposing registers an empty state that ComposePage fills with what a
  // page shows and ComposeMore with the rest; once ComposeMore returns true (or Compose
  // runs) the state is what Compose makes.
  void StartComposing(Document& doc);
  void ComposePage(Document& doc, const PageRef& page);
  bool ComposeMore(Document& doc, std::chrono::milliseconds budget);
  bool Composing(const Document& doc) const;

 private:
  std::unordered_map<const Document*, std::unique_ptr<CompositionState>> states_;
  std::unordered_map<const Document*, std::unique_ptr<CompositionJob>> jobs_;
  std::unordered_map<const Document*, std::unique_ptr<ColumnFinder>> finders_;
};

// The document's main story: the first listed story whose thread begins with a frame on
// a page (not an inline frame); kInvalidUID when there is none.
UID MainStory(const Document& doc);

// Pages with threaded copies of the story's last frame are added until the story fits;
// used by Compose for ComposeOptions::growStory. The number of pages added. With `prepare`,
// the story's paragraphs are read as placing reaches them.
class Composer;
struct ComposedStory;
struct PrepareCursor;
int32_t ComposeGrowing(Document& doc, Composer& composer, ComposedStory& story,
                       int32_t maxAddedPages, std::shared_ptr<PrepareCursor> prepare = {});

}  // namespace tarvelin
