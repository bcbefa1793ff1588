// The package as an importer meets it: its container, parts, IDs and references; the
// same document giving the same bytes; and bad targets and missing pictures handled.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "exported_example.h"
#include "idml/package.h"
#include "idml_reader.h"

namespace tarvelin::idml::test {
namespace {

namespace fs = std::filesystem;

std::string Bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Attributes whose value is one ID that must be defined somewhere in the package.
const char* const kReferences[] = {"ParentStory",
                                   "PreviousTextFrame",
                                   "NextTextFrame",
                                   "AppliedParagraphStyle",
                                   "AppliedCharacterStyle",
                                   "AppliedObjectStyle",
                                   "FillColor",
                                   "StrokeColor",
                                   "RuleAboveColor",
                                   "RuleBelowColor",
                                   "ItemLayer",
                                   "AppliedMaster",
                                   "PageStart",
                                   "ActiveLayer",
                                   "MarkupTag"};

TEST(IdmlPackage, ContainerPartsIdsAndReferences) {
  const ExportedExample& e = Example();
  ASSERT_EQ(e.error, "");
  ReadPackage p = ReadIdml(e.package.string());
  ASSERT_EQ(p.error, "");
  ASSERT_FALSE(p.entries.empty());
  EXPECT_EQ(p.entries[0].name, "mimetype");
  EXPECT_TRUE(p.entries[0].stored);
  EXPECT_EQ(p.entries[0].data, "application/vnd.adobe.indesign-idml-package");
  ASSERT_NE(p.Find("META-INF/container.xml"), nullptr);

  pugi::xml_document map;
  const Entry* designmap = p.Find("designmap.xml");
  ASSERT_NE(designmap, nullptr);
  ASSERT_TRUE(map.load_buffer(designmap->data.data(), designmap->data.size(),
                              pugi::parse_default | pugi::parse_pi));
  EXPECT_STREQ(map.first_child().name(), "aid");  // the processing instruction comes first

  // Every part the map names is present and well-formed; collect every Self and reference.
  std::vector<pugi::xml_document> parts(1);
  parts[0].load_buffer(designmap->data.data(), designmap->data.size());
  std::set<std::string> named;
  for (pugi::xml_node n : map.child("Document").children()) {
    if (!n.attribute("src")) {
      continue;
    }
    const std::string src = n.attribute("src").value();
    named.insert(src);
    const Entry* part = p.Find(src);
    ASSERT_NE(part, nullptr) << src;
    parts.emplace_back();
    EXPECT_TRUE(parts.back().load_buffer(part->data.data(), part->data.size())) << src;
  }
  for (const char* kind : {"Resources/Graphic.xml", "Resources/Fonts.xml", "Resources/Styles.xml",
                           "Resources/Preferences.xml"}) {
    EXPECT_TRUE(named.count(kind)) << kind;
  }
  // Nothing in the package that the map does not name, beyond the container's own.
  for (const Entry& entry : p.entries) {
    if (entry.name != "mimetype" && entry.name != "META-INF/container.xml" &&
        entry.name != "designmap.xml") {
      EXPECT_TRUE(named.count(entry.name)) << entry.name;
    }
  }

  std::set<std::string> selves, duplicates;
  std::vector<std::pair<std::string, std::string>> references;
  for (const auto& doc : parts) {
    for (pugi::xpath_node x : doc.select_nodes("//*[@Self]"))
      if (!selves.insert(x.node().attribute("Self").value()).second)
        duplicates.insert(x.node().attribute("Self").value());
    for (const char* attr : kReferences)
      for (pugi::xpath_node x : doc.select_nodes((std::string("//*[@") + attr + "]").c_str()))
        references.emplace_back(attr, x.node().attribute(attr).value());
    for (pugi::xpath_node x : doc.select_nodes("//BasedOn"))
      references.emplace_back("BasedOn", x.node().text().get());
    for (pugi::xpath_node x : doc.select_nodes("/Document[@StoryList]"))
      for (std::istringstream in(x.node().attribute("StoryList").value()); in;) {
        std::string id;
        if (in >> id) references.emplace_back("StoryList", id);
      }
  }
  EXPECT_TRUE(duplicates.empty()) << *duplicates.begin();
  EXPECT_GT(references.size(), 50u);
  for (const auto& [attr, id] : references)
    EXPECT_TRUE(id == "n" || selves.count(id)) << attr << "=\"" << id << "\" resolves to nothing";
}

TEST(IdmlPackage, SameDocumentSameBytes) {
  const ExportedExample& e = Example();
  ASSERT_EQ(e.error, "");
  const fs::path again = e.folder / "again.idml";
  CliRun r = Tarvelin("export-idml '" + e.document.string() + "' -o '" + again.string() + "'");
  ASSERT_LE(r.exitCode, 1) << r.err;
  EXPECT_EQ(r.out, "idml: " + again.string() + "\n");
  EXPECT_TRUE(Bytes(again) == Bytes(e.package));
}

TEST(IdmlPackage, UnwritableTargetsLeaveNothing) {
  const ExportedExample& e = Example();
  ASSERT_EQ(e.error, "");
  const fs::path readOnly = e.folder / "locked";
  fs::create_directories(readOnly);
  fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec);
  const bool asRoot = std::ofstream(readOnly / "probe").good();  // root writes anyway
  fs::remove(readOnly / "probe");
  struct Case {
    fs::path target;
    bool skipAsRoot;
  } cases[] = {{e.folder / "no-such-folder" / "out.idml", false},
               {e.folder, false},  // a folder
               {readOnly / "out.idml", true}};
  for (const Case& c : cases) {
    if (c.skipAsRoot && asRoot) continue;
    CliRun r = Tarvelin("export-idml '" + e.document.string() + "' -o '" + c.target.string() + "'");
    EXPECT_EQ(r.exitCode, 2) << c.target;
    EXPECT_NE(r.err.find("tarvelin: "), std::string::npos) << c.target;
    EXPECT_FALSE(fs::is_regular_file(c.target)) << c.target;
  }
  for (const auto& f : fs::directory_iterator(e.folder))
    EXPECT_EQ(f.path().string().find(".part-"), std::string::npos) << f.path();
  fs::permissions(readOnly, fs::perms::owner_all);
}

TEST(IdmlPackage, MissingPictureIsListedAndStillLinked) {
  const ExportedExample& e = Example();
  ASSERT_EQ(e.error, "");
  const fs::path moved = e.folder / "moved";
  fs::create_directories(moved);
  fs::rename(e.folder / "dzialka.jpg", moved / "dzialka.jpg");
  const fs::path out = e.folder / "missing.idml";
  CliRun r = Tarvelin("export-idml '" + e.document.string() + "' -o '" + out.string() + "'");
  fs::rename(moved / "dzialka.jpg", e.folder / "dzialka.jpg");
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.err.find("missing image: " + (e.folder / "dzialka.jpg").string()), std::string::npos)
      << r.err;
  ReadPackage p = ReadIdml(out.string());
  ASSERT_EQ(p.error, "");
  bool linked = false;
  for (const auto& [self, f] : p.frames) linked = linked || f.imageUri.ends_with("/dzialka.jpg");
  EXPECT_TRUE(linked);
}

// A part large enough to be deflated ahead reads back whole, and beside it a stored and a
// deflated small one; the archive is the same every time.
TEST(IdmlPackage, LargePartsReadBackIntact) {
  const ExportedExample& e = Example();
  ASSERT_EQ(e.error, "");
  std::string large;
  for (int i = 0; large.size() < 3 * 1024 * 1024; ++i)
    large += "<Content>Ogłoszenie " + std::to_string(i * 7919 % 100003) + "</Content>";
  const std::vector<std::pair<std::string, std::string>> parts = {
      {"designmap.xml", "<Document/>"},
      {"Stories/Story_large.xml", large},
      {"Resources/Small.xml", "<x/>"},
      {"Resources/Medium.xml", std::string(large, 0, 10000)}};
  std::string bytes[2];
  for (int run = 0; run < 2; ++run) {
    Package package;
    for (const auto& [name, content] : parts) package.Add(name, content);
    const fs::path out = e.folder / "large.idml";
    ASSERT_EQ(package.Write(out), "");
    bytes[run] = Bytes(out);
    ReadPackage read = ReadIdml(out.string());
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.entries.size(), parts.size() + 1);
    for (const auto& [name, content] : parts) {
      const Entry* entry = read.Find(name);
      ASSERT_NE(entry, nullptr) << name;
      EXPECT_TRUE(entry->data == content) << name;
    }
  }
  EXPECT_TRUE(bytes[0] == bytes[1]);
}

}  // namespace
}  // namespace tarvelin::idml::test
