#include "pdf/pdf_images.h"

#include <QPainter>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tarvelin::pdf {

std::optional<JpegInfo> ReadJpegInfo(std::string_view d) {
  auto byte = [&](size_t i) { return static_cast<uint8_t>(d[i]); };
  if (d.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8) return std::nullopt;
  JpegInfo info;
  size_t i = 2;
  while (i + 4 <= d.size()) {
    if (byte(i) != 0xFF) return std::nullopt;
    const uint8_t marker = byte(i + 1);
    if (marker == 0xFF) {  // fill byte
      ++i;
      continue;
    }
    if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
      i += 2;
      continue;
    }
    const size_t length = (static_cast<size_t>(byte(i + 2)) << 8) | byte(i + 3);
    if (length < 2 || i + 2 + length > d.size()) return std::nullopt;
    const size_t body = i + 4;
    if (marker == 0xEE && length >= 7 && d.substr(body, 5) == "Adobe") info.adobe = true;
    // Frame headers; 0xC4 (tables), 0xC8 (reserved) and 0xCC (arithmetic tables) are not.
    const bool frame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      // Baseline, extended and progressive Huffman coding; PDF readers decode no others.
      if (marker > 0xC2 || length < 8) return std::nullopt;
      info.bits = byte(body);
      info.height = static_cast<int32_t>((byte(body + 1) << 8) | byte(body + 2));
      info.width = static_cast<int32_t>((byte(body + 3) << 8) | byte(body + 4));
      info.components = byte(body + 5);
      if (info.bits != 8 || info.width == 0 || info.height == 0 ||
          (info.components != 1 && info.components != 3 && info.components != 4))
        return std::nullopt;
      return info;
    }
    if (marker == 0xDA || marker == 0xD9) return std::nullopt;  // image data before a frame
    i += 2 + length;
  }
  return std::nullopt;
}

namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Head(int32_t w, int32_t h, const std::string& space) {
  return "/Type /XObject /Subtype /Image /Width " + std::to_string(w) + " /Height " +
         std::to_string(h) + " /ColorSpace " + space + " /BitsPerComponent 8";
}

// Rows of `samples` (channels bytes a pixel) filtered as PNG does before deflating, each
// row by the filter that leaves the smallest sum of magnitudes. Pictures are smooth, so
// the differences compress many times better than the samples themselves.
std::string Predicted(std::string_view samples, size_t width, size_t channels) {
  const size_t row = width * channels;
  if (row == 0) return std::string(samples);
  const size_t rows = samples.size() / row;
  std::string out;
  out.reserve(samples.size() + rows);
  std::string candidate[5];
  for (auto& c : candidate) c.resize(row);
  const std::string zero(row, '\0');
  for (size_t y = 0; y < rows; ++y) {
    const auto* cur = reinterpret_cast<const uint8_t*>(samples.data() + y * row);
    const auto* up =
        reinterpret_cast<const uint8_t*>(y ? samples.data() + (y - 1) * row : zero.data());
    size_t best = 0;
    uint64_t best_cost = UINT64_MAX;
    for (size_t f = 0; f < 5; ++f) {
      uint64_t cost = 0;
      for (size_t i = 0; i < row; ++i) {
        const int a = i >= channels ? cur[i - channels] : 0, b = up[i],
                  c = i >= channels ? up[i - channels] : 0;
        int predicted = 0;
        switch (f) {
          case 1:
            predicted = a;
            break;
          case 2:
            predicted = b;
            break;
          case 3:
            predicted = (a + b) / 2;
            break;
          case 4: {
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
                      pc = std::abs(p - c);
            predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            break;
          }
          default:
            break;
        }
        const auto v = static_cast<uint8_t>(cur[i] - predicted);
        candidate[f][i] = static_cast<char>(v);
        cost += v < 128 ? v : 256 - v;
      }
      if (cost < best_cost) best_cost = cost, best = f;
    }
    out += static_cast<char>(best);
    out += candidate[best];
  }
  return out;
}

// A Flate image of `channels` 8-bit samples a pixel, stored with PNG predictors.
void Deflated(ImageObject& out, const std::string& space, size_t channels) {
  out.dictionary = Head(out.width, out.height, space) + " /DecodeParms <</Predictor 15 /Colors " +
                   std::to_string(channels) + " /BitsPerComponent 8 /Columns " +
                   std::to_string(out.width) + ">>";
  out.data = Predicted(out.data, static_cast<size_t>(out.width), channels);
}

}  // namespace

ImageObject EncodeImage(const Picture& picture, PdfStandard standard, const OutputProfile* profile,
                        const std::string& rgbSpace) {
  ImageObject out;
  std::string file = ReadFile(picture.file);
  if (auto jpeg = ReadJpegInfo(file)) {
    const bool pass = jpeg->components != 3 || standard != PdfStandard::kX1a;
    if (pass) {
      std::string space = jpeg->components == 1   ? "/DeviceGray"
                          : jpeg->components == 3 ? rgbSpace
                                                  : "/DeviceCMYK";
      out.dictionary = Head(jpeg->width, jpeg->height, space) + " /Filter /DCTDecode";
      if (jpeg->components == 4 && jpeg->adobe) out.dictionary += " /Decode [1 0 1 0 1 0 1 0]";
      out.data = std::move(file);
      out.compress = false;
      out.width = jpeg->width;
      out.height = jpeg->height;
      out.rgb = jpeg->components == 3;
      return out;
    }
  }
  QImage image = *picture.image;
  if (image.hasAlphaChannel()) {
    QImage flat(image.size(), QImage::Format_RGB888);
    flat.fill(Qt::white);
    QPainter p(&flat);
    p.drawImage(0, 0, image);
    p.end();
    image = std::move(flat);
  }
  out.width = image.width();
  out.height = image.height();
  const size_t w = static_cast<size_t>(image.width());
  if (image.isGrayscale()) {
    image = image.convertToFormat(QImage::Format_Grayscale8);
    out.data.reserve(w * static_cast<size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y)
      out.data.append(reinterpret_cast<const char*>(image.constScanLine(y)), w);
    Deflated(out, "/DeviceGray", 1);
    return out;
  }
  image = image.convertToFormat(QImage::Format_RGB888);
  if (standard == PdfStandard::kX1a && profile) {
    out.data.resize(w * 4 * static_cast<size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y)
      profile->RgbToCmyk(
          image.constScanLine(y),
          reinterpret_cast<uint8_t*>(out.data.data()) + w * 4 * static_cast<size_t>(y), w);
    Deflated(out, "/DeviceCMYK", 4);
    return out;
  }
  out.data.reserve(w * 3 * static_cast<size_t>(image.height()));
  for (int y = 0; y < image.height(); ++y)
    out.data.append(reinterpret_cast<const char*>(image.constScanLine(y)), w * 3);
  Deflated(out, rgbSpace, 3);
  out.rgb = true;
  return out;
}

}  // namespace tarvelin::pdf
