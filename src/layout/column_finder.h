// The width of the column that holds an index of a story, asked while the story is edited
// from front to back: the box pass asks it before each frame it makes. Where the story's
// columns differ in width, composing the document for every question made the pass
// quadratic; the finder composes only the story asked about, only until the answer is
// known, and after an edit again only from the first paragraph the edit touched, so a
// pass composes the story about once.
//
// The answer is the one LayoutService::ColumnWidthAt gives by composing the document. What
// the finder knows of a story lasts while a step of the document is open (the pass runs
// inside one) and goes when a step ends, is undone or redone; within the step, the story's
// frames and the frames anchored in it before the edited paragraph must keep their sizes
// (the pass sizes a frame before it anchors it).
#pragma once

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "host/objects/uid.h"
#include "layout/composer.h"

namespace tarvelin {

class Document;

class ColumnFinder {
 public:
  // The finder may outlive the document, but must not be asked then.
  explicit ColumnFinder(Document& doc);
  ~ColumnFinder();
  ColumnFinder(const ColumnFinder&) = delete;
  ColumnFinder& operator=(const ColumnFinder&) = delete;

  // Nullopt when the story has no frames.
  std::optional<double> ColumnWidthAt(UID story, int32_t index);

 private:
  struct Story;
  // What lasts while a step is open: the stories composed so far, and the composer, whose
  // looks of styles may change with the next step.
  struct Known {
    std::unique_ptr<Composer> composer;
    std::unordered_map<UID, std::unique_ptr<Story>> stories;
  };
  Document& doc_;
  // Shared with the document's observer, which empties it and outlives the finder harmlessly.
  std::shared_ptr<Known> known_;
};

}  // namespace tarvelin
