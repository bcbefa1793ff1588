#include "pdf/ink_coverage.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <map>

namespace tarvelin::pdf {

namespace {

constexpr double kDpi = 127;  // 0.2 mm a pixel

// The highest mean ink over any `side` x `side` square of a page whose summed ink per
// pixel (in 1/255 of a plate) is `ink`, through a summed-area table: linear in the pixels.
InkPeak Peak(const std::vector<uint32_t>& ink, int w, int h, int side) {
  side = std::max(1, std::min({side, w, h}));
  const size_t stride = static_cast<size_t>(w) + 1;
  std::vector<uint64_t> sum(stride * (static_cast<size_t>(h) + 1), 0);
  for (int y = 0; y < h; ++y) {
    uint64_t row = 0;
    for (int x = 0; x < w; ++x) {
      row += ink[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
      sum[(static_cast<size_t>(y) + 1) * stride + static_cast<size_t>(x) + 1] =
          sum[static_cast<size_t>(y) * stride + static_cast<size_t>(x) + 1] + row;
    }
  }
  uint64_t best = 0;
  int bx = 0, by = 0;
  for (int y = side; y <= h; ++y)
    for (int x = side; x <= w; ++x) {
      auto at = [&](int xx, int yy) {
        return sum[static_cast<size_t>(yy) * stride + static_cast<size_t>(xx)];
      };
      const uint64_t s = at(x, y) - at(x - side, y) - at(x, y - side) + at(x - side, y - side);
      if (s > best) best = s, bx = x, by = y;
    }
  InkPeak peak;
  peak.percent = static_cast<double>(best) * 100 / 255 / (static_cast<double>(side) * side);
  peak.x = (bx - side / 2.0) * 72 / kDpi;
  peak.y = (h - (by - side / 2.0)) * 72 / kDpi;
  return peak;
}

}  // namespace

InkCoverage MeasureInkCoverage(const std::filesystem::path& pdf, double squareMm) {
  InkCoverage out;
  QTemporaryDir dir;
  if (!dir.isValid()) {
    out.error = "no scratch folder to measure the ink coverage in";
    return out;
  }
  QProcess gs;
  gs.setProcessChannelMode(QProcess::MergedChannels);
  gs.start(
      QStringLiteral("gs"),
      {"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=tiffsep", "-r" + QString::number(kDpi),
       "-sOutputFile=" + dir.filePath("p%05d.tif"), QString::fromStdString(pdf.string())});
  if (!gs.waitForStarted()) {
    out.error = "Ghostscript (gs) is needed to measure the ink coverage and cannot be run";
    return out;
  }
  gs.waitForFinished(-1);
  if (gs.exitStatus() != QProcess::NormalExit || gs.exitCode() != 0) {
    out.error = "Ghostscript cannot render the file to measure its ink coverage: " +
                gs.readAll().trimmed().left(300).toStdString();
    return out;
  }
  // tiffsep writes pNNNNN.tif (the composite) and pNNNNN(Plate).tif for every plate.
  std::map<int, QStringList> plates;
  for (const QString& f :
       QDir(dir.path()).entryList({"p[0-9][0-9][0-9][0-9][0-9](*).tif"}, QDir::Files))
    plates[f.mid(1, 5).toInt()].push_back(f);
  const int side = static_cast<int>(std::lround(squareMm / 25.4 * kDpi));
  for (const auto& [page, files] : plates) {
    std::vector<uint32_t> ink;
    int w = 0, h = 0;
    for (const QString& f : files) {
      const QImage plate = QImage(dir.filePath(f)).convertToFormat(QImage::Format_Grayscale8);
      if (plate.isNull() || (w && (plate.width() != w || plate.height() != h))) {
        out.error = "Ghostscript's separation " + f.toStdString() + " cannot be read";
        return out;
      }
      if (!w) {
        w = plate.width(), h = plate.height();
        ink.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
      }
      // A plate is stored as grey levels: 0 for solid ink.
      for (int y = 0; y < h; ++y) {
        const uchar* line = plate.constScanLine(y);
        uint32_t* row = ink.data() + static_cast<size_t>(y) * static_cast<size_t>(w);
        for (int x = 0; x < w; ++x) row[x] += 255u - line[x];
      }
    }
    if (!w) continue;
    InkPeak peak = Peak(ink, w, h, side);
    peak.page = page;
    out.pages.push_back(peak);
  }
  if (out.pages.empty()) out.error = "Ghostscript rendered no page to measure the ink of";
  return out;
}

}  // namespace tarvelin::pdf
