#include "pdf_output.h"

namespace tarvelin::cli {

namespace fs = std::filesystem;

bool PdfOutput::Take(const std::vector<std::string>& args, size_t& i, std::string& error) {
  const std::string& a = args[i];
  if (a != "--pdf-standard" && a != "--output-profile") return false;
  if (i + 1 >= args.size()) {
    error = a + " needs a value";
    return true;
  }
  const std::string& v = args[++i];
  if (a == "--output-profile") {
    profileFile = v;
  } else if (auto s = pdf::ParsePdfStandard(v)) {
    standard = *s;
  } else {
    error = "--pdf-standard takes x1a, x4 or screen, not '" + v + "'";
  }
  return true;
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
