// A running host with the plug-in module loaded, one document with a text frame, and
// scripted stand-ins for the platform services the engine calls on.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "attributes/advertisement_attributes.h"
#include "core/alert.h"
#include "core/diagnostics.h"
#include "core/import_log.h"
#include "core/progress.h"
#include "engine/engine_run.h"
#include "host/application/active_context.h"
#include "host/application/application.h"
#include "host/application/image_probe.h"
#include "host/application/layout_service.h"
#include "host/application/ui_services.h"
#include "host/documents/document.h"
#include "host/documents/document_story.h"
#include "host/documents/page_item.h"
#include "host/documents/page_item_commands.h"
#include "host/objects/database.h"
#include "host/text/text_model.h"
#include "preferences/preference_data.h"
#include "shell/plugin_ids.h"

namespace tarvelin::testing {

// Reads the size of a PNG from its header; anything else cannot be read.
class FakeImageProbe final : public ImageProbe {
 public:
  ImageInfo Probe(const std::filesystem::path& file) const override {
    ImageInfo info;
    std::ifstream in(file, std::ios::binary);
    unsigned char h[24] = {};
    if (!in.read(reinterpret_cast<char*>(h), sizeof h) || h[0] != 0x89 || h[1] != 'P' ||
        h[12] != 'I' || h[13] != 'H') {
      info.error = "not a PNG image";
      return info;
    }
    auto be = [&](int at) {
      return static_cast<int>((h[at] << 24) | (h[at + 1] << 16) | (h[at + 2] << 8) | h[at + 3]);
    };
    info.ok = true;
    info.format = "png";
    info.pixelWidth = be(16);
    info.pixelHeight = be(20);
    info.widthPt = info.pixelWidth;
    info.heightPt = info.pixelHeight;
    return info;
  }
};

inline void WritePng(const std::filesystem::path& file, uint32_t width, uint32_t height) {
  std::vector<unsigned char> b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A,
                                  0,    0,   0,   13,  'I',  'H',  'D',  'R'};
  for (uint32_t v : {width, height})
    for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<unsigned char>(v >> s));
  for (int c : {8, 6, 0, 0, 0, 0, 0, 0, 0}) b.push_back(static_cast<unsigned char>(c));
  for (int c : {0, 0, 0, 0, int{'I'}, int{'E'}, int{'N'}, int{'D'}, 0xAE, 0x42, 0x60, 0x82})
    b.push_back(static_cast<unsigned char>(c));
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

struct FitCall {
  UID frame;
  FitType type;
  double width;
};

// Records fittings; a text frame fitted to its content gets a fixed height.
class FakeLayout final : public LayoutService {
 public:
  ErrorCode Compose(Document&, const ComposeOptions&) override {
    ++composed;
    return kSuccess;
  }
  StoryFit StoryState(const Document&, UID) const override { return {}; }
  ErrorCode Fit(Document& doc, const UIDRef& frame, FitType type, double width) override {
    calls.push_back({frame.GetUID(), type, width});
    if (type == FitType::kFrameToContent &&
        KindOf(doc.DataBase(), frame.GetUID()) == FrameKind::kText) {
      auto item = doc.DataBase().Query<IPageItem>(frame.GetUID());
      PMRect b = item->Bounds();
      b.bottom = b.top + 40;
      return SetBounds(doc, frame, b);
    }
    return kSuccess;
  }
  void Release(Document&) override {}

  std::vector<FitCall> calls;
  int composed = 0;
};

class FakeChooser final : public FileChooser {
 public:
  std::optional<std::filesystem::path> ChooseFileToOpen(const std::u16string&,
                                                        const std::vector<FileFilter>& f) override {
    filters = f;
    return file;
  }
  std::optional<std::filesystem::path> ChooseFolder(const std::u16string&,
                                                    const std::filesystem::path&) override {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> file;
  std::vector<FileFilter> filters;
};

class FakeAlerts final : public AlertService {
 public:
  void Information(const std::u16string& text) override { information.push_back(text); }
  AlertAnswer ThreeButtons(const std::u16string& title, const std::u16string& text) override {
    titles.push_back(title);
    shown.push_back(text);
    if (answers.empty()) return AlertAnswer::kContinue;
    AlertAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::vector<std::u16string> information;
  std::vector<std::u16string> titles;
  std::vector<std::u16string> shown;
  std::deque<AlertAnswer> answers;
};

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("tarvelin_engine_" + std::to_string(::getpid()) + "_" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "cache");
    ::setenv("XDG_CACHE_HOME", (dir_ / "cache").c_str(), 1);
    // The scratch copy of a frame file is named after it in the user's data folder: tests
    // running at the same time would otherwise rewrite each other's ad.rmk there.
    std::filesystem::create_directories(dir_ / "data");
    ::setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
    StartOptions options;
    options.plugInFolder = std::filesystem::path(TARVELIN_PLUGIN_MODULE).parent_path();
    options.workspaceFile = std::filesystem::path();
    options.services.images = images_ ? images_ : &probe_;
    options.services.layout = &layout_;
    options.services.chooser = &chooser_;
    options.services.alerts = &alerts_;
    options.services.dialogs = dialogs_;
    std::string error;
    app_ = Application::Start(options, &error);
    ASSERT_TRUE(app_) << error;
    doc_ = app_->Context().OpenDocument(Document::Create(app_->Registry(), PageSetup{}, u"Ad"));
    ASSERT_NE(doc_, nullptr);
    ASSERT_EQ(
        CreateTextFrame(*doc_, doc_->DefaultSpreadLayer(), {36, 36, 559, 800}, 1, 12, &frame_),
        kSuccess);
    doc_->DataBase().Commands().ClearHistory();
    doc_->GetSelection().SelectItems(UIDList(frame_));
  }

  void TearDown() override {
    KInDesignCommon::CloseLog();
    app_.reset();
    std::filesystem::remove_all(dir_);
  }

  Database& Db() { return doc_->DataBase(); }
  UID Story() { return Db().Query<ITextFrame>(frame_.GetUID())->Story(); }
  std::shared_ptr<ITextModel> Model(UID story) { return Db().Query<ITextModel>(story); }
  std::u16string Text(UID story) {
    auto m = Model(story);
    return m->Text(0, m->TotalLength());
  }

  // Writes a frame file (single-byte, CR LF line ends) and makes the chooser give it.
  std::filesystem::path FrameFile(const std::string& body, const std::string& name = "ad.rmk") {
    std::filesystem::path file = dir_ / name;
    std::ofstream(file, std::ios::binary) << "<v1.70><e1>\r\n" << body;
    chooser_.file = file;
    return file;
  }

  void SetImageFolders(const std::vector<std::pair<int, std::filesystem::path>>& folders) {
    std::vector<PreferenceEdit> edits;
    for (const auto& [n, path] : folders) {
      std::filesystem::create_directories(path);
      edits.push_back({u"image_folder" + std::u16string(1, static_cast<char16_t>(u'0' + n)),
                       std::u16string(path.u16string())});
    }
    ASSERT_EQ(ChangePreferences(app_->Workspace(), edits), kSuccess);
  }

  bool Perform(ActionID action) {
    diag::Capture quiet;
    diagnostics_.clear();
    bool ok = app_->Actions().PerformAction(action);
    diagnostics_ = quiet.Text();
    return ok;
  }

  const RunReport& Report() {
    auto component = app_->Actions().Component(plugin_ids::kActionComponentClass);
    auto* report = dynamic_cast<IVorrinRunReport*>(component.get());
    EXPECT_NE(report, nullptr);
    static const RunReport kNone;
    return report ? report->LastRunReport() : kNone;
  }

  // The lines of a log file without its two header lines.
  std::vector<std::u16string> LogLines(const std::filesystem::path& file) {
    std::vector<std::u16string> lines =
        KInDesignCommon::SplitLogLines(KInDesignCommon::ReadLogText(file));
    EXPECT_GE(lines.size(), 2u);
    if (lines.size() >= 2) {
      EXPECT_EQ(lines[0], u"// ----");
      lines.erase(lines.begin(), lines.begin() + 2);
    }
    return lines;
  }

  std::vector<UID> Inline(UID story) { return story::AnchoredItems(Db(), story); }

  std::vector<std::pair<std::u16string, std::u16string>> Attributes(UID item) {
    std::vector<std::pair<std::u16string, std::u16string>> out;
    auto record = Db().Query<IAdvertisementAttributes>(item);
    if (!record) return out;
    const KDictionary& d = record->Attributes();
    for (size_t i = 0; i < d.Keys().size(); ++i) out.emplace_back(d.Keys()[i], d.Values()[i]);
    return out;
  }
  std::u16string Attribute(UID item, std::u16string_view key) {
    auto record = Db().Query<IAdvertisementAttributes>(item);
    const std::u16string* v = record ? record->GetAttribute(key) : nullptr;
    return v ? *v : u"<absent>";
  }

  std::filesystem::path dir_;
  std::unique_ptr<Application> app_;
  FakeImageProbe probe_;
  // Set by a fixture that wants its own probe, before EngineTest::SetUp.
  ImageProbe* images_ = nullptr;
  // The plug-ins' dialogs, likewise; none by default.
  DialogService* dialogs_ = nullptr;
  FakeLayout layout_;
  FakeChooser chooser_;
  FakeAlerts alerts_;
  Document* doc_ = nullptr;
  UIDRef frame_;
  std::string diagnostics_;
};

}  // namespace tarvelin::testing
