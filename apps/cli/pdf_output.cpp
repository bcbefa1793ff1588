#include "pdf_output.h"

namespace tarvelin::cli {

namespace fs = std::filesystem;

std::vector<OptionDef> PdfOutput::Options() const {
  const char* byDefault = standard == pdf::PdfStandard::kX1a  ? "x1a"
                          : standard == pdf::PdfStandard::kX4 ? "x4"
                                                              : "screen";
  return {{{"pdf-standard"},
           "STANDARD",
           std::string("the PDF's kind: PDF/X-1a or PDF/X-4 for the press, or a screen PDF "
                       "(default: ") +
               byDefault + ")",
           {"x1a", "x4", "screen"}},
          {{"output-profile"},
           "FILE.icc",
           "the press's ICC output profile for PDF/X (default: the CMYK profile of "
           "Ghostscript's libgs-common)"}};
}

void PdfOutput::Read(const Args& args) {
  if (auto s = pdf::ParsePdfStandard(args.Value("pdf-standard"))) standard = *s;
  if (args.Has("output-profile")) profileFile = args.Value("output-profile");
}

bool PdfOutput::Prepare(std::string& error) {
  if (standard == pdf::PdfStandard::kScreen) return true;
  const fs::path file = profileFile.empty() ? pdf::DefaultOutputProfile() : profileFile;
  profile = pdf::OutputProfile::Load(file, &error);
  if (profile) return true;
  if (profileFile.empty())
    error +=
        " (the default output profile comes with the libgs-common package; "
        "give another with --output-profile)";
  return false;
}

bool PdfOutput::Write(const Document& doc, const CompositionState& state, const fs::path& file,
                      RenderReport& report, std::string& error) const {
  pdf::PdfOptions options;
  options.standard = standard;
  options.profile = profile.get();
  return pdf::WritePdf(doc, state, file, options, report, &error) == kSuccess;
}

}  // namespace tarvelin::cli
