#include "idml/idml_export.h"

#include "host/text/swatch_list.h"
#include "idml/writer.h"
#include "idml/xml_part.h"

namespace tarvelin::idml {

namespace {

std::string ContainerPart() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
         "\t<rootfiles>\n"
         "\t\t<rootfile full-path=\"designmap.xml\" media-type=\"text/xml\"/>\n"
         "\t</rootfiles>\n"
         "</container>\n";
}

std::string TagsPart() {
  XmlWriter w;
  BeginPart(w, "Tags");
  w.Start("XMLTag").Attr("Self", "XMLTag/Root").Attr("Name", "Root");
  w.Start("Properties").Typed("TagColor", "enumeration", "LightBlue");
  return w.Take();
}

std::string BackingStoryPart() {
  XmlWriter w;
  BeginPart(w, "BackingStory");
  w.Start("XmlStory").Attr("Self", "dbackingstory").Attr("AppliedTOCStyle", "n");
  w.BoolAttr("TrackChanges", false).Attr("StoryTitle", "$ID/").Attr("AppliedNamedGrid", "n");
  w.Start("ParagraphStyleRange");
  w.Attr("AppliedParagraphStyle", "ParagraphStyle/$ID/NormalParagraphStyle");
  w.Start("CharacterStyleRange");
  w.Attr("AppliedCharacterStyle", "CharacterStyle/$ID/[No character style]");
  w.Start("XMLElement").Attr("Self", "dxmlroot").Attr("MarkupTag", "XMLTag/Root");
  return w.Take();
}

}  // namespace

Writer::Writer(const Document& doc, const ExportOptions& options)
    : doc_(doc),
      db_(doc.DataBase()),
      options_(options),
      ws_(doc.TextWorkspaceRefs()),
      resolver_(doc.DataBase(), doc.TextWorkspaceRefs()),
      pages_(DocumentPages(doc)) {
  for (size_t n = 0; n < pages_.size(); ++n) pagesOfSpread_[pages_[n].spread].push_back(n);
  if (auto t = db_.Query<IStyleTable>(ws_.paragraphStyles)) rootParagraph_ = t->RootStyle();
  if (auto t = db_.Query<IStyleTable>(ws_.characterStyles)) rootCharacter_ = t->RootStyle();
}

void Writer::Missing(std::string what) {
  missing_.insert(std::move(what));
}

void Writer::Build(Package& package, ExportResult& result) {
  // Every listed swatch is defined, in list order, whether used or not.
  if (auto list = db_.Query<ISwatchList>(ws_.swatches))
    for (UID uid : list->Swatches()) SwatchRef(uid);

  std::string styles = StylesPart();
  std::vector<std::pair<std::string, std::string>> spreads;
  for (UID spread : doc_.Data()->Spreads()) spreads.emplace_back(Id(spread), SpreadPart(spread));
  if (auto list = doc_.Stories())
    for (const StoryEntry& e : list->Entries()) StoryRef(e.story);
  std::vector<std::pair<std::string, std::string>> stories;
  // Writing a story may reference more (an inline text frame's own story).
  for (size_t i = 0; i < storyQueue_.size(); ++i) {
    UID story = storyQueue_[i];
    stories.emplace_back(Id(story), StoryPart(story));
  }
  std::string graphic = GraphicPart();
  std::string fonts = FontsPart();

  std::vector<std::string> spreadIds, storyIds;
  for (const auto& s : spreads) spreadIds.push_back(s.first);
  for (const auto& s : stories) storyIds.push_back(s.first);

  package.Add("META-INF/container.xml", ContainerPart());
  package.Add("designmap.xml", DesignMap({"dmaster"}, spreadIds, storyIds));
  package.Add("Resources/Graphic.xml", std::move(graphic));
  package.Add("Resources/Fonts.xml", std::move(fonts));
  package.Add("Resources/Styles.xml", std::move(styles));
  package.Add("Resources/Preferences.xml", PreferencesPart());
  package.Add("MasterSpreads/MasterSpread_dmaster.xml", MasterSpreadPart());
  for (auto& [id, xml] : spreads) package.Add("Spreads/Spread_" + id + ".xml", std::move(xml));
  for (auto& [id, xml] : stories) package.Add("Stories/Story_" + id + ".xml", std::move(xml));
  package.Add("XML/BackingStory.xml", BackingStoryPart());
  package.Add("XML/Tags.xml", TagsPart());

  result.missing.assign(missing_.begin(), missing_.end());
  result.spreads = spreads.size();
  result.stories = stories.size();
  result.frames = frames_;
  result.inlineFrames = inlineFrames_;
}

ExportResult ExportIdml(const Document& doc, const std::filesystem::path& target,
                        const ExportOptions& options) {
  ExportResult result;
  if (!doc.Data()) {
    result.error = "the document has no root";
    return result;
  }
  Package package;
  Writer(doc, options).Build(package, result);
  result.error = package.Write(target);
  result.ok = result.error.empty();
  return result;
}

}  // namespace tarvelin::idml
