#include "help_text.h"

#include <sstream>

namespace tarvelin::cli {

namespace {

constexpr const char* kExitCodes =
    "0 done, 1 done with warnings (see the log), 2 bad usage or unreadable input, 3 cancelled";
constexpr const char* kWorkspace =
    "the workspace file that keeps the preferences (the image folders); default: the "
    "per-user workspace.tvw in the application's data folder";

// "-o, --output DOC.tvd"; a long option without a letter is set in under the letters, and a
// value of a few words shows them ("--pdf-standard x1a|x4|screen").
std::string OptionLabel(const OptionDef& o) {
  std::string label = o.names.front().size() == 1 ? "" : "    ";
  for (size_t i = 0; i < o.names.size(); ++i)
    label += (i == 0 ? "" : ", ") + std::string(o.names[i].size() == 1 ? "-" : "--") + o.names[i];
  if (!o.choices.empty()) {
    std::string words;
    for (const auto& c : o.choices) words += (words.empty() ? "" : "|") + c;
    label += " " + words;
  } else if (!o.valueName.empty()) {
    label += " " + o.valueName;
  }
  return label;
}

std::string ArgumentLabel(const ArgumentDef& a) {
  std::string label = a.name + (a.many ? "..." : "");
  return a.optional ? "[" + label + "]" : label;
}

// `text` broken into lines of at most `width` columns, each after `indent` spaces; the
// first line continues `lead` (already written) when it is shorter than the indent.
void Wrap(std::ostringstream& out, const std::string& lead, const std::string& text, size_t indent,
          size_t width = 79) {
  out << lead;
  if (lead.empty() || lead.size() + 1 <= indent) {
    out << std::string(indent - lead.size(), ' ');
  } else {
    out << "\n" << std::string(indent, ' ');
  }
  size_t column = indent;
  std::istringstream words(text);
  std::string word;
  bool first = true;
  while (words >> word) {
    if (!first && column + 1 + word.size() > width) {
      out << "\n" << std::string(indent, ' ');
      column = indent;
    } else if (!first) {
      out << ' ';
      ++column;
    }
    out << word;
    column += word.size();
    first = false;
  }
  out << "\n";
}

std::vector<std::string> Paragraphs(const std::string& text) {
  std::vector<std::string> paragraphs;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\n\n", start);
    if (end == std::string::npos) end = text.size();
    paragraphs.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return paragraphs;
}

// Roff text: backslashes and dashes escaped, a line that would begin a request guarded.
std::string Roff(const std::string& text) {
  std::string out;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
    lineStart = c == '\n';
  }
  return out;
}

std::string RoffOption(const OptionDef& o) {
  std::string label;
  for (const std::string& n : o.names) {
    if (!label.empty()) label += ", ";
    label += "\\fB" + Roff((n.size() == 1 ? "-" : "--") + n) + "\\fR";
  }
  std::string value = o.valueName;
  if (!o.choices.empty()) {
    value.clear();
    for (const auto& c : o.choices) value += (value.empty() ? "" : "|") + c;
  }
  if (!value.empty()) label += " \\fI" + Roff(value) + "\\fR";
  return label;
}

// How the shell completes a value or an argument named so: a folder, a file of a kind,
// any file, or nothing (a number).
std::string CompleteValue(const std::string& name, const std::vector<std::string>& choices) {
  if (!choices.empty()) {
    std::string words;
    for (const auto& c : choices) words += (words.empty() ? "" : " ") + c;
    return "COMPREPLY=($(compgen -W \"" + words + "\" -- \"$cur\"))";
  }
  if (name == "COMMAND") {
    std::string words;
    for (const CommandDef* c : Commands()) words += (words.empty() ? "" : " ") + c->name;
    return "COMPREPLY=($(compgen -W \"" + words + "\" -- \"$cur\"))";
  }
  if (name == "DIR" || name == "FOLDER") return "COMPREPLY=($(compgen -d -- \"$cur\"))";
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && name.find('|') == std::string::npos)
    return "COMPREPLY=($(compgen -d -- \"$cur\") $(compgen -f -X '!*" + name.substr(dot) +
           "' -- \"$cur\"))";
  if (name == "N" || name == "UID" || name == "KEY" || name == "VALUE") return "COMPREPLY=()";
  return "COMPREPLY=($(compgen -f -- \"$cur\"))";
}

}  // namespace

const std::vector<OptionDef>& CommonOptions() {
  static const std::vector<OptionDef> options = {
      {{"h", "help"}, "", "show this command's help and exit"},
      {{"verbose"}, "", "show developer diagnostics on stderr"},
  };
  return options;
}

std::string CommandSynopsis(const CommandDef& c) {
  std::string s = c.name + " [options]";
  for (const ArgumentDef& a : c.arguments) s += " " + ArgumentLabel(a);
  return s;
}

std::string OverviewHelp() {
  std::ostringstream out;
  out << "Usage: tarvelin [--verbose] COMMAND [options] [ARGS]\n"
         "       tarvelin COMMAND --help\n\nCommands:\n";
  for (const CommandDef* c : Commands()) Wrap(out, "  " + c->name, c->summary, 16);
  out << "\nOptions:\n";
  Wrap(out, "  -h, --help", "show this text", 16);
  Wrap(out, "      --version", "show the version", 16);
  Wrap(out, "      --verbose", "show developer diagnostics on stderr", 16);
  out << "\nEnvironment:\n";
  Wrap(out, "  TARVELIN_WORKSPACE", kWorkspace, 22);
  out << "\n";
  Wrap(out, "", std::string("Exit codes: ") + kExitCodes + ".", 0);
  return out.str();
}

std::string CommandHelp(const CommandDef& c) {
  std::ostringstream out;
  out << "Usage: tarvelin " << CommandSynopsis(c) << "\n\n";
  Wrap(out, "", c.summary, 0);
  for (const std::string& p : Paragraphs(c.description)) {
    out << "\n";
    Wrap(out, "", p, 0);
  }
  if (!c.arguments.empty()) {
    out << "\nArguments:\n";
    for (const ArgumentDef& a : c.arguments) Wrap(out, "  " + a.name, a.description, 28);
  }
  out << "\nOptions:\n";
  auto option = [&](const OptionDef& o) {
    std::string text = o.description;
    if (o.repeatable) text += "; may be given more than once";
    Wrap(out, "  " + OptionLabel(o), text, 28);
  };
  for (const OptionDef& o : c.options) option(o);
  for (const OptionDef& o : CommonOptions()) option(o);
  out << "\n";
  Wrap(out, "", std::string("Exit codes: ") + kExitCodes + ".", 0);
  return out.str();
}

std::string ManPage() {
  std::ostringstream out;
  out << ".\\\" Made by `tarvelin help --man` from the commands' definitions; do not edit.\n"
         ".TH TARVELIN 1 \"\" \"Tarvelin\" \"User Commands\"\n"
         ".SH NAME\n"
         "tarvelin \\- paginate advertisement frame files into laid\\-out documents\n"
         ".SH SYNOPSIS\n"
         ".B tarvelin\n"
         "[\\fB\\-\\-verbose\\fR] \\fICOMMAND\\fR [\\fIoptions\\fR] [\\fIARGS\\fR]\n"
         ".br\n"
         ".B tarvelin\n"
         "\\fICOMMAND\\fR \\fB\\-\\-help\\fR\n"
         ".SH DESCRIPTION\n"
         "A frame file (\\fI.rmk\\fR) is tagged text whose box definitions stand inline. "
         "\\fBtarvelin paginate\\fR turns it into a laid\\-out document (\\fI.tvd\\fR), its PDF "
         "and an import log beside it; the other commands inspect, convert and render what "
         "it reads and writes.\n"
         ".SH COMMANDS\n";
  for (const CommandDef* c : Commands()) {
    out << ".SS \"" << Roff(CommandSynopsis(*c)) << "\"\n" << Roff(c->summary) << ".\n";
    for (const std::string& p : Paragraphs(c->description)) out << ".PP\n" << Roff(p) << "\n";
    for (const ArgumentDef& a : c->arguments)
      out << ".TP\n\\fI" << Roff(a.name) << "\\fR\n" << Roff(a.description) << "\n";
    for (const OptionDef& o : c->options) {
      out << ".TP\n" << RoffOption(o) << "\n" << Roff(o.description);
      if (o.repeatable) out << "; may be given more than once";
      out << "\n";
    }
    for (const std::string& p : Paragraphs(c->seeAlso)) out << ".PP\n" << Roff(p) << "\n";
  }
  out << ".SH OPTIONS\nEvery command takes:\n";
  for (const OptionDef& o : CommonOptions())
    out << ".TP\n" << RoffOption(o) << "\n" << Roff(o.description) << "\n";
  out << ".TP\n\\fB\\-\\-version\\fR\nshow the version (before a command)\n"
         ".PP\nAn option's value may follow it as the next word or after \\fB=\\fR "
         "(\\fB\\-\\-pdf\\-standard=x4\\fR); a word after \\fB\\-\\-\\fR is never an option.\n"
         ".SH EXIT STATUS\n"
      << Roff(kExitCodes)
      << ".\n"
         ".SH ENVIRONMENT\n.TP\n.B TARVELIN_WORKSPACE\n"
      << Roff(kWorkspace) << ".\n";
  return out.str();
}

std::string BashCompletion() {
  std::ostringstream out;
  out << "# bash completion for tarvelin; made by `tarvelin help --bash-completion` from the\n"
         "# commands' definitions.\n"
         "_tarvelin() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} command= i\n"
         "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
         "    case ${COMP_WORDS[i]} in -*) ;; *) command=${COMP_WORDS[i]}; break ;; esac\n"
         "  done\n"
         "  if [[ -z $command ]]; then\n"
         "    COMPREPLY=($(compgen -W \"--help --version --verbose";
  for (const CommandDef* c : Commands()) out << " " << c->name;
  out << "\" -- \"$cur\"))\n"
         "    return\n"
         "  fi\n"
         "  case $command in\n";
  for (const CommandDef* c : Commands()) {
    out << "    " << c->name << ")\n      case $prev in\n";
    std::string words;
    for (const OptionDef& o : c->options) {
      for (const std::string& n : o.names) words += (n.size() == 1 ? " -" : " --") + n;
      if (o.valueName.empty()) continue;
      std::string pattern;
      for (const std::string& n : o.names)
        pattern += (pattern.empty() ? "" : "|") + std::string(n.size() == 1 ? "-" : "--") + n;
      out << "        " << pattern << ") " << CompleteValue(o.valueName, o.choices)
          << "; return ;;\n";
    }
    for (const OptionDef& o : CommonOptions())
      for (const std::string& n : o.names) words += (n.size() == 1 ? " -" : " --") + n;
    out << "      esac\n"
           "      if [[ $cur == -* ]]; then\n"
           "        COMPREPLY=($(compgen -W \""
        << words.substr(1)
        << "\" -- \"$cur\"))\n"
           "      else\n"
           "        "
        << CompleteValue(c->arguments.empty() ? "N" : c->arguments.front().name, {})
        << "\n"
           "      fi\n"
           "      ;;\n";
  }
  out << "  esac\n"
         "}\n"
         "complete -o filenames -F _tarvelin tarvelin\n";
  return out.str();
}

}  // namespace tarvelin::cli
