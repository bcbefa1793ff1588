// tarvelin dump DOC.tvd: a document as JSON: pages, every frame with its geometry,
// content and styling, every story with its text and formatting, the styles and swatches.
// The format is in docs/json-format.md and stays stable.
#include "cmd_dump.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_app.h"
#include "cli_host.h"
#include "core/utf16.h"
#include "host/documents/document.h"
#include "host/documents/object_style.h"
#include "host/documents/page_item.h"
#include "host/documents/spread.h"
#include "host/persistence/document_file.h"
#include "host/text/style_table.h"
#include "host/text/swatch_list.h"
#include "host/text/text_model.h"
#include "json_document.h"

namespace tarvelin::cli {

namespace {

using Inline = JsonWriter::Layout;

std::vector<std::pair<std::string, DumpMemberFn>>& Members() {
  static std::vector<std::pair<std::string, DumpMemberFn>> members;
  return members;
}

void WriteRect(JsonWriter& json, const PMRect& r) {
  json.BeginArray(Inline::kInline);
  for (double v : {r.left, r.top, r.right, r.bottom}) json.Double(v);
  json.EndArray();
}

void WriteInsets(JsonWriter& json, const Insets& r) {
  json.BeginArray(Inline::kInline);
  for (double v : r.ToArray()) json.Double(v);
  json.EndArray();
}

// A swatch W, or null when `uid` is none or not a swatch.
void WriteSwatchOrNull(JsonWriter& json, const Database& db, UID uid) {
  auto swatch = db.Query<ISwatch>(uid);
  if (!swatch) {
    json.Null();
    return;
  }
  WriteSwatch(json, *swatch);
}

class Dumper {
 public:
  explicit Dumper(Document& doc)
      : doc_(doc), db_(doc.DataBase()), ws_(doc.TextWorkspaceRefs()), resolver_(db_, ws_) {}

  std::string Run() {
    json_.BeginObject();
    json_.Key("document");
    json_.BeginObject();
    json_.Key("name");
    json_.String(doc_.Data()->Name());
    json_.Key("file");
    json_.String(doc_.File().string());
    json_.EndObject();
    Pages();
    Frames();
    Stories();
    Styles("paragraphStyles", ws_.paragraphStyles);
    Styles("characterStyles", ws_.characterStyles);
    ObjectStyles();
    Swatches();
    json_.EndObject();
    return json_.Text();
  }

 private:
  void Pages() {
    json_.Key("pages");
    json_.BeginArray();
    for (const PageRef& p : DocumentPages(doc_)) {
      json_.BeginObject(Inline::kInline);
      json_.Key("index");
      json_.Int(p.documentIndex);
      json_.Key("bounds");
      WriteRect(json_, p.page.bounds);
      json_.Key("margins");
      WriteInsets(json_, p.page.margins);
      json_.Key("columns");
      json_.Int(p.page.columns);
      json_.Key("gutter");
      json_.Double(p.page.gutter);
      json_.EndObject();
    }
    json_.EndArray();
  }

  // The page an item shows on: a free item's own, an inline item's outermost frame's.
  int32_t PageOf(UID item) {
    UID spread = SpreadOf(doc_, item);
    UID top = item;
    for (int depth = 0; depth < 70; ++depth) {
      auto pi = db_.Query<IPageItem>(top);
      if (!pi || pi->AnchorStory() == kInvalidUID) break;
      auto frames = StoryThread(doc_, pi->AnchorStory());
      if (frames.empty()) return -1;
      top = frames.front();
    }
    auto pi = db_.Query<IPageItem>(top);
    if (spread == kInvalidUID || !pi) return -1;
    return PageOfRect(doc_, spread, pi->Bounds()).documentIndex;
  }

  void Frames() {
    json_.Key("frames");
    json_.BeginArray();
    db_.ForEachObject([&](const Object& o) {
      if (o.Has(IGraphicAttributes::kIID)) Frame(o.GetUID());
    });
    json_.EndArray();
  }

  void Frame(UID uid) {
    auto item = db_.Query<IPageItem>(uid);
    auto g = db_.Query<IGraphicAttributes>(uid);
    auto t = db_.Query<ITextFrame>(uid);
    if (!item || !g || !t) return;
    json_.BeginObject();
    json_.Key("uid");
    json_.Int(uid);
    json_.Key("page");
    if (int32_t page = PageOf(uid); page >= 0)
      json_.Int(page);
    else
      json_.Null();
    json_.Key("bounds");
    WriteRect(json_, item->Bounds());
    json_.Key("kind");
    json_.String(FrameKindName(KindOf(db_, uid)));
    json_.Key("columns");
    json_.Int(t->Columns());
    json_.Key("gutter");
    json_.Double(t->Gutter());
    json_.Key("story");
    if (t->Story() != kInvalidUID)
      json_.Int(t->Story());
    else
      json_.Null();
    json_.Key("previousFrame");
    t->PreviousFrame() ? json_.Int(t->PreviousFrame()) : json_.Null();
    json_.Key("nextFrame");
    t->NextFrame() ? json_.Int(t->NextFrame()) : json_.Null();
    json_.Key("inline");
    if (UID anchor = item->AnchorStory(); anchor != kInvalidUID) {
      json_.BeginObject(Inline::kInline);
      json_.Key("story");
      json_.Int(anchor);
      json_.Key("index");
      auto model = db_.Query<ITextModel>(anchor);
      auto at = model ? model->FindInlineObject(uid) : std::nullopt;
      at ? json_.Int(static_cast<int64_t>(*at)) : json_.Null();
      json_.EndObject();
    } else {
      json_.Null();
    }
    json_.Key("fill");
    WriteSwatchOrNull(json_, db_, g->FillSwatch());
    json_.Key("stroke");
    WriteSwatchOrNull(json_, db_, g->StrokeSwatch());
    json_.Key("strokeWeight");
    json_.Double(g->StrokeWeight());
    json_.Key("insets");
    WriteInsets(json_, t->TextInsets());
    json_.Key("wrap");
    json_.BeginObject(Inline::kInline);
    json_.Key("mode");
    json_.String(WrapModeName(g->Wrap()));
    json_.Key("offsets");
    WriteInsets(json_, g->WrapOffsets());
    json_.EndObject();
    json_.Key("objectStyle");
    if (auto style = db_.Query<IObjectStyle>(g->ObjectStyle()))
      json_.String(style->Name());
    else
      json_.Null();
    json_.Key("image");
    Image(uid);
    for (const auto& [name, fn] : Members()) {
      json_.Key(name);
      fn(json_, db_, uid);
    }
    json_.EndObject();
  }

  void Image(UID frame) {
    UID image = ImageOf(db_, frame);
    auto item = db_.Query<IPageItem>(image);
    auto data = db_.Query<IImageItem>(image);
    if (!item || !data) {
      json_.Null();
      return;
    }
    json_.BeginObject();
    json_.Key("file");
    json_.String(data->File());
    json_.Key("bounds");
    WriteRect(json_, item->Bounds());
    auto [sx, sy] = ImageScale(db_, image);
    json_.Key("scale");
    json_.BeginArray(Inline::kInline);
    json_.Double(sx);
    json_.Double(sy);
    json_.EndArray();
    json_.Key("naturalSize");
    json_.BeginArray(Inline::kInline);
    json_.Double(data->NaturalWidth());
    json_.Double(data->NaturalHeight());
    json_.EndArray();
    json_.Key("pixelSize");
    json_.BeginArray(Inline::kInline);
    json_.Int(data->PixelWidth());
    json_.Int(data->PixelHeight());
    json_.EndArray();
    json_.Key("format");
    json_.String(data->Format());
    json_.Key("placed");
    json_.Bool(true);
    json_.Key("found");
    std::error_code ec;
    json_.Bool(std::filesystem::exists(std::filesystem::path(ToUtf8(data->File())), ec));
    json_.EndObject();
  }

  // One run R: range, style, local overrides and the resolved value of every kind of
  // its level (paragraph kinds for paragraphs, the others for character runs).
  void Run(const ITextModel& story, size_t start, size_t end, UID style,
           const AttributeList& overrides, bool paragraph) {
    json_.BeginObject();
    WriteRunMembers(json_, db_, start, end, style, overrides, RuleMembers::kFlat);
    json_.Key("resolved");
    json_.BeginObject(Inline::kInline);
    for (size_t k = 0; k < kAttrKindCount; ++k) {
      AttrKind kind = static_cast<AttrKind>(k);
      if (IsParagraphKind(kind) != paragraph) continue;
      json_.Key(AttrKindName(kind));
      WriteAttributeValue(json_, db_, resolver_.Effective(story, start, kind));
    }
    json_.EndObject();
    json_.EndObject();
  }

  void Stories() {
    json_.Key("stories");
    json_.BeginArray();
    for (const StoryEntry& e : doc_.Stories()->Entries()) {
      auto story = db_.Query<ITextModel>(e.story);
      if (!story || story->TotalLength() == 0) continue;
      const size_t total = story->TotalLength();
      json_.BeginObject();
      json_.Key("uid");
      json_.Int(e.story);
      json_.Key("text");
      json_.String(story->Text(0, total - 1));
      json_.Key("paragraphs");
      json_.BeginArray();
      for (size_t i = 0; i < total;) {
        TextRange p = story->ParagraphAt(i);
        if (p.length == 0) break;
        Run(*story, p.start, p.End(), story->ParagraphStyleAt(i), story->ParagraphOverridesAt(i),
            true);
        i = std::max(i + 1, p.End());  // always forward, whatever a damaged story answers
      }
      json_.EndArray();
      json_.Key("runs");
      json_.BeginArray();
      for (size_t i = 0; i < total;) {
        TextRange r = story->CharacterRunAt(i);
        if (r.length == 0) break;
        Run(*story, r.start, r.End(), story->CharacterStyleAt(i), story->CharacterOverridesAt(i),
            false);
        i = std::max(i + 1, r.End());
      }
      json_.EndArray();
      json_.Key("anchors");
      json_.BeginArray(Inline::kInline);
      for (const Anchor& a : story->InlineObjectsIn(0, total)) {
        json_.BeginArray(Inline::kInline);
        json_.Int(static_cast<int64_t>(a.position));
        json_.Int(a.uid);
        json_.EndArray();
      }
      json_.EndArray();
      json_.Key("frames");
      json_.BeginArray(Inline::kInline);
      for (const ColumnFrame& c : StoryFrameList(doc_, e.story)) WriteRect(json_, c.bounds);
      json_.EndArray();
      json_.EndObject();
    }
    json_.EndArray();
  }

  void Styles(const char* member, UID table_uid) {
    json_.Key(member);
    json_.BeginArray();
    if (auto table = db_.Query<IStyleTable>(table_uid)) {
      for (const auto& [name, uid] : table->Styles()) {
        auto style = db_.Query<IStyle>(uid);
        if (!style) continue;
        json_.BeginObject(Inline::kInline);
        json_.Key("name");
        json_.String(name);
        json_.Key("parent");
        if (style->Parent() != kInvalidUID)
          json_.String(StyleName(db_, style->Parent()));
        else
          json_.Null();
        json_.Key("attributes");
        WriteAttributes(json_, db_, style->Attributes(), RuleMembers::kFlat);
        json_.EndObject();
      }
    }
    json_.EndArray();
  }

  void ObjectStyles() {
    json_.Key("objectStyles");
    json_.BeginArray();
    for (UID uid : doc_.Data()->ObjectStyles()) {
      auto style = db_.Query<IObjectStyle>(uid);
      if (!style) continue;
      const ObjectStyleAttributes& a = style->Attributes();
      json_.BeginObject();
      json_.Key("name");
      json_.String(style->Name());
      if (a.fill) {
        json_.Key("fill");
        WriteSwatchOrNull(json_, db_, *a.fill);
      }
      if (a.stroke) {
        json_.Key("stroke");
        WriteSwatchOrNull(json_, db_, *a.stroke);
      }
      if (a.strokeWeight) {
        json_.Key("strokeWeight");
        json_.Double(*a.strokeWeight);
      }
      if (a.insets) {
        json_.Key("insets");
        WriteInsets(json_, *a.insets);
      }
      if (a.wrapMode) {
        json_.Key("wrap");
        json_.BeginObject(Inline::kInline);
        json_.Key("mode");
        json_.String(WrapModeName(*a.wrapMode));
        json_.Key("offsets");
        WriteInsets(json_, a.wrapOffsets);
        json_.EndObject();
      }
      json_.EndObject();
    }
    json_.EndArray();
  }

  void Swatches() {
    json_.Key("swatches");
    json_.BeginArray();
    if (auto list = db_.Query<ISwatchList>(ws_.swatches))
      for (UID uid : list->Swatches()) WriteSwatchOrNull(json_, db_, uid);
    json_.EndArray();
  }

  Document& doc_;
  Database& db_;
  TextWorkspace ws_;
  TextResolver resolver_;
  JsonWriter json_;
};

int Dump(const Args& parsed) {
  const std::vector<std::string>& args = parsed.Positional();
  // The plug-ins' classes let their members read their records; without them the records
  // are kept as stored and only the host's fields are shown. A fresh workspace, never saved.
  std::string why;
  auto host = CliHost::StartPlugInsIfAny(
      "dump", {.platform = false, .workspace = std::filesystem::path()}, &why);
  if (!host) return UsageError("the host classes could not be registered");
  auto registry = host->App().Registry();
  FileResult result;
  auto doc = OpenDocumentFile(registry, args[0], result);
  if (!doc) return UsageError(result.message);
  std::string text = Dumper(*doc).Run();
  text += '\n';
  std::fwrite(text.data(), 1, text.size(), stdout);
  return std::fflush(stdout) == 0 ? kDone : kUsage;
}

CommandRegistration registration({
    .name = "dump",
    .summary = "a document as JSON (docs/json-format.md)",
    .arguments = {{"DOC.tvd", "a saved document"}},
    .run = Dump,
});

}  // namespace

DumpMemberRegistration::DumpMemberRegistration(const char* name, DumpMemberFn fn) {
  Members().emplace_back(name, std::move(fn));
}

}  // namespace tarvelin::cli
