#include "pdf/colour_management.h"

#include <lcms2.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace tarvelin::pdf {

namespace fs = std::filesystem;

std::optional<PdfStandard> ParsePdfStandard(std::string_view word) {
  if (word == "screen") return PdfStandard::kScreen;
  if (word == "x1a") return PdfStandard::kX1a;
  if (word == "x4") return PdfStandard::kX4;
  return std::nullopt;
}

const char* StandardName(PdfStandard standard) {
  switch (standard) {
    case PdfStandard::kScreen:
      return "screen";
    case PdfStandard::kX1a:
      return "PDF/X-1a:2001";
    case PdfStandard::kX4:
      return "PDF/X-4";
  }
  return "screen";
}

fs::path DefaultOutputProfile() {
  return "/usr/share/color/icc/ghostscript/default_cmyk.icc";
}

struct OutputProfile::Transforms {
  cmsHPROFILE output = nullptr;
  cmsHTRANSFORM rgb_float = nullptr;
  cmsHTRANSFORM rgb_bytes = nullptr;
  cmsHTRANSFORM lab = nullptr;
  ~Transforms() {
    for (cmsHTRANSFORM t : {rgb_float, rgb_bytes, lab})
      if (t) cmsDeleteTransform(t);
    if (output) cmsCloseProfile(output);
  }
};

std::unique_ptr<OutputProfile> OutputProfile::Load(const fs::path& file, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = file.string() + ": " + why;
    return nullptr;
  };
  std::ifstream in(file, std::ios::binary);
  if (!in) return fail("cannot read the output profile");
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (data.size() < 132 || data.size() > (64u << 20)) return fail("not an ICC profile");
  std::unique_ptr<OutputProfile> p(new OutputProfile());
  p->t_ = std::make_unique<Transforms>();
  p->t_->output = cmsOpenProfileFromMem(data.data(), static_cast<cmsUInt32Number>(data.size()));
  if (!p->t_->output) return fail("not an ICC profile");
  if (cmsGetColorSpace(p->t_->output) != cmsSigCmykData ||
      cmsGetDeviceClass(p->t_->output) != cmsSigOutputClass)
    return fail("not a CMYK output profile");
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
  const cmsUInt32Number flags = cmsFLAGS_BLACKPOINTCOMPENSATION;
  p->t_->rgb_float = cmsCreateTransform(srgb, TYPE_RGB_DBL, p->t_->output, TYPE_CMYK_DBL,
                                        INTENT_RELATIVE_COLORIMETRIC, flags);
  p->t_->rgb_bytes = cmsCreateTransform(srgb, TYPE_RGB_8, p->t_->output, TYPE_CMYK_8,
                                        INTENT_RELATIVE_COLORIMETRIC, flags);
  p->t_->lab = cmsCreateTransform(lab, TYPE_Lab_DBL, p->t_->output, TYPE_CMYK_DBL,
                                  INTENT_RELATIVE_COLORIMETRIC, flags);
  cmsCloseProfile(srgb);
  cmsCloseProfile(lab);
  if (!p->t_->rgb_float || !p->t_->rgb_bytes || !p->t_->lab)
    return fail("the profile cannot convert colours to CMYK");
  char desc[256] = {};
  cmsGetProfileInfoASCII(p->t_->output, cmsInfoDescription, "en", "US", desc, sizeof desc);
  p->description_ = desc[0] ? desc : file.filename().string();
  p->data_ = std::move(data);
  return p;
}

OutputProfile::~OutputProfile() = default;

std::string OutputProfile::ConditionIdentifier() const {
  // Characterisations registered with the ICC, recognised by the profile's description.
  static constexpr std::pair<const char*, const char*> kKnown[] = {
      {"FOGRA39", "FOGRA39"},     {"FOGRA51", "FOGRA51"},       {"FOGRA52", "FOGRA52"},
      {"FOGRA47", "FOGRA47"},     {"ISOnewspaper26", "IFRA26"}, {"WAN-IFRAnewspaper26", "IFRA26"},
      {"IFRA26", "IFRA26"},       {"IFRA30", "IFRA30"},         {"GRACoL2006", "CGATS TR 006"},
      {"CGATS21", "CGATS TR 006"}};
  for (const auto& [word, id] : kKnown)
    if (description_.find(word) != std::string::npos) return id;
  return "Custom";
}

std::array<float, 4> OutputProfile::Cmyk(const Colour& colour) const {
  const auto& c = colour.components;
  double out[4] = {0, 0, 0, 0};
  switch (colour.space) {
    case ColourSpace::kCmyk:
      return {std::clamp(c[0], 0.f, 1.f), std::clamp(c[1], 0.f, 1.f), std::clamp(c[2], 0.f, 1.f),
              std::clamp(c[3], 0.f, 1.f)};
    case ColourSpace::kRgb: {
      const double scale = std::max({c[0], c[1], c[2]}) > 1 ? 255 : 1;
      double in[3];
      for (int i = 0; i < 3; ++i) in[i] = std::clamp(c[i] / scale, 0.0, 1.0);
      cmsDoTransform(t_->rgb_float, in, out, 1);
      break;
    }
    case ColourSpace::kLab: {
      cmsCIELab lab{c[0], c[1], c[2]};
      cmsDoTransform(t_->lab, &lab, out, 1);
      break;
    }
  }
  // Little CMS gives CMYK in percent.
  std::array<float, 4> r{};
  for (int i = 0; i < 4; ++i) r[i] = static_cast<float>(std::clamp(out[i] / 100, 0.0, 1.0));
  return r;
}

void OutputProfile::RgbToCmyk(const uint8_t* rgb, uint8_t* cmyk, size_t pixels) const {
  cmsDoTransform(t_->rgb_bytes, rgb, cmyk, static_cast<cmsUInt32Number>(pixels));
}

std::string SrgbProfileData() {
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsUInt32Number size = 0;
  std::string data;
  if (cmsSaveProfileToMem(srgb, nullptr, &size) && size > 0) {
    data.resize(size);
    cmsSaveProfileToMem(srgb, data.data(), &size);
  }
  cmsCloseProfile(srgb);
  return data;
}

}  // namespace tarvelin::pdf
