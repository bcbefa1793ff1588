// The command dispatcher of the tarvelin executable. Each command lives in its own
// cmd_<name>.cpp and registers its definition (arguments, options, what it does) with a
// static CommandRegistration; the one parser, the help, the man page and the shell
// completion are all made from those definitions (command_line.cpp, help_text.cpp).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvelin::cli {

// Exit codes of the command-line contract.
enum ExitCode : int { kDone = 0, kDoneWithWarnings = 1, kUsage = 2, kCancelled = 3 };

struct OptionDef {
  std::vector<std::string> names{};  // long names and one-letter ones, without dashes
  std::string valueName{};           // empty for a flag
  std::string description{};
  std::vector<std::string> choices{};  // the words the value may be, for help and completion
  bool repeatable = false;
};

struct ArgumentDef {
  std::string name{};  // as shown: "FRAME.rmk"
  std::string description{};
  bool optional = false;
  bool many = false;  // one or more (zero or more when optional)
};

// A command's words after the parser has read them. Option names are given without dashes;
// Value gives the last value of an option given several times.
class Args {
 public:
  bool Has(std::string_view option) const;
  std::string Value(std::string_view option) const;
  std::vector<std::string> Values(std::string_view option) const;
  const std::vector<std::string>& Positional() const { return positional_; }
  // Every option given, by its long name, with its value (empty for a flag), in order.
  const std::vector<std::pair<std::string, std::string>>& Given() const { return given_; }

  void Add(std::string option, std::string value) {
    given_.emplace_back(std::move(option), std::move(value));
  }
  void AddPositional(std::string word) { positional_.push_back(std::move(word)); }

 private:
  std::vector<std::pair<std::string, std::string>> given_;  // in the order given
  std::vector<std::string> positional_;
};

using CommandFn = std::function<int(const Args& args)>;

struct CommandDef {
  std::string name{};
  std::string summary{};      // one line, lower case, no full stop
  std::string description{};  // paragraphs separated by blank lines; may be empty
  std::vector<ArgumentDef> arguments{};
  std::vector<OptionDef> options{};
  CommandFn run{};
  std::string seeAlso{};  // extra paragraph for the man page, may be empty
};

struct CommandRegistration {
  explicit CommandRegistration(CommandDef def);
};

// Every registered command, by name.
std::vector<const CommandDef*> Commands();
const CommandDef* FindCommand(std::string_view name);

// One line on stderr, "tarvelin: <message>", and the usage exit code.
int UsageError(const std::string& message);

// argv after the program name.
int Run(const std::vector<std::string>& args);

}  // namespace tarvelin::cli
