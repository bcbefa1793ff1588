#include "host/documents/document_story.h"

#include "host/text/text_classes.h"
#include "host/text/text_model.h"

namespace tarvelin::story {

namespace {

std::shared_ptr<ITextModel> Model(const Database& db, UID story) {
  return story == kInvalidUID ? nullptr : db.Query<ITextModel>(story);
}

}  // namespace

UID NewStory(Database& db) {
  return CreateStory(db).GetUID();
}

bool IsStory(const Database& db, UID story) {
  return Model(db, story) != nullptr;
}

int32_t TotalLength(const Database& db, UID story) {
  auto m = Model(db, story);
  if (!m) return -1;
  size_t n = m->TotalLength();
  return n > static_cast<size_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(n);
}

ErrorCode InsertAnchor(Database& db, UID story, int32_t index, UID item) {
  auto m = Model(db, story);
  if (!m || index < 0) return kInvalidArgument;
  return m->InsertInlineObject(static_cast<size_t>(index), item);
}

int32_t AnchorIndex(const Database& db, UID story, UID item) {
  auto m = Model(db, story);
  if (!m) return -1;
  auto at = m->FindInlineObject(item);
  return at ? static_cast<int32_t>(*at) : -1;
}

ErrorCode DeleteText(Database& db, UID story, int32_t index, int32_t length) {
  auto m = Model(db, story);
  if (!m || index < 0 || length < 0) return kInvalidArgument;
  return m->Delete(static_cast<size_t>(index), static_cast<size_t>(length));
}

std::vector<UID> AnchoredItems(const Database& db, UID story) {
  std::vector<UID> items;
  auto m = Model(db, story);
  if (!m) return items;
  for (const Anchor& a : m->InlineObjectsIn(0, m->TotalLength())) items.push_back(a.uid);
  return items;
}

}  // namespace tarvelin::story
