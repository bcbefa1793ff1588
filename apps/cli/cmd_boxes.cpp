// tarvelin boxes STORY.txt: what the box-definition pass finds in a story text, as JSON.
// The tool a user runs to see why a box was not recognised; docs/json-format.md holds
// the format, which stays stable.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli_app.h"
#include "core/diagnostics.h"
#include "core/utf16.h"
#include "engine/box_definition_pass.h"
#include "json_writer.h"

namespace tarvelin::cli {

namespace {

using Inline = JsonWriter::Layout;

// UTF-16 with a byte-order mark, else UTF-8 (its own mark skipped). An odd UTF-16
// length is an error rather than a silently dropped byte.
std::optional<std::u16string> DecodeStory(const std::string& bytes, std::string& error) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 2 &&
      ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF))) {
    const bool little = byte(0) == 0xFF;
    if (bytes.size() % 2 != 0) {
      error = "UTF-16 text with an odd number of bytes";
      return std::nullopt;
    }
    std::u16string text;
    text.reserve(bytes.size() / 2 - 1);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const unsigned lo = little ? byte(i) : byte(i + 1);
      const unsigned hi = little ? byte(i + 1) : byte(i);
      text += static_cast<char16_t>(hi << 8 | lo);
    }
    return text;
  }
  std::string_view utf8(bytes);
  if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
  return FromUtf8(utf8);
}

// The whole file; false when it cannot be opened or read (a folder, say).
bool ReadFile(const std::string& path, std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  char buffer[1 << 16];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

void WriteColour(JsonWriter& json, const ColourSpec& colour) {
  json.BeginObject();
  json.Key("space");
  json.Int(colour.colourSpace);
  json.Key("components");
  json.BeginArray(Inline::kInline);
  for (float c : colour.components) json.Float(c);
  json.EndArray();
  json.Key("process");
  json.Int(colour.processFlag);
  json.Key("swatch");
  json.String(colour.swatchName);
  json.EndObject();
}

void WriteFloats(JsonWriter& json, const std::array<float, 4>& values) {
  json.BeginArray(Inline::kInline);
  for (float v : values) json.Float(v);
  json.EndArray();
}

// `span`: the story positions of a top-level definition; inner boxes have none.
void WriteDefinition(JsonWriter& json, const BoxDefinition& d, const CollectedRecord* span,
                     const std::vector<std::string>* diagnostics, int level) {
  json.BeginObject();
  json.Key("start");
  span ? json.Int(span->startIndex) : json.Null();
  json.Key("end");
  span ? json.Int(span->endIndex + 1) : json.Null();
  if (span) {
    json.Key("recordedStart");
    json.Int(d.storyStart);
    json.Key("recordedEnd");
    json.Int(d.storyEnd);
  }
  json.Key("headerEnd");
  json.Int(d.headerEnd);
  json.Key("endTagStart");
  json.Int(d.endTagStart);
  json.Key("valid");
  json.Bool(d.valid);
  json.Key("kind");
  json.Int(static_cast<int>(d.kind));
  json.Key("kindName");
  json.String(BoxKindName(d.kind));
  json.Key("width");
  json.Float(d.width);
  json.Key("height");
  json.Float(d.height);
  json.Key("texts");
  json.BeginArray(Inline::kInline);
  for (const auto& t : d.texts) json.String(t);
  json.EndArray();
  json.Key("objectStyle");
  json.String(d.objectStyleName);
  json.Key("fileName");
  json.String(d.fileName);
  json.Key("fittingSelector");
  json.Int(d.fittingSelector);
  json.Key("fillColour");
  WriteColour(json, d.fillColour);
  json.Key("borderColour");
  WriteColour(json, d.borderColour);
  json.Key("strokeWeight");
  json.Float(d.strokeWeight);
  json.Key("insets");
  WriteFloats(json, d.insets);
  json.Key("insetsSet");
  json.Bool(d.insetsSet);
  json.Key("offsetFlag");
  json.Bool(d.offsetFlag);
  json.Key("offsets");
  WriteFloats(json, d.offsets);
  json.Key("attributes");
  json.BeginArray();
  const size_t pairs = std::min(d.attributeNames.size(), d.attributeValues.size());
  for (size_t i = 0; i < pairs; ++i) {
    json.BeginArray(Inline::kInline);
    json.String(d.attributeNames[i]);
    json.String(d.attributeValues[i]);
    json.EndArray();
  }
  json.EndArray();
  json.Key("innerBoxes");
  json.BeginArray();
  // The parser refuses deeper nesting; the bound keeps a hand-made record from exhausting the
  // stack.
  if (level < BoxDefinition::kMaxNesting) {
    for (const auto& inner : d.innerBoxes)
      WriteDefinition(json, inner, nullptr, nullptr, level + 1);
  }
  json.EndArray();
  if (diagnostics) {
    json.Key("diagnostics");
    json.BeginArray();
    for (const auto& line : *diagnostics) json.String(line);
    json.EndArray();
  }
  json.EndObject();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t from = 0;
  while (from < text.size()) {
    size_t to = text.find('\n', from);
    if (to == std::string::npos) to = text.size();
    if (to > from) lines.push_back(text.substr(from, to - from));
    from = to + 1;
  }
  return lines;
}

void WriteRejected(JsonWriter& json, int64_t start, int64_t end, const char* reason,
                   const std::string& detail) {
  json.BeginObject();
  json.Key("start");
  json.Int(start);
  json.Key("end");
  json.Int(end);
  json.Key("reason");
  json.String(reason);
  json.Key("detail");
  json.String(detail);
  json.EndObject();
}

int RunBoxes(const Args& args) {
  const std::string& path = args.Positional().front();
  std::string bytes;
  if (!ReadFile(path, bytes)) return UsageError("boxes: cannot read '" + path + "'");
  std::string error;
  const std::optional<std::u16string> text = DecodeStory(bytes, error);
  if (!text) return UsageError("boxes: '" + path + "': " + error);

  const StringStoryText story(*text);
  const BoxCollection found = CollectBoxDefinitions(story);

  JsonWriter json;
  json.BeginObject();
  json.Key("length");
  json.Int(story.Length());
  json.Key("definitions");
  json.BeginArray();
  for (const auto& r : found.records) WriteDefinition(json, r.record, &r, nullptr, 0);
  if (found.invalid) {
    // Parse it again to show the parser's own messages about it.
    const CollectedRecord& r = *found.invalid;
    std::string messages;
    {
      diag::Capture capture;
      BoxDefinition again(story.Substring(r.startIndex, r.endIndex + 1), r.record.storyStart,
                          r.record.storyEnd, r.record.headerEnd, r.record.endTagStart);
      messages = capture.Text();
    }
    const std::vector<std::string> lines = Lines(messages);
    WriteDefinition(json, r.record, &r, &lines, 0);
  }
  json.EndArray();
  json.Key("rejected");
  json.BeginArray();
  for (const auto& r : found.rejected) {
    std::string detail;
    switch (r.reason) {
      case RejectedDefinition::Reason::kUnbalanced:
        detail = "its begin and end tags do not balance";
        break;
      case RejectedDefinition::Reason::kEndBeforeBegin:
        detail =
            "an end tag was counted before this begin tag: a stray end tag earlier in the "
            "text, or a self-closing definition shorter than 14 characters";
        break;
      case RejectedDefinition::Reason::kOutOfRange:
        detail = "its story indices do not fit a record";
        break;
    }
    WriteRejected(json, r.start, r.end, ReasonName(r.reason), detail);
  }
  if (found.unclosedStart) {
    WriteRejected(json, *found.unclosedStart, story.Length(), "unclosed",
                  "the story ends before this definition closes");
  }
  json.EndArray();
  json.Key("stopped");
  json.Bool(found.Stopped());
  json.Key("endDepth");
  json.Int(found.endDepth);
  json.EndObject();
  std::fwrite(json.Text().data(), 1, json.Text().size(), stdout);
  std::fputc('\n', stdout);
  if (std::fflush(stdout) != 0) return UsageError("boxes: cannot write the output");
  const bool clean = found.rejected.empty() && !found.unclosedStart && !found.Stopped();
  return clean ? kDone : kDoneWithWarnings;
}

const CommandRegistration kBoxes({
    .name = "boxes",
    .summary = "the box definitions the pass finds in a story text, and the ones left as "
               "text, with why (JSON)",
    .description = "The story is read as UTF-16 after a byte-order mark, else as UTF-8. The "
                   "format is described in docs/json-format.md.",
    .arguments = {{"STORY.txt", "a story's text with its definitions as tag text"}},
    .run = RunBoxes,
});

}  // namespace

}  // namespace tarvelin::cli
