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
  pugi::xml_document doc;
  pugi::xml_node root = BeginPart(doc, "Tags");
  pugi::xml_node tag = root.append_child("XMLTag");
  SetAttr(tag, "Self", "XMLTag/Root");
  SetAttr(tag, "Name", "Root");
  pugi::xml_node colour = PropertiesOf(tag).append_child("TagColor");
  SetAttr(colour, "type", "enumeration");
  colour.text().set("LightBlue");
  return SerialisePart(doc);
}

std::string BackingStoryPart() {
  pugi::xml_document doc;
  pugi::xml_node root = BeginPart(doc, "BackingStory");
  pugi::xml_node story = root.append_child("XmlStory");
  SetAttr(story, "Self", "dbackingstory");
  SetAttr(story, "AppliedTOCStyle", "n");
  SetBool(story, "TrackChanges", false);
  SetAttr(story, "StoryTitle", "$ID/");
  SetAttr(story, "AppliedNamedGrid", "n");
  pugi::xml_node para = story.append_child("ParagraphStyleRange");
  SetAttr(para, "AppliedParagraphStyle", "ParagraphStyle/$ID/NormalParagraphStyle");
  pugi::xml_node run = para.append_child("CharacterStyleRange");
  SetAttr(run, "AppliedCharacterStyle", "CharacterStyle/$ID/[No character style]");
  pugi::xml_node element = run.append_child("XMLElement");
  SetAttr(element, "Self", "dxmlroot");
  SetAttr(element, "MarkupTag", "XMLTag/Root");
  return SerialisePart(doc);
}

}  // namespace

Writer::Writer(const Document& doc, const ExportOptions& options)
    : doc_(doc),
      db_(doc.DataBase()),
      options_(options),
      ws_(doc.TextWorkspaceRefs()),
      resolver_(doc.DataBase(), doc.TextWorkspaceRefs()) {
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
