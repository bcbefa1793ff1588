// A tagged-text file through the import provider into a real story: encoding detection,
// the header line, the scanner and the application of styles, colours and attributes.
#include <memory>

#include "core/stream.h"
#include "fuzz_target.h"
#include "host/objects/class_registry.h"
#include "host/objects/database.h"
#include "host/text/font_catalogue.h"
#include "host/text/text_classes.h"
#include "host/text/text_workspace.h"
#include "tagged/qxt_import_provider.h"

namespace {

tarvelin::StaticFontCatalogue& Fonts() {
  using namespace tarvelin;
  static StaticFontCatalogue fonts(
      {FontFamilyInfo{u"Arial",
                      {FontFace{u"Regular", u"Arial Regular", u"Arial-Regular", FaceKind::kRegular},
                       FontFace{u"Bold", u"Arial Bold", u"Arial-Bold", FaceKind::kBold},
                       FontFace{u"Italic", u"Arial Italic", u"Arial-Italic", FaceKind::kItalic},
                       FontFace{u"Bold Italic", u"Arial Bold Italic", u"Arial-BoldItalic",
                                FaceKind::kBoldItalic}}}});
  return fonts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvelin;
  fuzz::Quiet();
  static const std::shared_ptr<ClassRegistry> registry = [] {
    auto r = std::make_shared<ClassRegistry>();
    RegisterTextClasses(*r);
    return r;
  }();
  Database db(registry);
  TextWorkspace ws = CreateTextWorkspace(db, &Fonts());
  QXTImportProvider provider(Fonts());
  auto stream = MemoryStream::ReadView({data, size});
  UIDRef story;
  provider.Import(db, ws, *stream, ImportUILevel::kNone, story);
  return 0;
}
