// The command that the layout side's change functions run: a snapshot-undo command whose
// Do is a function. The change functions (page_item_commands.h, object_style.h,
// spread.h) build one per change and process it at once.
#pragma once

#include "host/objects/function_command.h"

#include <functional>
#include <memory>
#include <string>

#include "host/objects/command.h"
#include "host/objects/command_processor.h"
#include "host/objects/database.h"

namespace tarvelin {}  // namespace tarvelin
