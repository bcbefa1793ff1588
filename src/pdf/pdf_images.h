// Pictures as PDF image objects. A JPEG whose colour space the standard allows is copied
// unchanged (DCTDecode): grey and CMYK always, RGB except for PDF/X-1a, where it is decoded
// and converted to CMYK through the output profile. Everything else is decoded, laid over
// white where it has transparency (PDF/X-1a allows none), and Flate-compressed after PNG
// predictors (each row as its difference from its neighbours).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "layout/page_canvas.h"
#include "pdf/colour_management.h"

namespace tarvelin::pdf {

struct JpegInfo {
  int32_t width = 0, height = 0;
  int32_t components = 0;  // 1 grey, 3 YCbCr/RGB, 4 CMYK/YCCK
  int32_t bits = 8;
  bool adobe = false;  // an Adobe marker: CMYK data is stored inverted
};

// The frame header of JPEG data; nullopt when it is not a JPEG a PDF reader decodes.
std::optional<JpegInfo> ReadJpegInfo(std::string_view data);

struct ImageObject {
  std::string dictionary;  // the keys besides /Length and /Filter
  std::string data;
  bool compress = true;  // false: data is already encoded (DCTDecode in the dictionary)
  int32_t width = 0, height = 0;
  bool rgb = false;  // the image is left in RGB
};

// `rgbSpace` is what an RGB image's /ColorSpace says (for PDF/X-4 an ICCBased reference);
// `profile` converts RGB for PDF/X-1a.
ImageObject EncodeImage(const Picture& picture, PdfStandard standard, const OutputProfile* profile,
                        const std::string& rgbSpace);

}  // namespace tarvelin::pdf
