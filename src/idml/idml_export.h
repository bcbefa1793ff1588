// IDML export of a document: a package that other page-layout applications open, with
// the pages, margin and column guides, free frames and their threads, every story with
// its paragraph and character ranges, the styles with their based-on chains, the
// swatches, and every inline frame anchored in its story at its anchor character.
//
// IDs are derived from the document's UIDs ("u" and the UID in hexadecimal), so the same
// document gives the same bytes. What the document names but does not hold (fonts the
// system lacks, pictures not on disk, styles or swatches deleted from under a reference)
// is still written, with the references the format allows (a font marked not available,
// a link to the recorded path, no style, no colour), and reported.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/objects/uid.h"

namespace tarvelin {
class Database;
class Document;
}  // namespace tarvelin

namespace tarvelin::idml {

// The key-value pairs a page item carries as its label, in order. The host knows no
// labels; a front end hands in what its plug-ins keep (the advertisement attributes).
using LabelPairs = std::vector<std::pair<std::u16string, std::u16string>>;
using LabelSource = std::function<LabelPairs(const Database& db, UID item)>;

struct ExportOptions {
  LabelSource labels;  // may be empty: no labels
};

struct ExportResult {
  bool ok = false;
  std::string error;                 // when not ok; nothing was written then
  std::vector<std::string> missing;  // one line per missing font, image, style or swatch
  size_t spreads = 0, stories = 0, frames = 0, inlineFrames = 0;
};

ExportResult ExportIdml(const Document& doc, const std::filesystem::path& target,
                        const ExportOptions& options = {});

}  // namespace tarvelin::idml
