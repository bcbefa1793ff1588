// tarvelin help [COMMAND]: the program's or a command's help; with --man or
// --bash-completion, the manual page or the completion script, both made from the same
// definitions as the help (the build installs them; docs/tarvelin.1 is kept in step by a test).
#include <cstdio>

#include "cli_app.h"
#include "help_text.h"

namespace tarvelin::cli {
namespace {

int Help(const Args& args) {
  if (args.Has("man") && args.Has("bash-completion"))
    return UsageError("--man and --bash-completion exclude each other");
  if (args.Has("man")) {
    std::fputs(ManPage().c_str(), stdout);
  } else if (args.Has("bash-completion")) {
    std::fputs(BashCompletion().c_str(), stdout);
  } else if (args.Positional().empty()) {
    std::fputs(OverviewHelp().c_str(), stdout);
  } else if (const CommandDef* c = FindCommand(args.Positional().front())) {
    std::fputs(CommandHelp(*c).c_str(), stdout);
  } else {
    return UsageError("unknown command '" + args.Positional().front() + "' (see tarvelin --help)");
  }
  return std::fflush(stdout) == 0 ? kDone : kUsage;
}

CommandRegistration registration({
    .name = "help",
    .summary = "show the help of the program or of one command",
    .arguments = {{"COMMAND", "the command whose help to show", true}},
    .options = {{{"man"}, "", "print the manual page (roff) instead"},
                {{"bash-completion"}, "", "print the bash completion script instead"}},
    .run = Help,
});

}  // namespace
}  // namespace tarvelin::cli
