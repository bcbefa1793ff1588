// A command whose Do is a function: for changes made through persistent data (PreDirty)
// or through models that keep their own undo records, where the journal undoes the work.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "host/objects/command.h"
#include "host/objects/command_processor.h"
#include "host/objects/database.h"

namespace tarvelin {

class FunctionCommand final : public Command {
 public:
  FunctionCommand(std::u16string name, std::function<ErrorCode()> fn)
      : Command(std::move(name)), fn_(std::move(fn)) {}
  ErrorCode Do() override { return fn_ ? fn_() : kInvalidArgument; }

 private:
  std::function<ErrorCode()> fn_;
};

// Processes `fn` as one command named `name` over `items`; its error code.
inline ErrorCode ProcessFunctionCommand(Database& db, std::u16string name, UIDList items,
                                        std::function<ErrorCode()> fn) {
  auto cmd = std::make_shared<FunctionCommand>(std::move(name), std::move(fn));
  cmd->SetItemList(std::move(items));
  return db.Commands().ProcessCommand(cmd);
}

}  // namespace tarvelin
