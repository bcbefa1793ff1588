#include "layout/qt_image_probe.h"

#include <QImage>
#include <QImageReader>

namespace tarvelin {

namespace {

// What a QImage carries when its file named no resolution.
int DefaultDotsPerMeter() {
  static const int dpm = QImage(1, 1, QImage::Format_RGB32).dotsPerMeterX();
  return dpm;
}

constexpr double kInchesPerMeter = 39.37007874;

}  // namespace

ImageInfo QtImageProbe::Probe(const std::filesystem::path& file) const {
  ImageInfo info;
  QImageReader reader(QString::fromStdString(file.string()));
  reader.setAutoTransform(false);
  if (!reader.canRead()) {
    info.error = reader.errorString().toStdString();
    if (info.error.empty()) info.error = "not an image Qt can read";
    return info;
  }
  info.format = reader.format().toStdString();
  QSize size = reader.size();
  if (!size.isValid() || size.isEmpty()) {
    info.error = "the image has no size";
    return info;
  }
  info.pixelWidth = size.width();
  info.pixelHeight = size.height();
  // The resolution is only known after decoding; Qt's allocation limit turns a huge
  // image into a clear error rather than an exhausted machine.
  QImage image = reader.read();
  if (image.isNull()) {
    info.error = reader.errorString().toStdString();
    return info;
  }
  if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0 &&
      (image.dotsPerMeterX() != DefaultDotsPerMeter() ||
       image.dotsPerMeterY() != DefaultDotsPerMeter())) {
    info.ppiX = image.dotsPerMeterX() / kInchesPerMeter;
    info.ppiY = image.dotsPerMeterY() / kInchesPerMeter;
  }
  info.widthPt = info.pixelWidth * 72.0 / info.ppiX;
  info.heightPt = info.pixelHeight * 72.0 / info.ppiY;
  info.ok = true;
  return info;
}

}  // namespace tarvelin
