#include "host/text/text_commands.h"

#include "host/objects/command_processor.h"
#include "host/objects/database.h"
#include "host/text/story_impl.h"

namespace tarvelin {

namespace {

using StoryFn = std::function<ErrorCode(ITextModel&)>;

std::shared_ptr<Command> StoryCommand(std::u16string name, UIDRef story, StoryFn fn) {
  auto cmd = std::make_shared<FunctionCommand>(std::move(name), [story, fn = std::move(fn)] {
    auto model = QueryInterface<ITextModel>(story);
    if (!model) return kNotFound;
    return fn(*model);
  });
  cmd->SetItemList(UIDList(story));
  return cmd;
}

ErrorCode Process(const UIDRef& story, const std::shared_ptr<Command>& cmd) {
  if (story.IsNull()) return kInvalidArgument;
  return story.DataBase()->Commands().ProcessCommand(cmd);
}

// Extracts from the source and inserts into the target; a move deletes the source range
// first (keeping its inline objects, which the insertion anchors again).
ErrorCode Transfer(const UIDRef& source, size_t pos, size_t length, const UIDRef& target, size_t at,
                   bool move) {
  if (source.IsNull() || target.IsNull() || source.DataBase() != target.DataBase())
    return kInvalidArgument;
  auto from = QueryInterface<ITextModel>(source);
  auto to = QueryInterface<ITextModel>(target);
  if (!from || !to) return kNotFound;
  size_t total = from->TotalLength();
  if (pos >= total || length > total - 1 - pos) return kInvalidArgument;
  bool same = source == target;
  if (same && move && at > pos && at < pos + length) return kInvalidArgument;
  if (!move) {
    StyledText text = from->ExtractStyled(pos, length);
    text.anchors.clear();
    return to->InsertStyled(at, std::move(text));
  }
  if (at >= to->TotalLength()) return kInvalidArgument;
  // Between two stories the text is handed over, not copied.
  auto* from_story = dynamic_cast<StoryImpl*>(from.get());
  auto* to_story = dynamic_cast<StoryImpl*>(to.get());
  if (!same && from_story && to_story) return from_story->MoveTo(pos, length, *to_story, at);
  StyledText text = from->ExtractStyled(pos, length);
  if (ErrorCode e = from->Delete(pos, length, AnchorPolicy::kKeepObjects)) return e;
  if (same && at >= pos + length) at -= length;
  return to->InsertStyled(at, std::move(text));
}

}  // namespace

ErrorCode ProcessFunction(Database& db, std::u16string name, std::function<ErrorCode()> fn) {
  return db.Commands().ProcessCommand(
      std::make_shared<FunctionCommand>(std::move(name), std::move(fn)));
}

std::shared_ptr<Command> MakeInsertTextCmd(UIDRef story, size_t pos, std::u16string text) {
  return StoryCommand(u"Insert text", story,
                      [pos, text = std::move(text)](ITextModel& m) { return m.Insert(pos, text); });
}

std::shared_ptr<Command> MakeInsertStyledCmd(UIDRef story, size_t pos, StyledText text) {
  return StoryCommand(u"Insert text", story, [pos, text = std::move(text)](ITextModel& m) {
    return m.InsertStyled(pos, text);
  });
}

std::shared_ptr<Command> MakeDeleteTextCmd(UIDRef story, size_t pos, size_t length) {
  return StoryCommand(u"Delete text", story,
                      [pos, length](ITextModel& m) { return m.Delete(pos, length); });
}

std::shared_ptr<Command> MakeApplyAttributesCmd(UIDRef story, size_t pos, size_t length,
                                                AttributeList list, TextLevel level) {
  return StoryCommand(u"Apply attributes", story,
                      [pos, length, list = std::move(list), level](ITextModel& m) {
                        return m.ApplyAttributes(pos, length, list, level);
                      });
}

std::shared_ptr<Command> MakeClearOverridesCmd(UIDRef story, size_t pos, size_t length,
                                               AttrKindSet kinds, TextLevel level) {
  return StoryCommand(u"Clear overrides", story, [pos, length, kinds, level](ITextModel& m) {
    return m.ClearOverrides(pos, length, kinds, level);
  });
}

std::shared_ptr<Command> MakeApplyStyleCmd(UIDRef story, size_t pos, size_t length, UID style,
                                           TextLevel level) {
  return StoryCommand(u"Apply style", story, [pos, length, style, level](ITextModel& m) {
    return m.ApplyStyle(pos, length, style, level);
  });
}

std::shared_ptr<Command> MakeInsertInlineObjectCmd(UIDRef story, size_t pos, UID object) {
  return StoryCommand(u"Anchor object", story,
                      [pos, object](ITextModel& m) { return m.InsertInlineObject(pos, object); });
}

std::shared_ptr<Command> MakeCopyTextCmd(UIDRef source, size_t pos, size_t length, UIDRef target,
                                         size_t at) {
  auto cmd = std::make_shared<FunctionCommand>(
      u"Copy text", [=] { return Transfer(source, pos, length, target, at, false); });
  cmd->SetItemList(UIDList(target));
  return cmd;
}

std::shared_ptr<Command> MakeMoveTextCmd(UIDRef source, size_t pos, size_t length, UIDRef target,
                                         size_t at) {
  auto cmd = std::make_shared<FunctionCommand>(
      u"Move text", [=] { return Transfer(source, pos, length, target, at, true); });
  UIDList items(target);
  items.Append(source);
  cmd->SetItemList(std::move(items));
  return cmd;
}

ErrorCode InsertText(const UIDRef& story, size_t pos, std::u16string_view text) {
  return Process(story, MakeInsertTextCmd(story, pos, std::u16string(text)));
}
ErrorCode InsertStyledText(const UIDRef& story, size_t pos, StyledText text) {
  return Process(story, MakeInsertStyledCmd(story, pos, std::move(text)));
}
ErrorCode DeleteText(const UIDRef& story, size_t pos, size_t length) {
  return Process(story, MakeDeleteTextCmd(story, pos, length));
}
ErrorCode ApplyTextAttributes(const UIDRef& story, size_t pos, size_t length,
                              const AttributeList& list, TextLevel level) {
  return Process(story, MakeApplyAttributesCmd(story, pos, length, list, level));
}
ErrorCode ClearTextOverrides(const UIDRef& story, size_t pos, size_t length,
                             const AttrKindSet& kinds, TextLevel level) {
  return Process(story, MakeClearOverridesCmd(story, pos, length, kinds, level));
}
ErrorCode ApplyTextStyle(const UIDRef& story, size_t pos, size_t length, UID style,
                         TextLevel level) {
  return Process(story, MakeApplyStyleCmd(story, pos, length, style, level));
}
ErrorCode InsertInlineObject(const UIDRef& story, size_t pos, UID object) {
  return Process(story, MakeInsertInlineObjectCmd(story, pos, object));
}
ErrorCode CopyStyledText(const UIDRef& source, size_t pos, size_t length, const UIDRef& target,
                         size_t at) {
  return Process(target, MakeCopyTextCmd(source, pos, length, target, at));
}
ErrorCode MoveStyledText(const UIDRef& source, size_t pos, size_t length, const UIDRef& target,
                         size_t at) {
  return Process(target, MakeMoveTextCmd(source, pos, length, target, at));
}

}  // namespace tarvelin
