// Documents and workspaces on disk: round trips, plug-in data the host does not know,
// failing saves that must leave the previous file, and files that must be refused.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "core/stream.h"
#include "core/utf16.h"
#include "host/application/host_registry.h"
#include "host/application/session_workspace.h"
#include "host/documents/document.h"
#include "host/documents/document_classes.h"
#include "host/documents/object_style.h"
#include "host/documents/page_item_commands.h"
#include "host/objects/class_registry.h"
#include "host/persistence/document_file.h"
#include "host/text/text_commands.h"

namespace tarvelin {
namespace {

namespace fs = std::filesystem;

// A record a plug-in adds to host classes: the host saves it without knowing it.
class INote : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x113390};
  virtual void Set(std::u16string text) = 0;
  virtual const std::u16string& Get() const = 0;
};
class NoteImpl final : public INote, public PersistentImpl {
 public:
  void Set(std::u16string text) override {
    PreDirty();
    text_ = std::move(text);
  }
  const std::u16string& Get() const override { return text_; }
  void ReadWrite(Stream& s, ImplementationID) override {
    uint16_t version = 1;
    s.XferInt16(version);
    s.XferText(text_);
  }

 private:
  std::u16string text_;
};
constexpr ImplementationID kNoteImpl{0x113390};

std::shared_ptr<ClassRegistry> RegistryWithNotes() {
  auto r = CreateHostRegistry();
  r->RegisterImplementation<NoteImpl>(kNoteImpl, "NoteImpl");
  r->AddIn(kPageItemClass, {{INote::kIID, kNoteImpl}});
  r->AddIn(kSessionWorkspaceClass, {{INote::kIID, kNoteImpl}});
  return r;
}

std::string ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
void WriteBytes(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

class PersistenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tarvelin-persist-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    registry_ = RegistryWithNotes();
    doc_ = Document::Create(registry_, PageSetup{}, u"Ogłoszenia");
    ASSERT_TRUE(doc_);
    UIDRef layer = doc_->DefaultSpreadLayer();
    UIDRef text, pic;
    ASSERT_EQ(CreateTextFrame(*doc_, layer, {36, 36, 300, 400}, 2, 12, &text), kSuccess);
    UID story = doc_->DataBase().Query<ITextFrame>(text.GetUID())->Story();
    ASSERT_EQ(InsertText({&doc_->DataBase(), story}, 0, u"Zażółć gęślą jaźń\rdrugi akapit"),
              kSuccess);
    ASSERT_EQ(CreateRectangleFrame(*doc_, layer, {0, 0, 50, 50}, &pic), kSuccess);
    ASSERT_EQ(ChangeToInline(*doc_, {&doc_->DataBase(), story}, 3, pic), kSuccess);
    ObjectStyleAttributes a;
    a.strokeWeight = 0.5;
    ASSERT_EQ(CreateObjectStyle(*doc_, u"Ramka ogłoszenia", a), kSuccess);
    auto note = doc_->DataBase().Query<INote>(pic.GetUID());
    ASSERT_TRUE(note);
    ASSERT_EQ(doc_->DataBase().Commands().ProcessCommand(std::make_shared<SetNote>(note)),
              kSuccess);
  }
  void TearDown() override { fs::remove_all(dir_); }

  struct SetNote : Command {
    explicit SetNote(std::shared_ptr<INote> n) : note(std::move(n)) {}
    ErrorCode Do() override {
      note->Set(u"fn=ad.jpg");
      return kSuccess;
    }
    std::shared_ptr<INote> note;
  };

  size_t FilesInDir() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }

  fs::path dir_;
  std::shared_ptr<ClassRegistry> registry_;
  std::unique_ptr<Document> doc_;
};

TEST_F(PersistenceTest, SaveLoadSaveKeepsEveryObjectByteForByte) {
  fs::path a = dir_ / "a.tvd", b = dir_ / "b.tvd";
  ASSERT_TRUE(SaveDocument(*doc_, a).Ok());
  EXPECT_EQ(doc_->File(), a);
  FileResult r;
  auto loaded = OpenDocumentFile(registry_, a, r);
  ASSERT_TRUE(loaded) << r.message;
  EXPECT_EQ(loaded->DataBase().Image(), doc_->DataBase().Image());
  EXPECT_EQ(loaded->Data()->Name(), u"Ogłoszenia");
  const std::string image = ReadBytes(a);
  auto from_memory = OpenDocumentImage(
      registry_, {reinterpret_cast<const uint8_t*>(image.data()), image.size()}, "a.tvd", r);
  ASSERT_TRUE(from_memory) << r.message;
  EXPECT_EQ(from_memory->DataBase().Image(), doc_->DataBase().Image());
  ASSERT_TRUE(SaveDocument(*loaded, b).Ok());
  FileResult r2;
  auto again = OpenDocumentFile(registry_, b, r2);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->DataBase().Image(), doc_->DataBase().Image());
  // New objects after loading get fresh UIDs.
  UIDRef f;
  ASSERT_EQ(CreateRectangleFrame(*again, again->DefaultSpreadLayer(), {0, 0, 5, 5}, &f), kSuccess);
  EXPECT_GE(f.GetUID(), doc_->DataBase().NextUID());
}

TEST_F(PersistenceTest, PlugInDataSurvivesABuildWithoutThePlugIn) {
  fs::path a = dir_ / "a.tvd", b = dir_ / "b.tvd";
  ASSERT_TRUE(SaveDocument(*doc_, a).Ok());
  FileResult r;
  auto bare = OpenDocumentFile(CreateHostRegistry(), a, r);  // the plug-in is absent
  ASSERT_TRUE(bare) << r.message;
  ASSERT_TRUE(SaveDocument(*bare, b).Ok());
  auto back = OpenDocumentFile(registry_, b, r);  // and present again
  ASSERT_TRUE(back) << r.message;
  EXPECT_EQ(back->DataBase().Image(), doc_->DataBase().Image());
  bool found = false;
  back->DataBase().ForEachObject([&](const Object& o) {
    if (auto n = o.Query<INote>(); n && n->Get() == u"fn=ad.jpg") found = true;
  });
  EXPECT_TRUE(found);
}

TEST_F(PersistenceTest, ALongStoryIsWrittenInPlaceAndReadBackWhole) {
  // Large enough to be streamed into the file rather than bound whole.
  std::u16string text;
  for (int i = 0; text.size() < 400000; ++i)
    text += u"Ogłoszenie " + Widen(std::to_string(i)) + u"\r";
  UID story = doc_->Stories()->Entries().front().story;
  ASSERT_EQ(InsertText({&doc_->DataBase(), story}, 0, text), kSuccess);
  fs::path a = dir_ / "long.tvd";
  ASSERT_TRUE(SaveDocument(*doc_, a).Ok());
  FileResult r;
  auto loaded = OpenDocumentFile(registry_, a, r);
  ASSERT_TRUE(loaded) << r.message;
  EXPECT_EQ(loaded->DataBase().Image(), doc_->DataBase().Image());

  SaveOptions small;
  small.maxPageCount = 16;  // of 32 KiB: the frames fit, the story does not
  const std::string previous = ReadBytes(a);
  r = SaveDatabase(doc_->DataBase(), a, FileKind::kDocument, small);
  EXPECT_FALSE(r.Ok());
  EXPECT_NE(r.message.find("disk is full"), std::string::npos) << r.message;
  EXPECT_EQ(ReadBytes(a), previous);
  EXPECT_EQ(FilesInDir(), 1u);
}

TEST_F(PersistenceTest, AFailingSaveLeavesThePreviousFileAndNoLitter) {
  fs::path target = dir_ / "doc.tvd";
  ASSERT_TRUE(SaveDocument(*doc_, target).Ok());
  const std::string previous = ReadBytes(target);
  // Make the document larger than the disk we allow.
  for (int i = 0; i < 200; ++i)
    ASSERT_EQ(CreateRectangleFrame(*doc_, doc_->DefaultSpreadLayer(), {0, 0, 5.0 + i, 5}),
              kSuccess);

  SaveOptions full;
  full.maxPageCount = 4;
  FileResult r = SaveDatabase(doc_->DataBase(), target, FileKind::kDocument, full);
  EXPECT_FALSE(r.Ok());
  EXPECT_NE(r.message.find("disk is full"), std::string::npos) << r.message;
  EXPECT_EQ(ReadBytes(target), previous);
  EXPECT_EQ(FilesInDir(), 1u);

  SaveOptions cancel;
  size_t calls = 0;
  cancel.progress = [&](size_t, size_t) { return ++calls < 1; };
  r = SaveDatabase(doc_->DataBase(), target, FileKind::kDocument, cancel);
  EXPECT_FALSE(r.Ok());
  EXPECT_NE(r.message.find("cancelled"), std::string::npos) << r.message;
  EXPECT_EQ(ReadBytes(target), previous);
  EXPECT_EQ(FilesInDir(), 1u);

  // A folder we may not write into: nothing is created, the reason is given.
  fs::path locked = dir_ / "locked";
  fs::create_directory(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  if (::geteuid() != 0) {
    r = SaveDatabase(doc_->DataBase(), locked / "x.tvd", FileKind::kDocument);
    EXPECT_FALSE(r.Ok());
    EXPECT_NE(r.message.find("cannot"), std::string::npos) << r.message;
  }
  fs::permissions(locked, fs::perms::owner_all);
  EXPECT_FALSE(
      SaveDatabase(doc_->DataBase(), dir_, FileKind::kDocument).Ok());  // a folder as target

  // And the previous file still opens.
  auto back = OpenDocumentFile(registry_, target, r);
  EXPECT_TRUE(back) << r.message;
}

// Runs SQL on a copy of a good file; returns the copy.
fs::path Doctored(const fs::path& good, const fs::path& out, const char* sql) {
  fs::copy_file(good, out, fs::copy_options::overwrite_existing);
  sqlite3* db = nullptr;
  sqlite3_open(out.c_str(), &db);
  EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
  sqlite3_close(db);
  return out;
}

TEST_F(PersistenceTest, BadFilesAreRefusedWithAReason) {
  fs::path good = dir_ / "good.tvd";
  ASSERT_TRUE(SaveDocument(*doc_, good).Ok());
  const std::string bytes = ReadBytes(good);
  fs::path ws = dir_ / "ws.tvw";
  auto workspace = SessionWorkspace::Create(registry_);
  ASSERT_TRUE(workspace->Save(ws).Ok());

  auto write = [&](const char* name, const std::string& content) {
    WriteBytes(dir_ / name, content);
    return dir_ / name;
  };
  // Bits flipped in the second and third pages (the page size is in the file's header).
  const size_t page =
      (static_cast<uint8_t>(bytes.at(16)) << 8) | static_cast<uint8_t>(bytes.at(17));
  std::string flipped = bytes;
  for (size_t i = page; i < flipped.size() && i < page * 3; i += 7)
    flipped[i] = static_cast<char>(~flipped[i]);
  const struct {
    fs::path file;
    const char* expect;
  } cases[] = {
      {dir_ / "missing.tvd", "does not exist"},
      {dir_, "not a file"},
      {write("empty.tvd", ""), "is empty"},
      {write("text.tvd", "hello, I am a text file and not a document at all"),
       "not a Tarvelin document"},
      {write("half.tvd", bytes.substr(0, bytes.size() / 2)), "damaged"},
      {write("header.tvd", bytes.substr(0, 100)), "damaged"},
      {write("flipped.tvd", flipped), "damaged"},
      {Doctored(good, dir_ / "foreign.tvd", "PRAGMA application_id=0"), "not a Tarvelin document"},
      {Doctored(good, dir_ / "newer.tvd", "PRAGMA user_version=99"), "newer version"},
      {Doctored(good, dir_ / "newrow.tvd", "UPDATE meta SET value='2' WHERE key='format'"),
       "newer version"},
      {Doctored(good, dir_ / "count.tvd", "UPDATE meta SET value='1' WHERE key='objectCount'"),
       "damaged"},
      {Doctored(good, dir_ / "kind.tvd", "DELETE FROM meta WHERE key='kind'"), "damaged"},
      {Doctored(good, dir_ / "trunc.tvd", "UPDATE impls SET data=substr(data,1,3) WHERE impl=528"),
       "does not load"},
      {Doctored(good, dir_ / "noroot.tvd",
                "DELETE FROM impls WHERE uid=1; DELETE FROM objects WHERE uid=1;"
                "UPDATE meta SET value=value-1 WHERE key='objectCount'"),
       "no document"},
      {ws, "workspace file, not a document"},
  };
  for (const auto& c : cases) {
    FileResult r;
    auto d = OpenDocumentFile(registry_, c.file, r);
    EXPECT_FALSE(d) << c.file;
    EXPECT_FALSE(r.Ok()) << c.file;
    EXPECT_NE(r.message.find(c.expect), std::string::npos) << c.file << ": " << r.message;
    // The same bytes from memory are refused for the same reason.
    if (!fs::is_regular_file(c.file)) continue;
    const std::string image = ReadBytes(c.file);
    FileResult m;
    EXPECT_FALSE(OpenDocumentImage(registry_,
                                   {reinterpret_cast<const uint8_t*>(image.data()), image.size()},
                                   c.file.string(), m));
    EXPECT_EQ(m.message, r.message) << c.file;
  }
  EXPECT_EQ(ReadBytes(good), bytes);  // reading never writes
}

TEST_F(PersistenceTest, TheWorkspaceKeepsPlugInPreferencesAcrossSessions) {
  fs::path file = dir_ / "sub" / "workspace.tvw";
  FileResult r;
  auto ws = SessionWorkspace::Open(registry_, file, r);  // no file yet: a fresh workspace
  ASSERT_TRUE(ws) << r.message;
  auto note = ws->DataBase().Query<INote>(ws->Root().GetUID());
  ASSERT_TRUE(note);
  ASSERT_EQ(ws->DataBase().Commands().ProcessCommand(std::make_shared<SetNote>(note)), kSuccess);
  EXPECT_FALSE(ws->Save().Ok());  // the folder does not exist
  fs::create_directories(file.parent_path());
  ASSERT_TRUE(ws->Save().Ok());

  auto again = SessionWorkspace::Open(registry_, file, r);
  ASSERT_TRUE(again) << r.message;
  EXPECT_EQ(again->DataBase().Query<INote>(again->Root().GetUID())->Get(), u"fn=ad.jpg");
  EXPECT_EQ(again->DataBase().Image(), ws->DataBase().Image());

  // A document is not a workspace; the file is left as it is.
  fs::path doc_file = dir_ / "d.tvd";
  ASSERT_TRUE(SaveDocument(*doc_, doc_file).Ok());
  EXPECT_FALSE(SessionWorkspace::Open(registry_, doc_file, r));
  EXPECT_NE(r.message.find("document file, not a workspace"), std::string::npos) << r.message;
}

}  // namespace
}  // namespace tarvelin

namespace tarvelin {
namespace {

// Damaged copies of a good file, byte flips and cuts at random places (a fixed seed):
// each must load or be refused, never crash or hang, and a loaded one must save again.
TEST_F(PersistenceTest, RandomlyDamagedFilesNeverCrash) {
  fs::path good = dir_ / "good.tvd";
  ASSERT_TRUE(SaveDocument(*doc_, good).Ok());
  const std::string bytes = ReadBytes(good);
  std::mt19937 rng(20261208);
  int refused = 0, loaded = 0;
  for (int round = 0; round < 150; ++round) {
    std::string copy = bytes;
    if (round % 5 == 4) {
      copy.resize(std::uniform_int_distribution<size_t>(0, copy.size() - 1)(rng));
    } else {
      int flips = 1 + round % 8;
      for (int i = 0; i < flips; ++i) {
        size_t at = std::uniform_int_distribution<size_t>(0, copy.size() - 1)(rng);
        copy[at] = static_cast<char>(rng());
      }
    }
    fs::path file = dir_ / "damaged.tvd";
    WriteBytes(file, copy);
    FileResult r;
    auto doc = OpenDocumentFile(registry_, file, r);
    if (!doc) {
      ++refused;
      EXPECT_FALSE(r.message.empty());
      continue;
    }
    ++loaded;
    EXPECT_TRUE(SaveDocument(*doc, dir_ / "resaved.tvd").Ok());
  }
  EXPECT_GT(refused, 0);
  EXPECT_EQ(refused + loaded, 150);
}

}  // namespace
}  // namespace tarvelin
