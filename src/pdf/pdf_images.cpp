#include "pdf/pdf_images.h"

#include <QPainter>
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
    out.dictionary = Head(out.width, out.height, "/DeviceGray");
    return out;
  }
  image = image.convertToFormat(QImage::Format_RGB888);
  if (standard == PdfStandard::kX1a && profile) {
    out.data.resize(w * 4 * static_cast<size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y)
      profile->RgbToCmyk(
          image.constScanLine(y),
          reinterpret_cast<uint8_t*>(out.data.data()) + w * 4 * static_cast<size_t>(y), w);
    out.dictionary = Head(out.width, out.height, "/DeviceCMYK");
    return out;
  }
  out.data.reserve(w * 3 * static_cast<size_t>(image.height()));
  for (int y = 0; y < image.height(); ++y)
    out.data.append(reinterpret_cast<const char*>(image.constScanLine(y)), w * 3);
  out.dictionary = Head(out.width, out.height, rgbSpace);
  out.rgb = true;
  return out;
}

}  // namespace tarvelin::pdf
