// The texts made from the commands' definitions: the overview and each command's help, the
// man page (docs/tarvelin.1 is its output) and the bash completion script.
#pragma once

#include <string>

#include "cli_app.h"

namespace tarvelin::cli {

std::string OverviewHelp();
std::string CommandHelp(const CommandDef& command);
std::string CommandSynopsis(const CommandDef& command);  // "paginate [options] FRAME.rmk..."
std::string ManPage();
std::string BashCompletion();

// The options every command takes besides its own.
const std::vector<OptionDef>& CommonOptions();

}  // namespace tarvelin::cli
