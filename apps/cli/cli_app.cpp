#include "cli_app.h"

#include <QCommandLineParser>
#include <QStringList>
#include <cstdio>
#include <iostream>
#include <map>

#include "core/diagnostics.h"
#include "help_text.h"

namespace tarvelin::cli {

namespace {

std::map<std::string, CommandDef, std::less<>>& Registry() {
  static std::map<std::string, CommandDef, std::less<>> commands;
  return commands;
}

QString Q(const std::string& s) {
  return QString::fromLocal8Bit(s.data(), qsizetype(s.size()));
}
std::string S(const QString& s) {
  return s.toLocal8Bit().toStdString();
}

std::string Dashed(const QString& name) {
  return (name.size() == 1 ? "-" : "--") + S(name);
}

// The name a command asks for an option by: its long name.
const std::string& Key(const OptionDef& o) {
  for (const std::string& n : o.names)
    if (n.size() > 1) return n;
  return o.names.front();
}

std::string SeeHelp(const CommandDef& command) {
  return " (usage: tarvelin " + CommandSynopsis(command) + ")";
}

// Reads a command's words with Qt's parser: `--opt value`, `--opt=value`, `-o value`, `-ovalue`,
// `--` before words that begin with a dash. Every fault of usage becomes one message.
int Dispatch(const CommandDef& command, const std::vector<std::string>& words) {
  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
  auto add = [&](const OptionDef& o) {
    QStringList names;
    for (const auto& n : o.names) names << Q(n);
    parser.addOption(QCommandLineOption(names, Q(o.description), Q(o.valueName)));
  };
  for (const OptionDef& o : command.options) add(o);
  for (const OptionDef& o : CommonOptions()) add(o);

  QStringList list{QStringLiteral("tarvelin")};
  for (const auto& w : words) list << Q(w);
  if (!parser.parse(list)) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty())
      return UsageError("unknown option '" + Dashed(unknown.front()) + "' for " + command.name +
                        SeeHelp(command));
    std::string why = S(parser.errorText());
    if (!why.empty()) why[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(why[0])));
    if (why.ends_with('.')) why.pop_back();
    return UsageError(why + SeeHelp(command));
  }
  if (parser.isSet(QStringLiteral("help"))) {
    std::fputs(CommandHelp(command).c_str(), stdout);
    return kDone;
  }
  if (parser.isSet(QStringLiteral("verbose")))
    diag::SetSink([](std::string_view t) { std::cerr << t; });

  // The parser keeps each option's values but not the order between options; the order of
  // the words is what a later value overriding an earlier one needs, and each option's own
  // values come in that order.
  Args args;
  for (const OptionDef& o : command.options) {
    const QString name = Q(Key(o));
    if (!parser.isSet(name)) continue;
    if (o.valueName.empty()) {
      args.Add(Key(o), {});
      continue;
    }
    const QStringList values = parser.values(name);
    if (!o.repeatable && values.size() > 1)
      return UsageError(Dashed(name) + " may be given once" + SeeHelp(command));
    for (const QString& v : values) {
      const std::string value = S(v);
      if (!o.choices.empty() &&
          std::find(o.choices.begin(), o.choices.end(), value) == o.choices.end()) {
        std::string known;
        for (size_t i = 0; i < o.choices.size(); ++i)
          known += (i == 0 ? "" : i + 1 == o.choices.size() ? " or " : ", ") + o.choices[i];
        return UsageError(Dashed(name) + " takes " + known + ", not '" + value + "'");
      }
      args.Add(Key(o), value);
    }
  }
  for (const QString& p : parser.positionalArguments()) args.AddPositional(S(p));

  size_t least = 0;
  bool unbounded = false;
  for (const ArgumentDef& a : command.arguments) {
    if (!a.optional) ++least;
    unbounded = unbounded || a.many;
  }
  const std::vector<std::string>& given = args.Positional();
  if (given.size() < least) {
    const ArgumentDef& missing = command.arguments[given.size()];
    return UsageError(command.name + " needs " + missing.name + ", " + missing.description +
                      SeeHelp(command));
  }
  if (!unbounded && given.size() > command.arguments.size()) {
    std::string what = std::to_string(command.arguments.size()) + " arguments";
    if (command.arguments.size() == 1) {
      std::string_view d = command.arguments.front().description;
      for (std::string_view article : {"the ", "a "})
        if (d.starts_with(article)) d.remove_prefix(article.size());
      what = "one " + std::string(d);
    }
    return UsageError(command.name + " takes " + what + ", not '" +
                      given[command.arguments.size()] + "' as well" + SeeHelp(command));
  }
  return command.run(args);
}

}  // namespace

bool Args::Has(std::string_view option) const {
  for (const auto& [name, value] : given_)
    if (name == option) return true;
  return false;
}

std::string Args::Value(std::string_view option) const {
  std::string last;
  for (const auto& [name, value] : given_)
    if (name == option) last = value;
  return last;
}

std::vector<std::string> Args::Values(std::string_view option) const {
  std::vector<std::string> values;
  for (const auto& [name, value] : given_)
    if (name == option) values.push_back(value);
  return values;
}

CommandRegistration::CommandRegistration(CommandDef def) {
  std::string name = def.name;
  Registry().insert_or_assign(std::move(name), std::move(def));
}

std::vector<const CommandDef*> Commands() {
  std::vector<const CommandDef*> all;
  for (const auto& [name, def] : Registry()) all.push_back(&def);
  return all;
}

const CommandDef* FindCommand(std::string_view name) {
  auto it = Registry().find(name);
  return it == Registry().end() ? nullptr : &it->second;
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "tarvelin: %s\n", message.c_str());
  return kUsage;
}

int Run(const std::vector<std::string>& args) {
  // The program's own options stand before the command's name.
  size_t i = 0;
  for (; i < args.size() && args[i].starts_with("-"); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      std::fputs(OverviewHelp().c_str(), stdout);
      return kDone;
    }
    if (a == "--version") {
      std::printf("tarvelin %s\n", TARVELIN_VERSION);
      return kDone;
    }
    if (a == "--verbose") {
      diag::SetSink([](std::string_view t) { std::cerr << t; });
      continue;
    }
    return UsageError("unknown option '" + a + "' (see tarvelin --help)");
  }
  if (i == args.size()) {
    std::fputs(OverviewHelp().c_str(), stderr);
    return kUsage;
  }
  const CommandDef* command = FindCommand(args[i]);
  if (command == nullptr)
    return UsageError("unknown command '" + args[i] + "' (see tarvelin --help)");
  return Dispatch(*command, std::vector<std::string>(args.begin() + long(i) + 1, args.end()));
}

}  // namespace tarvelin::cli
