// The host's File > Import through the plug-in module's tagged-text provider: the options
// dialog the host builds from the module's resource, the check box reaching the module's
// import, Cancel leaving the document alone, and where the text goes.
#include "engine_fixture.h"

#include "host/application/import_command.h"
#include "host/text/text_commands.h"

namespace tarvelin::testing {
namespace {

class ScriptedDialogs final : public DialogService {
 public:
  DialogOutcome RunModal(const DialogResource& resource, DialogController& controller) override {
    shown.push_back(resource);
    DialogFields fields;
    controller.InitializeDialogFields(fields);
    if (answer == DialogOutcome::kConfirmed) {
      for (const DialogCheckBox& box : resource.checkBoxes) fields.SetChecked(box.widgetID, force);
      controller.ApplyDialogFields(fields);
    }
    return answer;
  }
  DialogOutcome answer = DialogOutcome::kConfirmed;
  bool force = false;
  std::vector<DialogResource> shown;
};

class HostImportTest : public EngineTest {
 protected:
  void SetUp() override {
    dialogs_ = &dialogs;
    EngineTest::SetUp();
    ASSERT_EQ(InsertText({&Db(), Story()}, 0, u"Old"), kSuccess);
    Db().Commands().ClearHistory();
  }
  // A UTF-16 tagged file, in the stream's byte order, without a byte-order mark.
  std::filesystem::path TaggedFile(std::u16string_view text) {
    std::filesystem::path file = dir_ / "copy.xtg";
    std::ofstream out(file, std::ios::binary);
    for (char16_t c : text) out.put(static_cast<char>(c & 0xFF)).put(static_cast<char>(c >> 8));
    return file;
  }
  ScriptedDialogs dialogs;
};

TEST_F(HostImportTest, ImportsThroughTheModulesProviderWithItsOptions) {
  struct Case {
    const char* name;
    DialogOutcome answer;
    bool force;
    bool selectText;  // "ld" of "Old" selected instead of the frame
    ImportStatus status;
    std::u16string text;  // the story afterwards, without its end character
  };
  const Case cases[] = {
      {"ok", DialogOutcome::kConfirmed, false, false, ImportStatus::kImported, u"OldPierwszy"},
      // Forced: only 12 bytes of the UTF-16 header are skipped, in the module's import.
      {"forced", DialogOutcome::kConfirmed, true, false, ImportStatus::kImported,
       u"Old>\rPierwszy"},
      {"into a selection", DialogOutcome::kConfirmed, false, true, ImportStatus::kImported,
       u"OPierwszy"},
      {"cancelled", DialogOutcome::kCancelled, true, false, ImportStatus::kCancelled, u"Old"},
      {"no window", DialogOutcome::kNotCreated, true, false, ImportStatus::kImported,
       u"OldPierwszy"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs.answer = c.answer;
    dialogs.force = c.force;
    dialogs.shown.clear();
    if (c.selectText)
      doc_->GetSelection().SelectText(&Db(), {Story(), 1, 3});
    else
      doc_->GetSelection().SelectItems(UIDList(frame_));
    chooser_.file = TaggedFile(u"<v1.70><e1>\rPierwszy");
    const std::vector<uint8_t> before = Db().Image();

    diag::Capture capture;
    ImportOutcome outcome = RunImportCommand(*app_, ImportUILevel::kFull);
    EXPECT_EQ(outcome.status, c.status);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].titleKey, "0x113380kQXTIDialogTitleKey");
    ASSERT_EQ(dialogs.shown[0].checkBoxes.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].checkBoxes[0].labelKey, "0x113380kForceMacCEEncodingKey");
    const std::u16string text = Text(Story());
    EXPECT_EQ(text.substr(0, text.size() - 1), c.text);
    if (c.answer == DialogOutcome::kNotCreated) {
      EXPECT_NE(capture.Text().find("Could not create the dialog.\n"), std::string::npos);
    }

    if (c.status == ImportStatus::kImported) {
      // One step, and its undo gives the document back byte for byte.
      EXPECT_EQ(Db().Commands().UndoCount(), 1u);
      ASSERT_EQ(Db().Commands().Undo(), kSuccess);
      Db().Commands().ClearHistory();
    } else {
      EXPECT_EQ(Db().Commands().UndoCount(), 0u);
    }
    EXPECT_EQ(Db().Image(), before);
  }
  // The chooser offered the module's format, then every file.
  ASSERT_EQ(chooser_.filters.size(), 2u);
  EXPECT_EQ(chooser_.filters[0].description, u"Quark XPressTag Files");
  EXPECT_EQ(chooser_.filters[0].extension, "xtg");
  EXPECT_EQ(chooser_.filters[1].extension, kAnyExtension);
}

TEST_F(HostImportTest, RefusesWhatItCannotPlaceWithoutChangingTheDocument) {
  const std::vector<uint8_t> before = Db().Image();
  std::ofstream(dir_ / "note.txt") << "just words";
  EXPECT_EQ(ImportFile(*app_, dir_ / "note.txt", ImportUILevel::kFull).status,
            ImportStatus::kNoProvider);
  EXPECT_EQ(ImportFile(*app_, dir_ / "absent.xtg", ImportUILevel::kFull).status,
            ImportStatus::kUnreadable);
  doc_->GetSelection().Clear();
  EXPECT_EQ(ImportFile(*app_, TaggedFile(u"<v1.70><e1>\rx"), ImportUILevel::kFull).status,
            ImportStatus::kNoTarget);
  // Without a place for the text the chooser is not even shown.
  chooser_.filters.clear();
  EXPECT_EQ(RunImportCommand(*app_, ImportUILevel::kFull).status, ImportStatus::kNoTarget);
  EXPECT_TRUE(chooser_.filters.empty());
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(Db().Image(), before);
}

}  // namespace
}  // namespace tarvelin::testing
