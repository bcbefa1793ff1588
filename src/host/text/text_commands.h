// Commands that edit stories, and one-call helpers that make and process them.
//
// Each Make* returns a command for the processor (Database::Commands().ProcessCommand);
// the helpers below process one at once, so inside the caller's sequence every call is
// one command of that sequence and outside one its own undo step. The story is looked up
// when the command runs: a story that is gone gives kNotFound.
//
// Copy and move work between stories of one database (styles and swatches are UIDs of
// it). A copy keeps the U+FFFC of an inline object but not the object; a move takes the
// objects along. Moving within one story to a place inside the moved range is refused.
#pragma once

#include "host/objects/function_command.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "host/objects/command.h"
#include "host/objects/error_code.h"
#include "host/objects/uid.h"
#include "host/text/text_model.h"

namespace tarvelin {

// A command that runs a function; undo by the journal (snapshots and undo records).
// Makes and processes a FunctionCommand in db's processor.
ErrorCode ProcessFunction(Database& db, std::u16string name, std::function<ErrorCode()> fn);

std::shared_ptr<Command> MakeInsertTextCmd(UIDRef story, size_t pos, std::u16string text);
std::shared_ptr<Command> MakeInsertStyledCmd(UIDRef story, size_t pos, StyledText text);
std::shared_ptr<Command> MakeDeleteTextCmd(UIDRef story, size_t pos, size_t length);
std::shared_ptr<Command> MakeApplyAttributesCmd(UIDRef story, size_t pos, size_t length,
                                                AttributeList list, TextLevel level);
std::shared_ptr<Command> MakeClearOverridesCmd(UIDRef story, size_t pos, size_t length,
                                               AttrKindSet kinds, TextLevel level);
std::shared_ptr<Command> MakeApplyStyleCmd(UIDRef story, size_t pos, size_t length, UID style,
                                           TextLevel level);
std::shared_ptr<Command> MakeInsertInlineObjectCmd(UIDRef story, size_t pos, UID object);
std::shared_ptr<Command> MakeCopyTextCmd(UIDRef source, size_t pos, size_t length, UIDRef target,
                                         size_t at);
std::shared_ptr<Command> MakeMoveTextCmd(UIDRef source, size_t pos, size_t length, UIDRef target,
                                         size_t at);

ErrorCode InsertText(const UIDRef& story, size_t pos, std::u16string_view text);
ErrorCode InsertStyledText(const UIDRef& story, size_t pos, StyledText text);
ErrorCode DeleteText(const UIDRef& story, size_t pos, size_t length);
ErrorCode ApplyTextAttributes(const UIDRef& story, size_t pos, size_t length,
                              const AttributeList& list, TextLevel level);
ErrorCode ClearTextOverrides(const UIDRef& story, size_t pos, size_t length,
                             const AttrKindSet& kinds, TextLevel level);
ErrorCode ApplyTextStyle(const UIDRef& story, size_t pos, size_t length, UID style,
                         TextLevel level);
ErrorCode InsertInlineObject(const UIDRef& story, size_t pos, UID object);
ErrorCode CopyStyledText(const UIDRef& source, size_t pos, size_t length, const UIDRef& target,
                         size_t at);
ErrorCode MoveStyledText(const UIDRef& source, size_t pos, size_t length, const UIDRef& target,
                         size_t at);

}  // namespace tarvelin
