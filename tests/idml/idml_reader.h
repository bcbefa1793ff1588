// A small IDML reader for the tests: the package's entries, and the frames, stories,
// swatches, styles and labels read back from its parts, enough to compare an export with
// the document it came from. It reads only what our exporter writes.
#pragma once

#include <pugixml.hpp>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tarvelin::idml::test {

struct Entry {
  std::string name;
  bool stored = false;  // not compressed
  std::string data;
};

struct ReadFrame {
  std::string self;
  std::string element;  // TextFrame or Rectangle
  std::string contentType;
  std::array<double, 4> bounds{};  // free frames: relative to the first page's corner
  double width = 0, height = 0;
  std::string story;        // TextFrame: ParentStory
  std::string anchorStory;  // inline: the story it stands in
  size_t anchorIndex = 0;
  std::string fill, stroke, objectStyle;
  double strokeWeight = 0;
  int columns = 0;
  std::array<double, 4> insets{};  // left, top, right, bottom
  std::vector<std::pair<std::string, std::string>> labels;
  std::string imageUri;
};

struct ReadStory {
  std::u16string text;  // paragraph ends as U+000D, anchors as U+FFFC
  std::vector<std::string> paragraphStyles;
};

struct ReadSwatch {
  std::string name, model, space;
  std::vector<double> values;
};

struct ReadPackage {
  std::vector<Entry> entries;
  std::string error;  // empty when the package could be read
  std::map<std::string, ReadFrame> frames;
  std::map<std::string, ReadStory> stories;
  std::map<std::string, ReadSwatch> swatches;                           // by Self
  std::map<std::string, std::string> paragraphStyles, characterStyles;  // Name -> BasedOn name

  const Entry* Find(const std::string& name) const;
};

ReadPackage ReadIdml(const std::string& file);

// The ID the exporter gives a UID.
std::string IdOf(long long uid);

}  // namespace tarvelin::idml::test
