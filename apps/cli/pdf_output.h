// The PDF options render and paginate share: --pdf-standard x1a|x4|screen and
// --output-profile FILE.icc, checked before any work is done, and the writing itself.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli_app.h"
#include "pdf/pdf_export.h"

namespace tarvelin::cli {

struct PdfOutput {
  explicit PdfOutput(pdf::PdfStandard defaultStandard) : standard(defaultStandard) {}

  pdf::PdfStandard standard;
  std::filesystem::path profileFile;  // empty: the default profile
  std::unique_ptr<pdf::OutputProfile> profile;

  // --pdf-standard and --output-profile, for a command's definition.
  std::vector<OptionDef> Options() const;
  // Takes the two options from what the parser read.
  void Read(const Args& args);
  // Loads the output profile a press standard needs; false with `error` naming the file.
  bool Prepare(std::string& error);
  // Writes the PDF; warnings go to stderr. False with `error` set when nothing was written.
  bool Write(const Document& doc, const CompositionState& state, const std::filesystem::path& file,
             RenderReport& report, std::string& error) const;
};

}  // namespace tarvelin::cli
