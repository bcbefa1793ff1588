#include "pdf/preflight.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>

#include "pdf/ink_coverage.h"
#include "pdf/pdf_syntax.h"

namespace tarvelin::pdf {

bool PreflightResult::Failed() const {
  return !error.empty() ||
         std::any_of(findings.begin(), findings.end(), [](const Finding& f) { return f.failure; });
}

namespace {

enum class Space { kGray, kRgb, kCmyk, kLab, kSpot, kOther };

struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  // this, then m: the product this x m.
  Matrix Then(const Matrix& m) const {
    return {a * m.a + b * m.c, a * m.b + b * m.d,       c * m.a + d * m.c,
            c * m.b + d * m.d, e * m.a + f * m.c + m.e, e * m.b + f * m.d + m.f};
  }
  double Scale() const { return std::sqrt(std::abs(a * d - b * c)); }
};

struct Paint {
  Space space = Space::kGray;
  std::vector<double> values{0};
};

struct State {
  Matrix ctm;
  Paint fill, stroke;
};

Space SpaceOf(QPDFObjectHandle cs, QPDFObjectHandle resources, int depth = 0) {
  if (depth > 4) return Space::kOther;
  if (cs.isName()) {
    const std::string n = cs.getName();
    if (n == "/DeviceGray" || n == "/G") return Space::kGray;
    if (n == "/DeviceRGB" || n == "/RGB") return Space::kRgb;
    if (n == "/DeviceCMYK" || n == "/CMYK") return Space::kCmyk;
    if (n == "/Pattern") return Space::kOther;
    if (resources.isDictionary()) {
      QPDFObjectHandle named = resources.getKey("/ColorSpace");
      if (named.isDictionary() && named.hasKey(n))
        return SpaceOf(named.getKey(n), QPDFObjectHandle::newNull(), depth + 1);
    }
    return Space::kOther;
  }
  if (!cs.isArray() || cs.getArrayNItems() < 1 || !cs.getArrayItem(0).isName())
    return Space::kOther;
  const std::string family = cs.getArrayItem(0).getName();
  if (family == "/ICCBased" && cs.getArrayNItems() > 1 && cs.getArrayItem(1).isStream()) {
    QPDFObjectHandle n = cs.getArrayItem(1).getDict().getKey("/N");
    const int components = n.isInteger() ? static_cast<int>(n.getIntValue()) : 0;
    return components == 1 ? Space::kGray : components == 4 ? Space::kCmyk : Space::kRgb;
  }
  if (family == "/Lab") return Space::kLab;
  if (family == "/CalRGB") return Space::kRgb;
  if (family == "/CalGray") return Space::kGray;
  if (family == "/Separation" || family == "/DeviceN") return Space::kSpot;
  if (family == "/Indexed" && cs.getArrayNItems() > 1)
    return SpaceOf(cs.getArrayItem(1), resources, depth + 1);
  return Space::kOther;
}

class PageCheck : public QPDFObjectHandle::ParserCallbacks {
 public:
  PageCheck(int32_t page, QPDFObjectHandle resources, bool x4, const PreflightLimits& limits,
            std::vector<Finding>& out)
      : page_(page), resources_(resources), x4_(x4), limits_(limits), out_(out) {}

  void handleObject(QPDFObjectHandle obj) override {
    if (!obj.isOperator()) {
      operands_.push_back(obj);
      return;
    }
    Operator(obj.getOperatorValue());
    operands_.clear();
  }
  void handleEOF() override {}

 private:
  double Num(size_t i) {
    return i < operands_.size() && operands_[i].isNumber() ? operands_[i].getNumericValue() : 0;
  }
  std::vector<double> Numbers() {
    std::vector<double> v;
    for (auto& o : operands_)
      if (o.isNumber()) v.push_back(o.getNumericValue());
    return v;
  }
  std::string Place(const Matrix& m) const {
    return "x " + Number(m.e, 1) + " y " + Number(m.f, 1) + " pt";
  }
  void Add(const std::string& place, const std::string& message, bool failure = true) {
    // One line per kind of problem and page: a page of text is not a thousand findings.
    if (!seen_.insert(message).second) return;
    out_.push_back({page_, place, message, failure});
  }

  void CheckPaint(const Paint& p, const std::string& place, const char* what) {
    if ((p.space == Space::kRgb || p.space == Space::kLab) && !x4_)
      Add(place, std::string(p.space == Space::kRgb ? "RGB" : "Lab") + " colour in a " + what +
                     " (press files hold CMYK, grey and spot colours only)");
  }

  void SetPaint(bool stroke, Space space) {
    Paint& p = stroke ? state_.back().stroke : state_.back().fill;
    p.space = space;
    p.values = Numbers();
  }

  void Text() {
    const Matrix m = text_.Then(state_.back().ctm);
    const double size = font_size_ * m.Scale();
    const Paint& p = state_.back().fill;
    CheckPaint(p, Place(m), "text");
    if (size >= limits_.smallText || size <= 0) return;
    const auto& v = p.values;
    bool black = false, k_only = true;
    switch (p.space) {
      case Space::kCmyk:
        black = v.size() == 4 && v[3] >= 0.95;
        k_only = v.size() == 4 && v[0] + v[1] + v[2] == 0;
        break;
      case Space::kRgb:
        black = v.size() == 3 && v[0] + v[1] + v[2] <= 0.05;
        k_only = false;
        break;
      case Space::kGray:
        // DeviceGray black prints on K alone.
        break;
      default:
        break;
    }
    if (black && !k_only)
      Add(Place(m), "black text of " + Number(size, 1) + " pt is not on the K plate only");
  }

  void Image(const std::string& name) {
    QPDFObjectHandle xobjects = resources_.getKey("/XObject");
    if (!xobjects.isDictionary() || !xobjects.hasKey(name)) return;
    QPDFObjectHandle image = xobjects.getKey(name);
    if (!image.isStream()) return;
    QPDFObjectHandle dict = image.getDict();
    if (!dict.getKey("/Subtype").isNameAndEquals("/Image")) return;
    const Matrix& m = state_.back().ctm;
    const double w = dict.getKey("/Width").isNumber() ? dict.getKey("/Width").getNumericValue() : 0;
    const double h =
        dict.getKey("/Height").isNumber() ? dict.getKey("/Height").getNumericValue() : 0;
    const double shown_w = std::hypot(m.a, m.b), shown_h = std::hypot(m.c, m.d);
    const std::string place = Place(m);
    if (shown_w > 0 && shown_h > 0) {
      const double ppi = std::min(w / (shown_w / 72), h / (shown_h / 72));
      if (ppi < limits_.minPpi)
        out_.push_back({page_, place,
                        "picture " + name.substr(1) + " at " + Number(ppi, 0) + " ppi, below " +
                            Number(limits_.minPpi, 0) + " ppi",
                        true});
    }
    if (dict.getKey("/ImageMask").isBool() && dict.getKey("/ImageMask").getBoolValue()) return;
    const Space space = SpaceOf(dict.getKey("/ColorSpace"), resources_);
    if ((space == Space::kRgb || space == Space::kLab) && !x4_)
      out_.push_back({page_, place,
                      "picture " + name.substr(1) + (space == Space::kRgb ? " is RGB" : " is Lab"),
                      true});
  }

  void Operator(const std::string& op) {
    State& s = state_.back();
    if (op == "q") {
      if (state_.size() < 256) state_.push_back(s);
    } else if (op == "Q") {
      if (state_.size() > 1) state_.pop_back();
    } else if (op == "cm" && operands_.size() == 6) {
      s.ctm = Matrix{Num(0), Num(1), Num(2), Num(3), Num(4), Num(5)}.Then(s.ctm);
    } else if (op == "g" || op == "G") {
      SetPaint(op == "G", Space::kGray);
    } else if (op == "rg" || op == "RG") {
      SetPaint(op == "RG", Space::kRgb);
    } else if (op == "k" || op == "K") {
      SetPaint(op == "K", Space::kCmyk);
    } else if ((op == "cs" || op == "CS") && !operands_.empty()) {
      Paint& p = op == "CS" ? s.stroke : s.fill;
      p.space = SpaceOf(operands_[0], resources_);
      p.values.clear();
    } else if (op == "sc" || op == "scn" || op == "SC" || op == "SCN") {
      Paint& p = (op[0] == 'S') ? s.stroke : s.fill;
      p.values = Numbers();
    } else if (op == "f" || op == "F" || op == "f*") {
      CheckPaint(s.fill, Place(s.ctm), "fill");
    } else if (op == "S" || op == "s") {
      CheckPaint(s.stroke, Place(s.ctm), "stroke");
    } else if (op == "B" || op == "B*" || op == "b" || op == "b*") {
      CheckPaint(s.fill, Place(s.ctm), "fill");
      CheckPaint(s.stroke, Place(s.ctm), "stroke");
    } else if (op == "BT") {
      text_ = Matrix{};
      line_ = Matrix{};
    } else if (op == "Tf" && operands_.size() == 2) {
      font_size_ = Num(1);
    } else if (op == "Tm" && operands_.size() == 6) {
      text_ = line_ = Matrix{Num(0), Num(1), Num(2), Num(3), Num(4), Num(5)};
    } else if ((op == "Td" || op == "TD") && operands_.size() == 2) {
      line_ = Matrix{1, 0, 0, 1, Num(0), Num(1)}.Then(line_);
      text_ = line_;
    } else if (op == "Tj" || op == "TJ" || op == "'" || op == "\"") {
      Text();
    } else if (op == "Do" && !operands_.empty() && operands_[0].isName()) {
      Image(operands_[0].getName());
    }
  }

  const int32_t page_;
  QPDFObjectHandle resources_;
  const bool x4_;
  const PreflightLimits& limits_;
  std::vector<Finding>& out_;
  std::vector<QPDFObjectHandle> operands_;
  std::vector<State> state_{State{}};
  Matrix text_, line_;
  double font_size_ = 0;
  std::set<std::string> seen_;
};

bool Embedded(QPDFObjectHandle font) {
  if (font.getKey("/Subtype").isNameAndEquals("/Type3")) return true;
  if (font.getKey("/Subtype").isNameAndEquals("/Type0")) {
    QPDFObjectHandle d = font.getKey("/DescendantFonts");
    if (!d.isArray() || d.getArrayNItems() < 1) return false;
    font = d.getArrayItem(0);
  }
  QPDFObjectHandle fd = font.getKey("/FontDescriptor");
  return fd.isDictionary() &&
         (fd.hasKey("/FontFile") || fd.hasKey("/FontFile2") || fd.hasKey("/FontFile3"));
}

}  // namespace

PreflightResult PreflightPdf(const std::filesystem::path& file, const PreflightLimits& limits) {
  PreflightResult result;
  try {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(file.c_str());
    QPDFObjectHandle info = pdf.getTrailer().getKey("/Info");
    QPDFObjectHandle version =
        info.isDictionary() ? info.getKey("/GTS_PDFXVersion") : QPDFObjectHandle::newNull();
    const bool x4 =
        !limits.cmykOnly && version.isString() && version.getUTF8Value().rfind("PDF/X-4", 0) == 0;
    std::set<std::string> spots;
    int32_t n = 0;
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
      ++n;
      QPDFObjectHandle dict = page.getObjectHandle();
      if (!dict.getKey("/TrimBox").isArray() && !dict.getKey("/ArtBox").isArray())
        result.findings.push_back({n, "", "the page has no TrimBox", true});
      QPDFObjectHandle resources = page.getAttribute("/Resources", false);
      if (!resources.isDictionary()) resources = QPDFObjectHandle::newDictionary();
      QPDFObjectHandle fonts = resources.getKey("/Font");
      if (fonts.isDictionary())
        for (const std::string& key : fonts.getKeys()) {
          QPDFObjectHandle font = fonts.getKey(key);
          if (font.isDictionary() && !Embedded(font)) {
            QPDFObjectHandle base = font.getKey("/BaseFont");
            result.findings.push_back({n, "",
                                       "the font " +
                                           (base.isName() ? base.getName().substr(1) : key) +
                                           " is not embedded",
                                       true});
          }
        }
      QPDFObjectHandle spaces = resources.getKey("/ColorSpace");
      if (spaces.isDictionary())
        for (const std::string& key : spaces.getKeys()) {
          QPDFObjectHandle cs = spaces.getKey(key);
          if (cs.isArray() && cs.getArrayNItems() > 1 &&
              cs.getArrayItem(0).isNameAndEquals("/Separation") && cs.getArrayItem(1).isName()) {
            const std::string name = cs.getArrayItem(1).getName().substr(1);
            if (spots.insert(name).second)
              result.findings.push_back({n, "", "spot colour \"" + name + "\"", false});
          }
        }
      PageCheck check(n, resources, x4, limits, result.findings);
      page.parseContents(&check);
    }
    if (n == 0) {
      result.error = file.string() + ": the PDF has no pages";
      return result;
    }
    const InkCoverage ink = MeasureInkCoverage(file, limits.inkSquareMm);
    if (!ink.error.empty()) result.findings.push_back({0, "", ink.error, true});
    for (const InkPeak& peak : ink.pages)
      if (peak.percent > limits.maxInk + 0.5)
        result.findings.push_back({peak.page,
                                   "x " + Number(peak.x, 1) + " y " + Number(peak.y, 1) + " pt",
                                   "total ink reaches " + Number(peak.percent, 0) + " % over " +
                                       Number(limits.inkSquareMm, 1) + " mm square, above " +
                                       Number(limits.maxInk, 0) + " %",
                                   true});
  } catch (const std::exception& e) {
    result.error = file.string() + ": not a readable PDF (" + e.what() + ")";
  }
  return result;
}

}  // namespace tarvelin::pdf
