#include "pdf_read_back.h"

#include <qpdf/Pl_Discard.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>

namespace tarvelin::fuzz {

namespace {

// Content operators are only parsed: qpdf warns about what it cannot read.
class IgnoreContent : public QPDFObjectHandle::ParserCallbacks {
 public:
  void handleObject(QPDFObjectHandle) override {}
  void handleEOF() override {}
};

}  // namespace

bool PdfReadsCleanly(const std::string& bytes, size_t pages) {
  try {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processMemoryFile("fuzz.pdf", bytes.data(), bytes.size());
    auto all = QPDFPageDocumentHelper(pdf).getAllPages();
    if (all.size() != pages) return false;
    IgnoreContent ignore;
    for (QPDFPageObjectHelper& page : all) page.parseContents(&ignore);
    // Writing decodes every stream, so damaged compressed data shows as a warning.
    QPDFWriter writer(pdf);
    Pl_Discard discard;
    writer.setOutputPipeline(&discard);
    writer.setDecodeLevel(qpdf_dl_all);
    writer.write();
    return !pdf.anyWarnings();
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace tarvelin::fuzz
