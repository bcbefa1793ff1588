// The package read back with the tests' own reader agrees with `tarvelin dump` of the
// source document: frames with their geometry, styling and labels, inline frames at their
// anchors, story text, swatches exactly as defined, and the styles' based-on chains.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

#include "exported_example.h"
#include "idml_reader.h"

namespace tarvelin::idml::test {
namespace {

class IdmlRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    const ExportedExample& e = Example();
    ASSERT_EQ(e.error, "");
    dump_ = QJsonDocument::fromJson(QByteArray::fromStdString(e.dump)).object();
    ASSERT_FALSE(dump_.isEmpty());
    package_ = ReadIdml(e.package.string());
    ASSERT_EQ(package_.error, "");
  }

  static std::string Str(const QJsonValue& v) { return v.toString().toStdString(); }
  static std::string Id(const QJsonValue& v) { return IdOf(v.toInteger()); }

  // The format's reference for a dump swatch W (or null).
  std::string SwatchRef(const QJsonValue& w) const {
    if (w.isNull()) return "Swatch/None";
    return "Color/" + Str(w.toObject()["name"]);
  }

  QJsonObject dump_;
  ReadPackage package_;
};

TEST_F(IdmlRoundTrip, FramesInlineAnchorsAndLabels) {
  const QJsonArray pages = dump_["pages"].toArray();
  ASSERT_FALSE(pages.isEmpty());
  const QJsonArray origin = pages[0].toObject()["bounds"].toArray();
  size_t inlineFrames = 0, labelled = 0;
  for (const QJsonValue& v : dump_["frames"].toArray()) {
    const QJsonObject f = v.toObject();
    const bool isInline = f["inline"].isObject();
    if (!isInline && f["page"].isNull()) continue;  // never placed: not exported
    SCOPED_TRACE("frame " + Id(f["uid"]));
    auto it = package_.frames.find(Id(f["uid"]));
    ASSERT_NE(it, package_.frames.end());
    const ReadFrame& r = it->second;
    const QJsonArray b = f["bounds"].toArray();
    EXPECT_NEAR(r.width, b[2].toDouble() - b[0].toDouble(), 1e-9);
    EXPECT_NEAR(r.height, b[3].toDouble() - b[1].toDouble(), 1e-9);
    if (isInline) {
      ++inlineFrames;
      EXPECT_EQ(r.anchorStory, Id(f["inline"].toObject()["story"]));
      EXPECT_EQ(r.anchorIndex, static_cast<size_t>(f["inline"].toObject()["index"].toInt()));
    } else {
      EXPECT_TRUE(r.anchorStory.empty());
      for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(r.bounds[i], b[i].toDouble() - origin[i % 2].toDouble(), 1e-9) << i;
    }
    const std::string kind = Str(f["kind"]);
    EXPECT_EQ(r.element, kind == "text" ? "TextFrame" : "Rectangle");
    if (kind == "text") {
      EXPECT_EQ(r.story, Id(f["story"]));
      EXPECT_EQ(r.columns, f["columns"].toInt());
      const QJsonArray in = f["insets"].toArray();
      for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(r.insets[i], in[i].toDouble()) << i;
    }
    EXPECT_EQ(r.contentType, kind == "text"      ? "TextType"
                             : kind == "picture" ? "GraphicType"
                                                 : "Unassigned");
    for (auto [got, want] : {std::pair{r.fill, f["fill"]}, {r.stroke, f["stroke"]}}) {
      // An unnamed swatch is named after its values; the swatches test checks those.
      if (want.isObject() && Str(want.toObject()["name"]).empty())
        EXPECT_TRUE(got.starts_with("Color/")) << got;
      else
        EXPECT_EQ(got, SwatchRef(want));
    }
    EXPECT_DOUBLE_EQ(r.strokeWeight, f["strokeWeight"].toDouble());
    EXPECT_EQ(r.objectStyle, f["objectStyle"].isNull() ? "ObjectStyle/$ID/[None]"
                                                       : "ObjectStyle/" + Str(f["objectStyle"]));
    if (f["image"].isObject()) {
      std::string file = Str(f["image"].toObject()["file"]);
      EXPECT_TRUE(r.imageUri.ends_with(file.substr(file.rfind('/')))) << r.imageUri;
    }
    std::vector<std::pair<std::string, std::string>> attributes;
    if (f["advertisement"].isObject())
      for (const QJsonValue& kv : f["advertisement"].toObject()["attributes"].toArray())
        attributes.emplace_back(Str(kv.toArray()[0]), Str(kv.toArray()[1]));
    EXPECT_EQ(r.labels, attributes);
    labelled += !attributes.empty();
  }
  // The example's ads: every one an inline frame with its attributes.
  EXPECT_GE(inlineFrames, 8u);
  EXPECT_GE(labelled, inlineFrames);
}

TEST_F(IdmlRoundTrip, StoryTextWithAnchors) {
  size_t stories = 0;
  for (const QJsonValue& v : dump_["stories"].toArray()) {
    const QJsonObject s = v.toObject();
    SCOPED_TRACE("story " + Id(s["uid"]));
    auto it = package_.stories.find(Id(s["uid"]));
    ASSERT_NE(it, package_.stories.end());
    EXPECT_EQ(QString::fromStdU16String(it->second.text), s["text"].toString());
    EXPECT_EQ(it->second.paragraphStyles.size(),
              static_cast<size_t>(s["paragraphs"].toArray().size()));
    ++stories;
  }
  EXPECT_EQ(stories, package_.stories.size());
}

TEST_F(IdmlRoundTrip, SwatchesAsDefined) {
  bool sawCmyk = false;
  for (const QJsonValue& v : dump_["swatches"].toArray()) {
    const QJsonObject w = v.toObject();
    const std::string name = Str(w["name"]);
    SCOPED_TRACE(name);
    const QJsonArray c = w["components"].toArray();
    const std::string space = Str(w["space"]);
    const double scale = space == "CMYK" ? 100 : space == "RGB" ? 255 : 1;
    // The values as they were defined: 30 % of a grey reads 30, not the float's 30.000002.
    auto same = [&](const ReadSwatch& r) {
      if (r.space != space || r.values.size() != static_cast<size_t>(c.size())) return false;
      for (qsizetype i = 0; i < c.size(); ++i) {
        const double want = c[i].toDouble() * scale;
        if (std::abs(r.values[i] - want) > 1e-9 * std::max(1.0, std::abs(want))) return false;
      }
      return true;
    };
    // An unnamed swatch is found by its values, under the name they give it.
    auto it = package_.swatches.find("Color/" + name);
    if (name.empty())
      it = std::find_if(package_.swatches.begin(), package_.swatches.end(),
                        [&](const auto& kv) { return same(kv.second); });
    ASSERT_NE(it, package_.swatches.end());
    if (name == "Black" || name == "Paper" || name == "Registration") continue;  // the format's own
    const ReadSwatch& r = it->second;
    if (!name.empty()) {
      EXPECT_EQ(r.name, name);
    }
    EXPECT_EQ(r.model, w["process"].toBool() ? "Process" : "Spot");
    EXPECT_TRUE(same(r)) << r.space;
    sawCmyk = sawCmyk || space == "CMYK";
  }
  EXPECT_TRUE(sawCmyk);
}

TEST_F(IdmlRoundTrip, StylesWithTheirParents) {
  for (const char* member : {"paragraphStyles", "characterStyles"}) {
    const bool paragraph = std::string(member) == "paragraphStyles";
    const auto& read = paragraph ? package_.paragraphStyles : package_.characterStyles;
    std::map<std::string, std::string> kinds;  // our names of the styles of this kind
    for (const QJsonValue& v : dump_[member].toArray()) kinds[Str(v.toObject()["name"])] = "";
    for (const QJsonValue& v : dump_[member].toArray()) {
      const QJsonObject s = v.toObject();
      const std::string name = Str(s["name"]);
      if (name.empty()) continue;  // the root
      SCOPED_TRACE(name);
      auto it = read.find(name);
      ASSERT_NE(it, read.end());
      const std::string parent = s["parent"].isNull() ? "" : Str(s["parent"]);
      // A parent of the other kind, or none, becomes the root of the style's own kind.
      const std::string root = paragraph ? "$ID/NormalParagraphStyle" : "$ID/[No character style]";
      const bool sameKind = !parent.empty() && kinds.count(parent);
      EXPECT_EQ(it->second, sameKind ? parent : root);
    }
  }
}

}  // namespace
}  // namespace tarvelin::idml::test
