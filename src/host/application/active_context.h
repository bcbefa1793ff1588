// The session's active context: the open documents, the front one with its selection,
// and the session workspace. The running Application owns the session's
// (Application::Current()->Context()); tests may make their own.
#pragma once

#include <memory>
#include <vector>

#include "host/documents/document.h"
#include "host/documents/selection.h"

namespace tarvelin {

class SessionWorkspace;

class ActiveContext {
 public:
  ActiveContext() = default;
  ~ActiveContext();
  ActiveContext(const ActiveContext&) = delete;
  ActiveContext& operator=(const ActiveContext&) = delete;

  // Takes the document and brings it to the front; returns it (null for null).
  Document* OpenDocument(std::unique_ptr<Document> doc);
  // Closes an open document; the next one (if any) comes to the front. False when the
  // document is not open here.
  bool CloseDocument(Document* doc);
  // Takes an open document out of the context, whole; null when it is not open here.
  std::unique_ptr<Document> TakeDocument(Document* doc);
  const std::vector<std::unique_ptr<Document>>& Documents() const { return documents_; }
  bool Contains(const Document* doc) const;

  // Null when no document is open.
  Document* FrontDocument() const { return front_; }
  // False when the document is not open here.
  bool SetFrontDocument(Document* doc);
  // The front document's selection, or null.
  Selection* GetSelection() const { return front_ ? &front_->GetSelection() : nullptr; }

  // Not owned; null until the front end sets it.
  SessionWorkspace* Workspace() const { return workspace_; }
  void SetWorkspace(SessionWorkspace* workspace) { workspace_ = workspace; }

 private:
  std::vector<std::unique_ptr<Document>> documents_;
  Document* front_ = nullptr;
  SessionWorkspace* workspace_ = nullptr;
};

}  // namespace tarvelin
