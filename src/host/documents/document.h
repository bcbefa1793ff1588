// A document: its root object (name, page setup, spreads, layers, stories, object
// styles, the text workspace) and the handle that owns its database.
//
// The root is the one object of kDocumentClass. Its persistent records:
//
//   IDocument (kDocumentImpl)              IStoryList (kStoryListImpl)
//   ----------------------------------     ------------------------------------------
//   uint16  version (1)                    uint16  version (1)
//   text    name                           uint32  n, then n entries:
//   double  page width, height               uint32  story UID
//   Insets  margins                          uint32  first text frame UID (0: none)
//   int32   columns
//   double  gutter
//   UIDs    layers (document order)
//   UIDs    spreads (document order)
//   UIDs    object styles
//   uint32  paragraph-style table, character-style table, swatch list, font families
//           (XferTextWorkspace)
//
// The story list names every story of the document, inline frames' stories included,
// with the first frame of its thread; it changes through small undo records rather than
// snapshots, because an import adds a story per inline frame.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/documents/document_classes.h"
#include "host/documents/document_geometry.h"
#include "host/documents/selection.h"
#include "host/objects/database.h"
#include "host/objects/interface.h"
#include "host/objects/uid.h"
#include "host/text/text_workspace.h"

namespace tarvelin {

class ClassRegistry;

// The document's page setup: the size of new pages and their margin and column guides.
struct PageSetup {
  double width = 595.2756;  // A4
  double height = 841.8898;
  Insets margins{36, 36, 36, 36};
  int32_t columns = 1;
  double gutter = 12;

  friend bool operator==(const PageSetup&, const PageSetup&) = default;
};

class IDocument : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x0200};
  virtual const std::u16string& Name() const = 0;
  virtual void SetName(std::u16string name) = 0;
  virtual const PageSetup& GetPageSetup() const = 0;
  virtual void SetPageSetup(const PageSetup& setup) = 0;
  virtual const std::vector<UID>& Layers() const = 0;
  virtual void SetLayers(std::vector<UID> layers) = 0;
  virtual const std::vector<UID>& Spreads() const = 0;
  virtual void SetSpreads(std::vector<UID> spreads) = 0;
  virtual const std::vector<UID>& ObjectStyles() const = 0;
  virtual void SetObjectStyles(std::vector<UID> styles) = 0;
  // The text side's workspace objects, created with the document.
  virtual const TextWorkspace& TextWorkspaceRefs() const = 0;
  virtual void SetTextWorkspaceRefs(const TextWorkspace& refs) = 0;
};

struct StoryEntry {
  UID story = kInvalidUID;
  UID firstFrame = kInvalidUID;  // the head of the story's thread; none while unplaced
  friend bool operator==(const StoryEntry&, const StoryEntry&) = default;
};

class IStoryList : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x0201};
  static constexpr size_t npos = static_cast<size_t>(-1);
  virtual const std::vector<StoryEntry>& Entries() const = 0;
  // Index of the story's entry, or npos.
  virtual size_t Find(UID story) const = 0;
  // Each edit is recorded for undo. Adding a story already listed only sets its frame.
  virtual void Add(UID story, UID firstFrame) = 0;
  virtual void SetFirstFrame(UID story, UID firstFrame) = 0;
  virtual void Remove(UID story) = 0;
};

// Composition's answer to "which text does this column hold"; layout fills it in. The
// range is [start, end) in the story; nullopt when the column has not been composed.
class ColumnSpans {
 public:
  virtual ~ColumnSpans() = default;
  virtual std::optional<std::pair<int32_t, int32_t>> Span(UID frame, int32_t column) const = 0;
};

// The owner of a document's database, with the state that is not saved: the file it
// came from or was saved to, the selection and the composition services.
class Document {
 public:
  // A new document: the text workspace, one layer "Layer 1" and one spread with one page
  // of the setup. Built outside commands: the new document has no undo history. Null
  // when the setup is impossible (see ValidatePageSetup) or a class cannot be built.
  static std::unique_ptr<Document> Create(std::shared_ptr<const ClassRegistry> registry,
                                          const PageSetup& setup, std::u16string name);
  // Takes a loaded database; null when it holds no document root.
  static std::unique_ptr<Document> Adopt(std::unique_ptr<Database> db);
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  Database& DataBase() const { return *db_; }
  UIDRef Root() const { return {db_.get(), root_}; }
  std::shared_ptr<IDocument> Data() const;
  std::shared_ptr<IStoryList> Stories() const;
  TextWorkspace TextWorkspaceRefs() const;

  // The first spread's layer of the first document layer: where new frames go.
  UIDRef DefaultSpreadLayer() const;

  const std::filesystem::path& File() const { return file_; }
  void SetFile(std::filesystem::path file) { file_ = std::move(file); }

  Selection& GetSelection() { return selection_; }
  const Selection& GetSelection() const { return selection_; }

  const ColumnSpans* GetColumnSpans() const { return spans_; }
  void SetColumnSpans(const ColumnSpans* spans) { spans_ = spans; }

 private:
  Document(std::unique_ptr<Database> db, UID root);

  std::unique_ptr<Database> db_;
  UID root_;
  std::filesystem::path file_;
  Selection selection_;
  const ColumnSpans* spans_ = nullptr;
};

// The document root of a database (kDocumentClass), or kInvalidUID.
UID DocumentRootOf(const Database& db);

// Empty when the setup can make pages; otherwise why not (sizes must be finite, positive
// and at most 15,552 pt, margins non-negative and leaving room, 1..64 columns, gutter
// non-negative and leaving columns a positive width).
std::string ValidatePageSetup(const PageSetup& setup);

// The largest page side in points (216 inches).
inline constexpr double kMaxPageSide = 15552;

}  // namespace tarvelin
