#include "host/application/active_context.h"

#include <algorithm>

namespace tarvelin {

ActiveContext::~ActiveContext() = default;

Document* ActiveContext::OpenDocument(std::unique_ptr<Document> doc) {
  if (!doc) return nullptr;
  documents_.push_back(std::move(doc));
  front_ = documents_.back().get();
  return front_;
}

bool ActiveContext::CloseDocument(Document* doc) {
  return TakeDocument(doc) != nullptr;
}

std::unique_ptr<Document> ActiveContext::TakeDocument(Document* doc) {
  auto it = std::find_if(documents_.begin(), documents_.end(),
                         [doc](const auto& d) { return d.get() == doc; });
  if (it == documents_.end()) return nullptr;
  std::unique_ptr<Document> taken = std::move(*it);
  documents_.erase(it);
  if (front_ == doc) front_ = documents_.empty() ? nullptr : documents_.back().get();
  return taken;
}

bool ActiveContext::Contains(const Document* doc) const {
  return std::any_of(documents_.begin(), documents_.end(),
                     [doc](const auto& d) { return d.get() == doc; });
}

bool ActiveContext::SetFrontDocument(Document* doc) {
  auto it = std::find_if(documents_.begin(), documents_.end(),
                         [doc](const auto& d) { return d.get() == doc; });
  if (it == documents_.end()) return false;
  front_ = doc;
  return true;
}

}  // namespace tarvelin
