// Colours for a PDF standard: which colour spaces a file may use, and the output profile
// (an ICC CMYK output profile, through Little CMS) that RGB and Lab colours and RGB
// pictures are converted with where the standard allows only CMYK.
//
//   standard  process CMYK      spot                      RGB, Lab          pictures
//   screen    as the screen     as the screen (RGB)       as the screen     RGB, grey
//   x1a       DeviceCMYK as is  Separation, CMYK alt.     -> CMYK           CMYK, grey
//   x4        DeviceCMYK as is  Separation, CMYK alt.     ICCBased / Lab    as read
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host/text/swatch_list.h"

namespace tarvelin::pdf {

enum class PdfStandard { kScreen, kX1a, kX4 };

std::optional<PdfStandard> ParsePdfStandard(std::string_view word);  // screen, x1a, x4
// "PDF/X-1a:2001", "PDF/X-4", "screen".
const char* StandardName(PdfStandard standard);

// The profile used when the caller names none: the CMYK profile Ghostscript's packages
// install (libgs-common), a characterisation of US web offset printing.
std::filesystem::path DefaultOutputProfile();

class OutputProfile {
 public:
  // Null, with `error` saying why, when the file cannot be read or is not an output
  // profile of CMYK devices.
  static std::unique_ptr<OutputProfile> Load(const std::filesystem::path& file, std::string* error);
  ~OutputProfile();
  OutputProfile(const OutputProfile&) = delete;
  OutputProfile& operator=(const OutputProfile&) = delete;

  const std::string& Data() const { return data_; }
  const std::string& Description() const { return description_; }
  // The registered characterisation the profile is made for, or "Custom".
  std::string ConditionIdentifier() const;

  // CMYK fractions: CMYK colours unchanged, RGB (fractions, or bytes when any component
  // exceeds 1) and Lab (D50) through the profile.
  std::array<float, 4> Cmyk(const Colour& colour) const;
  // 8-bit RGB pixels to 8-bit CMYK through the profile.
  void RgbToCmyk(const uint8_t* rgb, uint8_t* cmyk, size_t pixels) const;

 private:
  OutputProfile() = default;
  struct Transforms;
  std::unique_ptr<Transforms> t_;
  std::string data_;
  std::string description_;
};

// An sRGB profile made by Little CMS, for the ICCBased RGB of PDF/X-4.
std::string SrgbProfileData();

}  // namespace tarvelin::pdf
