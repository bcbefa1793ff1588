// tarvelin tags FILE.xtg [--force-macce]: imports a tagged-text file through the import
// provider into a new story of a new document and prints what the import made, as JSON:
// the text, its paragraph and character runs, the styles and swatches that exist
// afterwards, the end report and the fonts not found. docs/json-format.md holds the format.
//
// Exit codes: 0 imported, 1 imported with an end report (styles or swatches that already
// existed), 2 bad usage, an unreadable file or one that is not tagged text.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_app.h"
#include "cli_host.h"
#include "core/alert.h"
#include "core/stream.h"
#include "core/utf16.h"
#include "host/documents/document.h"
#include "host/text/style_table.h"
#include "host/text/swatch_list.h"
#include "host/text/text_model.h"
#include "json_document.h"
#include "json_writer.h"
#include "layout/qt_font_catalogue.h"
#include "tagged/qxt_import_provider.h"

namespace tarvelin::cli {

namespace {

using Inline = JsonWriter::Layout;

// The options dialog of a batch run: OK, with the check box as the command line says.
class FlagDialog final : public QXTOptionsDialog {
 public:
  explicit FlagDialog(bool forceMacCE) : force_(forceMacCE) {}
  bool Run(QXTIDialogController& controller) override {
    controller.ApplyDialogFields(force_);
    return true;
  }

 private:
  bool force_;
};

// Keeps the end report's text for the JSON instead of printing it.
class KeptAlerts final : public AlertService {
 public:
  void Information(const std::u16string& text) override { texts.push_back(text); }
  AlertAnswer ThreeButtons(const std::u16string&, const std::u16string&) override {
    return AlertAnswer::kContinue;
  }
  std::vector<std::u16string> texts;
};

class TagsWriter {
 public:
  TagsWriter(JsonWriter& json, Database& db, const TextWorkspace& ws)
      : json_(json), db_(db), ws_(ws) {}

  // An attribute object: the kinds by name, a rule's seven kinds as one rule object.
  void Attributes(const AttributeList& list) {
    WriteAttributes(json_, db_, list, RuleMembers::kGrouped);
  }

  void Run(size_t start, size_t end, UID style, const AttributeList& overrides) {
    json_.BeginObject(Inline::kInline);
    WriteRunMembers(json_, db_, start, end, style, overrides, RuleMembers::kGrouped);
    json_.EndObject();
  }

  // Runs cover the text without its end-of-story character; every paragraph is listed,
  // the last one even when it is empty.
  void Story(const ITextModel& story) {
    const size_t length = story.EndPosition();
    json_.Key("text");
    json_.String(story.Text(0, length));
    json_.Key("paragraphs");
    json_.BeginArray();
    for (size_t i = 0; i <= length;) {
      TextRange p = story.ParagraphAt(i);
      Run(p.start, std::min(p.End(), length), story.ParagraphStyleAt(i),
          story.ParagraphOverridesAt(i));
      i = p.End();
    }
    json_.EndArray();
    json_.Key("runs");
    json_.BeginArray();
    for (size_t i = 0; i < length;) {
      TextRange r = story.CharacterRunAt(i);
      Run(i, std::min(r.End(), length), story.CharacterStyleAt(i), story.CharacterOverridesAt(i));
      i = r.End();
    }
    json_.EndArray();
  }

  void Styles(StyleKind kind) {
    json_.Key(kind == StyleKind::kParagraph ? "paragraphStyles" : "characterStyles");
    json_.BeginArray();
    if (auto table = StyleTableOf(db_, ws_, kind)) {
      for (const auto& [name, uid] : table->Styles()) {
        auto style = db_.Query<IStyle>(uid);
        if (!style) continue;
        json_.BeginObject();
        json_.Key("name");
        json_.String(name);
        json_.Key("parent");
        auto parent = db_.Query<IStyle>(style->Parent());
        parent ? json_.String(parent->Name()) : json_.Null();
        if (parent && parent->Kind() != kind) {
          json_.Key("parentKind");
          json_.String(parent->Kind() == StyleKind::kParagraph ? "paragraph" : "character");
        }
        json_.Key("attributes");
        Attributes(style->Attributes());
        json_.EndObject();
      }
    }
    json_.EndArray();
  }

  void Swatches() {
    json_.Key("swatches");
    json_.BeginArray();
    if (auto list = db_.Query<ISwatchList>(ws_.swatches)) {
      for (UID uid : list->Swatches()) {
        if (auto swatch = db_.Query<ISwatch>(uid)) WriteSwatch(json_, *swatch);
      }
    }
    json_.EndArray();
  }

  void Names(const char* key, const std::vector<std::u16string>& names) {
    json_.Key(key);
    json_.BeginArray(Inline::kInline);
    for (const auto& n : names) json_.String(n);
    json_.EndArray();
  }

 private:
  JsonWriter& json_;
  Database& db_;
  TextWorkspace ws_;
};

int Tags(const Args& args) {
  const std::string file = args.Positional().front();
  const bool force_macce = args.Has("force-macce");
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec)) return UsageError(file + " is a folder");
  auto stream = FileStream::OpenRead(file);
  if (!stream) return UsageError(file + ": cannot be opened");

  // The import needs the platform's fonts, neither plug-ins nor the user's workspace.
  // Alerts are kept for the report instead of being written out.
  KeptAlerts alerts;
  std::string why;
  auto host = CliHost::Start(
      {.plugIns = false, .workspace = std::filesystem::path(), .alerts = &alerts}, &why);
  if (!host) return UsageError(why);
  QXTImportProvider provider(host->Fonts());
  if (provider.CanImportThisStream(*stream) == 0) {
    return UsageError(file +
                      ": not a tagged-text file (it must begin with \"<v\", in a single-byte "
                      "encoding, in UTF-16 little-endian without a byte-order mark or in UTF-8 "
                      "after a byte-order mark)");
  }

  auto doc = Document::Create(host->App().Registry(), PageSetup{},
                              FromUtf8(std::filesystem::path(file).stem().string()));
  if (!doc) return UsageError("a document could not be created");
  Database& db = doc->DataBase();
  const TextWorkspace ws = doc->TextWorkspaceRefs();

  FlagDialog dialog(force_macce);
  provider.SetOptionsDialog(&dialog);
  UIDRef story;
  ErrorCode e = provider.Import(db, ws, *stream, ImportUILevel::kFull, story);
  if (e != kSuccess) {
    return UsageError(file + ": the import failed (" + ErrorCodeName(e) + ")");
  }
  auto model = QueryInterface<ITextModel>(story);
  if (!model) return UsageError(file + ": the import gave no story");

  const QXTImportReport& report = provider.LastReport();
  JsonWriter json;
  TagsWriter out(json, db, ws);
  json.BeginObject();
  json.Key("file");
  json.String(file);
  json.Key("encoding");
  json.String(provider.Encoding() == DetectedEncoding::kUnicode    ? "UTF-16"
              : provider.Encoding() == DetectedEncoding::kUtf8Mark ? "UTF-8 mark"
                                                                   : "single-byte");
  out.Story(*model);
  out.Styles(StyleKind::kParagraph);
  out.Styles(StyleKind::kCharacter);
  out.Swatches();
  json.Key("report");
  json.BeginObject();
  out.Names("characterStyles", report.characterStyles);
  out.Names("paragraphStyles", report.paragraphStyles);
  out.Names("colorSwatches", report.colorSwatches);
  json.Key("message");
  json.String(alerts.texts.empty() ? std::u16string() : alerts.texts.front());
  json.Key("encoding");
  json.String(report.encoding);
  json.EndObject();
  out.Names("missingFonts", report.missingFonts);
  json.EndObject();
  std::fputs(json.Text().c_str(), stdout);
  std::fputs("\n", stdout);
  return report.Empty() ? kDone : kDoneWithWarnings;
}

CommandRegistration registration({
    .name = "tags",
    .summary = "import tagged text into a new story and show it (JSON)",
    .arguments = {{"FILE.xtg", "a tagged-text file"}},
    .options = {{{"force-macce"}, "", "read the file as Mac Central European"}},
    .run = Tags,
});

}  // namespace

}  // namespace tarvelin::cli
