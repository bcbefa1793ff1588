// Story edits as their users make them: the tagged-text import's placeholder edits, inline
// anchors, moves, persistence and refused input.
#include "core/diagnostics.h"
#include "core/stream.h"
#include "host/text/text_commands.h"
#include "story_test_support.h"

namespace tarvelin::testing {
namespace {

const AttributeList kBold{Attribute::Text(AttrKind::kFontStyle, u"Bold")};
const AttributeList kBig{Attribute::Double(AttrKind::kPointSize, 20)};

class StoryEditTest : public ::testing::Test {
 protected:
  StoryEditTest() : registry_(TextRegistry()), db_(registry_), story_(CreateStory(db_)) {}

  ITextModel& Model() { return *QueryInterface<ITextModel>(story_); }
  size_t End() { return Model().EndPosition(); }

  // What the tagged-text import does for a pending list: insert a placeholder at the end,
  // apply to it, delete it.
  void ApplyAtEnd(const AttributeList& list) {
    ASSERT_EQ(kSuccess, InsertText(story_, End(), u"d"));
    ASSERT_EQ(kSuccess, ApplyTextAttributes(story_, End() - 1, 1, list, TextLevel::kCharacter));
    ASSERT_EQ(kSuccess, DeleteText(story_, End() - 1, 1));
  }
  void ClearAtEnd(const AttrKindSet& kinds) {
    ASSERT_EQ(kSuccess, InsertText(story_, End(), u"d"));
    ASSERT_EQ(kSuccess, ClearTextOverrides(story_, End() - 1, 1, kinds, TextLevel::kCharacter));
    ASSERT_EQ(kSuccess, DeleteText(story_, End() - 1, 1));
  }

  std::shared_ptr<ClassRegistry> registry_;
  Database db_;
  UIDRef story_;
};

TEST_F(StoryEditTest, PendingAttributesAtTheEndReachTheNextText) {
  ASSERT_EQ(kSuccess, InsertText(story_, End(), u"plain "));
  ApplyAtEnd(kBold);
  EXPECT_EQ(kBold, Model().CharacterOverridesAt(End()));  // the insertion point carries it
  ASSERT_EQ(kSuccess, InsertText(story_, End(), u"bold"));
  ApplyAtEnd(kBig);
  ASSERT_EQ(kSuccess, InsertText(story_, End(), u"big"));
  ClearAtEnd(KindSetOf({AttrKind::kFontStyle}));
  ASSERT_EQ(kSuccess, InsertText(story_, End(), u"x"));
  ClearAtEnd(AllAttrKinds());
  ASSERT_EQ(kSuccess, InsertText(story_, End(), u"y"));

  EXPECT_EQ(u"plain boldbigxy\r", Model().Text(0, Model().TotalLength()));
  AttributeList bold_big = kBold;
  bold_big.Merge(kBig);
  struct Expect {
    size_t index;
    AttributeList overrides;
  } expects[] = {{0, {}}, {6, kBold}, {10, bold_big}, {13, kBig}, {14, {}}, {15, {}}};
  for (const auto& e : expects)
    EXPECT_EQ(e.overrides, Model().CharacterOverridesAt(e.index)) << "at " << e.index;
  EXPECT_EQ(6u, Model().CharacterRunAt(7).start);
  EXPECT_EQ(4u, Model().CharacterRunAt(7).length);
}

TEST_F(StoryEditTest, ParagraphLevelActsOnWholeParagraphs) {
  ASSERT_EQ(kSuccess, InsertText(story_, 0, u"one\rtwo\rthree"));
  AttributeList centre{Attribute::Int(AttrKind::kAlignment, 1)};
  // An empty range at the end: the last paragraph.
  ASSERT_EQ(kSuccess, ApplyTextAttributes(story_, End(), 0, centre, TextLevel::kParagraph));
  EXPECT_TRUE(Model().ParagraphOverridesAt(0).empty());
  EXPECT_EQ(centre, Model().ParagraphOverridesAt(8));
  // A range from the middle of "one" into "two": both.
  ASSERT_EQ(kSuccess, ApplyTextAttributes(story_, 2, 3, kBig, TextLevel::kParagraph));
  EXPECT_EQ(kBig, Model().ParagraphOverridesAt(0));
  EXPECT_EQ(kBig, Model().ParagraphOverridesAt(7));
  EXPECT_EQ(3u, Model().ParagraphCount());
}

TEST_F(StoryEditTest, CopyIntoAnEmptyStoryKeepsParagraphFormatting) {
  UIDRef target = CreateStory(db_);
  ASSERT_EQ(kSuccess, InsertText(story_, 0, u"<box>\rHead\rBody</box>"));
  AttributeList right{Attribute::Int(AttrKind::kAlignment, 2)};
  ASSERT_EQ(kSuccess, ApplyTextAttributes(story_, 6, 0, right, TextLevel::kParagraph));
  ASSERT_EQ(kSuccess, ApplyTextAttributes(story_, 11, 0, kBig, TextLevel::kParagraph));
  ASSERT_EQ(kSuccess, ApplyTextAttributes(story_, 11, 4, kBold, TextLevel::kCharacter));

  ASSERT_EQ(kSuccess, CopyStyledText(story_, 6, 9, target, 0));  // "Head\rBody"
  auto copy = QueryInterface<ITextModel>(target);
  EXPECT_EQ(u"Head\rBody\r", copy->Text(0, copy->TotalLength()));
  EXPECT_EQ(right, copy->ParagraphOverridesAt(0));
  EXPECT_EQ(kBig, copy->ParagraphOverridesAt(5));
  EXPECT_EQ(kBold, copy->CharacterOverridesAt(5));
  EXPECT_TRUE(copy->CharacterOverridesAt(0).empty());
  // The source is unchanged.
  EXPECT_EQ(u"<box>\rHead\rBody</box>\r", Model().Text(0, Model().TotalLength()));
}

TEST_F(StoryEditTest, ALongTextMovedIntoAShortStoryLandsWhereItWasPut) {
  // A text many times longer than the story it goes into becomes that story's buffer; what
  // the story held must stay around it, wherever it was put.
  std::u16string long_text;
  for (int i = 0; i < 300; ++i)
    long_text += u"ogłoszenie " + std::u16string(1, char16_t(u'a' + i % 26)) + u"\r";
  for (size_t at : {0, 1, 3, 5}) {
    SCOPED_TRACE(at);
    UIDRef source = CreateStory(db_), target = CreateStory(db_);
    ASSERT_EQ(kSuccess, InsertText(source, 0, long_text));
    ASSERT_EQ(kSuccess, InsertText(target, 0, u"ab\rcd"));
    ASSERT_EQ(kSuccess, MoveStyledText(source, 0, long_text.size(), target, at));
    std::u16string want = u"ab\rcd\r";
    want.insert(at, long_text);
    auto moved = QueryInterface<ITextModel>(target);
    EXPECT_EQ(moved->Text(0, moved->TotalLength()), want);
    EXPECT_EQ(moved->ParagraphCount(), 302u);
    // The story grows on from there as any other.
    ASSERT_EQ(kSuccess, InsertText(target, 2, u"xyz"));
    want.insert(2, u"xyz");
    EXPECT_EQ(moved->Text(0, moved->TotalLength()), want);
  }
}

TEST_F(StoryEditTest, AnchorsFollowEditsAndDeleteTheirObjects) {
  std::vector<UID> deleted;
  registry_->SetInlineObjectDeleter([&](Database& db, UID uid) {
    deleted.push_back(uid);
    return db.DeleteObject(uid);
  });
  UID frame1 = CreateStory(db_).GetUID();  // any object will do as an inline object
  UID frame2 = CreateStory(db_).GetUID();
  ASSERT_EQ(kSuccess, InsertText(story_, 0, u"abcdef"));
  ASSERT_EQ(kSuccess, InsertInlineObject(story_, 2, frame1));
  ASSERT_EQ(kSuccess, InsertInlineObject(story_, 5, frame2));
  EXPECT_EQ(kAlreadyExists, InsertInlineObject(story_, 0, frame1));
  EXPECT_EQ(kNotFound, InsertInlineObject(story_, 0, 999));
  ASSERT_EQ(kSuccess, InsertText(story_, 0, u"xyz"));
  EXPECT_EQ(frame1, Model().InlineObjectAt(5));
  EXPECT_EQ(std::optional<size_t>(8), Model().FindInlineObject(frame2));
  EXPECT_EQ(u'\uFFFC', Model().CharAt(8));
  std::vector<uint8_t> before = db_.Image();

  ASSERT_EQ(kSuccess, DeleteText(story_, 4, 3));  // takes frame1's anchor
  EXPECT_EQ(std::vector<UID>{frame1}, deleted);
  EXPECT_FALSE(db_.Contains(frame1));
  EXPECT_EQ(std::optional<size_t>(5), Model().FindInlineObject(frame2));
  EXPECT_EQ(kInvalidUID, Model().InlineObjectAt(4));

  ASSERT_EQ(kSuccess, db_.Commands().Undo());
  EXPECT_TRUE(db_.Contains(frame1));
  EXPECT_EQ(frame1, Model().InlineObjectAt(5));
  EXPECT_EQ(before, db_.Image());

  // A move takes the object along instead of deleting it.
  UIDRef other = CreateStory(db_);
  ASSERT_EQ(kSuccess, MoveStyledText(story_, 0, Model().EndPosition(), other, 0));
  auto moved = QueryInterface<ITextModel>(other);
  EXPECT_EQ(std::optional<size_t>(5), moved->FindInlineObject(frame1));
  EXPECT_EQ(std::optional<size_t>(8), moved->FindInlineObject(frame2));
  EXPECT_TRUE(db_.Contains(frame1));
  EXPECT_EQ(1u, Model().TotalLength());
  // A copy keeps the character, not the object.
  ASSERT_EQ(kSuccess, CopyStyledText(other, 0, 9, story_, 0));
  EXPECT_EQ(u'\uFFFC', Model().CharAt(5));
  EXPECT_EQ(kInvalidUID, Model().InlineObjectAt(5));
}

TEST_F(StoryEditTest, FailingDeleterRollsTheDeleteBack) {
  registry_->SetInlineObjectDeleter([](Database&, UID) { return kFailure; });
  UID frame = CreateStory(db_).GetUID();
  ASSERT_EQ(kSuccess, InsertText(story_, 0, u"ab"));
  ASSERT_EQ(kSuccess, InsertInlineObject(story_, 1, frame));
  EXPECT_EQ(kFailure, DeleteText(story_, 0, 3));
  EXPECT_EQ(u"a\uFFFCb\r", Model().Text(0, 4));
  EXPECT_EQ(frame, Model().InlineObjectAt(1));
}

TEST_F(StoryEditTest, RefusesRangesOutsideTheStory) {
  ASSERT_EQ(kSuccess, InsertText(story_, 0, u"abc"));  // total 4
  struct Case {
    const char* what;
    ErrorCode got;
  } cases[] = {
      {"insert past the end", InsertText(story_, 4, u"x")},
      {"delete the end-of-story character", DeleteText(story_, 0, 4)},
      {"delete from past the end", DeleteText(story_, 5, 0)},
      {"apply past the end", ApplyTextAttributes(story_, 2, 3, kBold, TextLevel::kCharacter)},
      {"apply at a huge position",
       ApplyTextAttributes(story_, SIZE_MAX, 2, kBold, TextLevel::kParagraph)},
      {"move into itself", MoveStyledText(story_, 0, 3, story_, 1)},
      {"style that does not exist", ApplyTextStyle(story_, 0, 1, 4242, TextLevel::kCharacter)},
      {"null story", InsertText(UIDRef::Null(), 0, u"x")},
  };
  for (const Case& c : cases) EXPECT_NE(kSuccess, c.got) << c.what;
  EXPECT_EQ(u"abc\r", Model().Text(0, 10));
  EXPECT_TRUE(Model().CharacterOverridesAt(2).empty());

  StyledText bad;
  bad.text = u"a\rb";
  bad.paragraphs.resize(1);  // needs two
  EXPECT_EQ(kInvalidArgument, Model().InsertStyled(0, bad));
  bad.paragraphs.clear();
  bad.characters = {{2, kInvalidUID, {}}};  // covers 2 of 3
  EXPECT_EQ(kInvalidArgument, Model().InsertStyled(0, bad));
}

TEST_F(StoryEditTest, SavedBytesDependOnContentOnlyAndLoadBack) {
  ASSERT_EQ(kSuccess, InsertText(story_, 0, u"Hello\rworld"));
  UIDRef plain = CreateStory(db_);
  ASSERT_EQ(kSuccess, InsertText(plain, 0, u"Hello\rworld"));
  // Formatting applied and taken off again leaves unused override lists behind.
  ASSERT_EQ(kSuccess, ApplyTextAttributes(story_, 1, 7, kBold, TextLevel::kCharacter));
  ASSERT_EQ(kSuccess, ApplyTextAttributes(story_, 0, 2, kBig, TextLevel::kParagraph));
  ASSERT_EQ(kSuccess, ClearTextOverrides(story_, 0, 11, AllAttrKinds(), TextLevel::kCharacter));
  ASSERT_EQ(kSuccess, ClearTextOverrides(story_, 0, 11, AllAttrKinds(), TextLevel::kParagraph));
  auto object = db_.Instantiate(story_.GetUID());
  auto plain_object = db_.Instantiate(plain.GetUID());
  EXPECT_EQ(db_.CaptureObject(*plain_object).impls, db_.CaptureObject(*object).impls);

  ASSERT_EQ(kSuccess, ApplyTextAttributes(story_, 6, 3, kBold, TextLevel::kCharacter));
  ASSERT_EQ(kSuccess, ApplyTextAttributes(story_, 7, 0, kBig, TextLevel::kParagraph));
  ObjectRecord record = db_.CaptureObject(*object);
  Database loaded(TextRegistry());
  ASSERT_EQ(kSuccess, loaded.LoadObject(record));
  auto copy = loaded.Query<ITextModel>(story_.GetUID());
  ASSERT_TRUE(copy);
  EXPECT_EQ(u"Hello\rworld\r", copy->Text(0, 20));
  EXPECT_EQ(kBold, copy->CharacterOverridesAt(7));
  EXPECT_EQ(kBig, copy->ParagraphOverridesAt(6));
  EXPECT_TRUE(copy->ParagraphOverridesAt(0).empty());
  EXPECT_EQ(record, loaded.CaptureObject(*loaded.Instantiate(story_.GetUID())));
}

TEST_F(StoryEditTest, DamagedBytesKeepTheText) {
  ASSERT_EQ(kSuccess, InsertText(story_, 0, u"ab\rcd"));
  ASSERT_EQ(kSuccess, ApplyTextAttributes(story_, 0, 2, kBold, TextLevel::kCharacter));
  ObjectRecord record = db_.CaptureObject(*db_.Instantiate(story_.GetUID()));
  std::vector<uint8_t>& bytes = record.impls[0].bytes;
  // 4 version + 4 length + 12 text + 4 list count + list: the first character run's
  // length comes after them; make it too long.
  size_t run = 4 + 4 + 12 + 4;
  {
    auto s = MemoryStream::ReadView(bytes);
    s->Seek(static_cast<int64_t>(run), SeekFrom::kStart);
    AttributeList list;
    ASSERT_TRUE(list.ReadWrite(*s));
    run = static_cast<size_t>(s->Tell()) + 4;
  }
  bytes[run] = 0x7F;
  diag::Capture capture;
  Database loaded(TextRegistry());
  ASSERT_EQ(kSuccess, loaded.LoadObject(record));
  auto copy = loaded.Query<ITextModel>(story_.GetUID());
  EXPECT_EQ(u"ab\rcd\r", copy->Text(0, 10));
  EXPECT_TRUE(copy->CharacterOverridesAt(0).empty());
  EXPECT_EQ(2u, copy->ParagraphCount());
  EXPECT_NE(std::string::npos, capture.Text().find("damaged"));

  // Cut short: the database refuses it.
  record.impls[0].bytes.resize(10);
  Database short_db(TextRegistry());
  EXPECT_EQ(kCorruptData, short_db.LoadObject(record));
}

}  // namespace
}  // namespace tarvelin::testing
