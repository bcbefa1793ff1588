#include "pdf/pdf_export.h"

#include <QCryptographicHash>
#include <QUuid>

#include "core/utf16.h"
#include "host/documents/document.h"
#include "host/documents/spread.h"
#include "layout/composition_state.h"
#include "pdf/pdf_file.h"
#include "pdf/pdf_syntax.h"

namespace tarvelin::pdf {

namespace {

namespace fs = std::filesystem;

std::string Ref(int32_t object) {
  return std::to_string(object) + " 0 R";
}

std::string XmlEscaped(std::string_view s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Xmp(const std::string& title, std::time_t created, const std::string& uuid) {
  const std::string date = IsoDate(created);
  return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
         "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
         "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
         "<rdf:Description rdf:about=\"\"\n"
         " xmlns:dc=\"http://purl.org/dc/elements/1.1/\"\n"
         " xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\"\n"
         " xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\"\n"
         " xmlns:xmpMM=\"http://ns.adobe.com/xap/1.0/mm/\"\n"
         " xmlns:pdfxid=\"http://www.npes.org/pdfx/ns/id/\">\n"
         "<dc:format>application/pdf</dc:format>\n"
         "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">" +
         XmlEscaped(title) +
         "</rdf:li></rdf:Alt></dc:title>\n"
         "<xmp:CreateDate>" +
         date + "</xmp:CreateDate>\n<xmp:ModifyDate>" + date +
         "</xmp:ModifyDate>\n<xmp:MetadataDate>" + date +
         "</xmp:MetadataDate>\n"
         "<xmp:CreatorTool>Tarvelin</xmp:CreatorTool>\n"
         "<pdf:Producer>Tarvelin</pdf:Producer>\n"
         "<pdf:Trapped>False</pdf:Trapped>\n"
         "<xmpMM:DocumentID>uuid:" +
         uuid + "</xmpMM:DocumentID>\n<xmpMM:InstanceID>uuid:" + uuid +
         "</xmpMM:InstanceID>\n"
         "<xmpMM:VersionID>1</xmpMM:VersionID>\n"
         "<xmpMM:RenditionClass>default</xmpMM:RenditionClass>\n"
         "<pdfxid:GTS_PDFXVersion>PDF/X-4</pdfxid:GTS_PDFXVersion>\n"
         "</rdf:Description>\n</rdf:RDF>\n</x:xmpmeta>\n"
         "<?xpacket end=\"w\"?>";
}

const char* VersionOf(PdfStandard standard) {
  switch (standard) {
    case PdfStandard::kX1a:
      return "1.3";
    case PdfStandard::kX4:
      return "1.6";
    case PdfStandard::kScreen:
      break;
  }
  return "1.4";
}

}  // namespace

ErrorCode WritePdf(const Document& doc, const CompositionState& state, const fs::path& path,
                   const PdfOptions& options, RenderReport& report, std::string* error,
                   PdfReport* details) {
  auto fail = [&](ErrorCode code, const std::string& why) {
    if (error) *error = why;
    return code;
  };
  const std::vector<PageRef> pages = DocumentPages(doc);
  if (pages.empty()) return fail(kInvalidArgument, "the document has no pages");
  const bool press = options.standard != PdfStandard::kScreen;
  if (press && !options.profile)
    return fail(kInvalidArgument,
                std::string(StandardName(options.standard)) + " needs a CMYK output profile");
  const std::time_t created = options.created ? options.created : std::time(nullptr);

  PdfFile file(path, VersionOf(options.standard));
  if (!file.Ok()) return fail(kFailure, "cannot write " + path.string());
  PdfResources resources(file, options.standard, options.profile);
  const int32_t catalog = file.Reserve(), tree = file.Reserve(), info = file.Reserve();

  std::string kids;
  PageDrawer drawer(doc, state, report);
  for (size_t i = 0; i < pages.size(); ++i) {
    const PMRect& b = pages[i].page.bounds;
    PdfCanvas canvas(resources, static_cast<int32_t>(i + 1), b.Height());
    drawer.Draw(pages[i], canvas);
    if (!resources.error.empty()) return fail(kFailure, resources.error);
    const int32_t content = file.Reserve(), page = file.Reserve();
    file.Stream(content, "", canvas.Content());
    const std::string box = "[0 0 " + Number(b.Width()) + " " + Number(b.Height()) + "]";
    std::string dict = "<</Type /Page /Parent " + Ref(tree) + " /MediaBox " + box;
    if (press) dict += " /TrimBox " + box + " /BleedBox " + box;
    dict += " /Resources " + canvas.ResourceDictionary() + " /Contents " + Ref(content) + ">>";
    file.Object(page, dict);
    kids += Ref(page) + " ";
    ++report.pages;
  }
  file.Object(tree,
              "<</Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + ">>");

  for (const auto& font : resources.fonts.Fonts()) {
    if (!font->Write(file, error)) return kFailure;
    if (details) details->fonts.push_back(font->DisplayName().toStdString());
  }

  std::u16string name;
  if (auto data = doc.Data()) name = data->Name();
  if (name.empty()) name = FromUtf8(path.stem().string());

  std::string catalog_dict = "<</Type /Catalog /Pages " + Ref(tree);
  if (press) {
    const int32_t intent = file.Reserve(), icc = file.Reserve();
    file.Stream(icc, "/N 4 /Alternate /DeviceCMYK", options.profile->Data());
    const std::string condition = options.profile->ConditionIdentifier();
    file.Object(intent, "<</Type /OutputIntent /S /GTS_PDFX /OutputConditionIdentifier " +
                            Literal(condition) + " /OutputCondition " +
                            Literal(options.profile->Description()) + " /Info " +
                            Literal(options.profile->Description()) +
                            " /RegistryName (http://www.color.org) /DestOutputProfile " + Ref(icc) +
                            ">>");
    catalog_dict += " /OutputIntents [" + Ref(intent) + "]";
  }
  const QString uuid =
      QUuid::createUuidV5(QUuid(), QString::fromStdString(path.string() + Date(created)))
          .toString(QUuid::WithoutBraces);
  if (options.standard == PdfStandard::kX4) {
    const int32_t metadata = file.Reserve();
    file.Stream(metadata, "/Type /Metadata /Subtype /XML",
                Xmp(ToUtf8(name), created, uuid.toStdString()), false);
    catalog_dict += " /Metadata " + Ref(metadata);
  }
  file.Object(catalog, catalog_dict + ">>");

  std::string info_dict = "<</Title " + TextString(name) +
                          " /Creator (Tarvelin) /Producer (Tarvelin) /CreationDate " +
                          Literal(Date(created)) + " /ModDate " + Literal(Date(created));
  if (press) info_dict += " /Trapped /False";
  if (options.standard == PdfStandard::kX1a)
    info_dict += " /GTS_PDFXVersion (PDF/X-1:2001) /GTS_PDFXConformance (PDF/X-1a:2001)";
  if (options.standard == PdfStandard::kX4) info_dict += " /GTS_PDFXVersion (PDF/X-4)";
  file.Object(info, info_dict + ">>");

  const QByteArray id = QCryptographicHash::hash(QByteArray::fromStdString(uuid.toStdString()),
                                                 QCryptographicHash::Md5)
                            .toHex();
  const std::string id_hex = "<" + id.toStdString() + ">";
  if (!file.Commit("/Root " + Ref(catalog) + " /Info " + Ref(info) + " /ID [" + id_hex + " " +
                   id_hex + "]"))
    return fail(kFailure, "cannot write " + path.string());
  report.files.push_back(path);
  if (details) {
    details->images = std::move(resources.images);
    details->spots = resources.SeparationNames();
  }
  return kSuccess;
}

}  // namespace tarvelin::pdf
