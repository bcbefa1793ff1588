// The few story operations the layout side needs, over the story model's API: making
// stories, anchoring inline items, finding and deleting anchors.
// Kept in one place so the page-item code does not depend on the story model's shape.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "host/documents/document.h"
#include "host/objects/database.h"
#include "host/objects/error_code.h"
#include "host/objects/uid.h"

namespace tarvelin::story {

inline constexpr char16_t kAnchorCharacter = 0xFFFC;

// A new empty story (just its end-of-story character); kInvalidUID on failure.
UID NewStory(Database& db);
bool IsStory(const Database& db, UID story);
// Length including the end-of-story character; -1 when `story` is not a story.
int32_t TotalLength(const Database& db, UID story);
// Inserts U+FFFC at `index` anchoring `item` (recorded for undo).
ErrorCode InsertAnchor(Database& db, UID story, int32_t index, UID item);
// The index of the anchor that holds `item`, or -1.
int32_t AnchorIndex(const Database& db, UID story, UID item);
// Deletes text; anchored items in the range go through the inline-object deleter.
ErrorCode DeleteText(Database& db, UID story, int32_t index, int32_t length);
// Every item anchored in the story, in text order.
std::vector<UID> AnchoredItems(const Database& db, UID story);

}  // namespace tarvelin::story
