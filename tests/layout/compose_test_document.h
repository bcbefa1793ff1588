// Documents for the composition and rendering tests: a registry with the platform font
// catalogue, one-page documents with a text frame, styled text, inline text and picture
// frames, and pictures written on the fly.
#pragma once

#include <unistd.h>

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <filesystem>
#include <memory>
#include <string>

#include "host/application/application.h"
#include "host/application/host_registry.h"
#include "host/documents/document.h"
#include "host/documents/page_item.h"
#include "host/documents/page_item_commands.h"
#include "host/objects/class_registry.h"
#include "host/text/font_families.h"
#include "host/text/swatch_list.h"
#include "host/text/text_commands.h"
#include "host/text/text_model.h"
#include "layout/qt_font_catalogue.h"
#include "layout/qt_image_probe.h"

namespace tarvelin::testdoc {

// A host without plug-ins whose front end offers the platform's fonts, as the command
// line's does; it runs for the rest of the test process.
inline std::shared_ptr<const ClassRegistry> Registry() {
  static QtFontCatalogue fonts;
  static std::unique_ptr<Application> app = [] {
    StartOptions options;
    options.workspaceFile = std::filesystem::path();
    options.services.fonts = &fonts;
    std::string error;
    auto started = Application::Start(options, &error);
    if (!started) ADD_FAILURE() << error;
    return started;
  }();
  return app ? app->Registry() : nullptr;
}

struct TestDocument {
  std::unique_ptr<Document> doc;
  UIDRef frame;  // the main text frame
  UIDRef story;

  Database& db() const { return doc->DataBase(); }
  ITextModel& text() const { return *db().Query<ITextModel>(story.GetUID()); }
  size_t End() const { return text().EndPosition(); }

  // Appends text without character overrides (inserted text would take the formatting
  // of the end-of-story character, which the last styled text has set).
  void Append(std::u16string_view s) const {
    size_t at = End();
    ASSERT_EQ(InsertText(story, at, s), kSuccess);
    ASSERT_EQ(ClearTextOverrides(story, at, s.size(), AllAttrKinds(), TextLevel::kCharacter),
              kSuccess);
  }
  // Appends text and applies attributes to it.
  void AppendStyled(std::u16string_view s, const AttributeList& attrs,
                    TextLevel level = TextLevel::kCharacter) const {
    size_t at = End();
    Append(s);
    ASSERT_EQ(ApplyTextAttributes(story, at, s.size(), attrs, level), kSuccess);
  }
  UID FontFamily(std::u16string_view name) const {
    return FindFontFamily(db(), doc->TextWorkspaceRefs(), name);
  }
  UID Swatch(std::u16string_view name, ColourSpace space, std::initializer_list<float> c) const {
    UID uid = FindSwatchByName(db(), doc->TextWorkspaceRefs(), name);
    if (uid != kInvalidUID) return uid;
    std::vector<float> v(c);
    EXPECT_EQ(CreateSwatch(db(), doc->TextWorkspaceRefs(), name, Colour::Make(space, v), &uid),
              kSuccess);
    return uid;
  }

  // A text frame of w x h holding `content`, anchored at the end of `into`.
  UIDRef InlineText(const UIDRef& into, double w, double h, std::u16string_view content) const {
    UIDRef f;
    EXPECT_EQ(CreateTextFrame(*doc, doc->DefaultSpreadLayer(), {0, 0, w, h}, 1, 0, &f), kSuccess);
    auto tf = db().Query<ITextFrame>(f.GetUID());
    UIDRef s{&db(), tf->Story()};
    EXPECT_EQ(InsertText(s, 0, content), kSuccess);
    auto t = db().Query<ITextModel>(into.GetUID());
    EXPECT_EQ(ChangeToInline(*doc, into, static_cast<int32_t>(t->EndPosition()), f), kSuccess);
    return f;
  }
  // A picture frame of w x h showing `file`, anchored at the end of `into`.
  UIDRef InlinePicture(const UIDRef& into, double w, double h,
                       const std::filesystem::path& file) const {
    UIDRef f;
    EXPECT_EQ(CreateRectangleFrame(*doc, doc->DefaultSpreadLayer(), {0, 0, w, h}, &f), kSuccess);
    ImageInfo info = QtImageProbe().Probe(file);
    EXPECT_TRUE(info.ok) << info.error;
    EXPECT_EQ(PlaceImage(*doc, f, file.string(), info), kSuccess);
    auto t = db().Query<ITextModel>(into.GetUID());
    EXPECT_EQ(ChangeToInline(*doc, into, static_cast<int32_t>(t->EndPosition()), f), kSuccess);
    return f;
  }
};

// An A4 page with one text frame inside the margins (`columns` columns, 12 pt gutter).
inline TestDocument MakeDocument(int32_t columns = 1, PMRect frame = {36, 36, 559.28, 805.89}) {
  TestDocument t;
  PageSetup setup;
  t.doc = Document::Create(Registry(), setup, u"test");
  EXPECT_NE(t.doc, nullptr);
  if (!t.doc) return t;
  EXPECT_EQ(CreateTextFrame(*t.doc, t.doc->DefaultSpreadLayer(), frame, columns, 12, &t.frame),
            kSuccess);
  t.story = {&t.doc->DataBase(), t.doc->DataBase().Query<ITextFrame>(t.frame.GetUID())->Story()};
  return t;
}

// A picture of w x h pixels at `ppi`, a colour gradient with a dark border.
inline std::filesystem::path WritePicture(const std::filesystem::path& file, int w, int h,
                                          double ppi, const char* format = "PNG") {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(40 + 200 * x / w, 120, 40 + 200 * y / h));
  for (int x = 0; x < w; ++x)
    image.setPixel(x, 0, qRgb(0, 0, 0)), image.setPixel(x, h - 1, qRgb(0, 0, 0));
  for (int y = 0; y < h; ++y)
    image.setPixel(0, y, qRgb(0, 0, 0)), image.setPixel(w - 1, y, qRgb(0, 0, 0));
  const int dpm = static_cast<int>(ppi / 0.0254 + 0.5);
  image.setDotsPerMeterX(dpm);
  image.setDotsPerMeterY(dpm);
  EXPECT_TRUE(image.save(QString::fromStdString(file.string()), format));
  return file;
}

inline std::filesystem::path TempDir(const char* name) {
  auto dir = std::filesystem::temp_directory_path() /
             ("tarvelin-layout-" + std::string(name) + "-" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace tarvelin::testdoc
