// Throughput of a whole tagged-text import into a real story: a generated Mac Central
// European file with a tag about every 40 characters and a paragraph style about every
// 400, imported through the provider (stream test, header skip, scan, application, one
// command sequence) into a new story of a fresh database. Sizes 5, 10 and 20 MB show
// whether time grows linearly; "immediate" applies every operation as its own command
// (1 MB), for comparison with the batched application.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/stream.h"
#include "host/objects/class_registry.h"
#include "host/objects/database.h"
#include "host/text/font_catalogue.h"
#include "host/text/text_classes.h"
#include "host/text/text_model.h"
#include "host/text/text_workspace.h"
#include "tagged/lookups.h"
#include "tagged/qxt_import_provider.h"
#include "tagged/story_application.h"
#include "tagged/text_scanner.h"

namespace tarvelin {
namespace {

const StaticFontCatalogue& Fonts() {
  static const StaticFontCatalogue fonts({
      {u"Liberation Serif",
       {{u"Regular", u"Liberation Serif", u"LiberationSerif", FaceKind::kRegular},
        {u"Bold", u"Liberation Serif Bold", u"LiberationSerif-Bold", FaceKind::kBold},
        {u"Italic", u"Liberation Serif Italic", u"LiberationSerif-Italic", FaceKind::kItalic},
        {u"Bold Italic", u"Liberation Serif Bold Italic", u"LiberationSerif-BoldItalic",
         FaceKind::kBoldItalic}}},
      {u"Arial",
       {{u"Regular", u"Arial", u"ArialMT", FaceKind::kRegular},
        {u"Bold", u"Arial Bold", u"Arial-BoldMT", FaceKind::kBold}}},
  });
  return fonts;
}

// ASCII (Mac CE bytes) text, words and tags, paragraphs of about 400 characters.
const std::vector<uint8_t>& Generate(size_t megabytes) {
  static std::vector<std::pair<size_t, std::vector<uint8_t>>> cache;
  for (const auto& [mb, bytes] : cache) {
    if (mb == megabytes) return bytes;
  }
  static const std::string kWords[] = {"cena ", "sprzedam ", "mieszkanie ", "tel. ",
                                       "zl, ",  "pokoj ",    "ogloszenie ", "dzial ",
                                       "200 ",  "m2, ",      "lodz ",       "pilnie "};
  static const std::string kTags[] = {"<B>",
                                      "<z10.5>",
                                      "<I>",
                                      "<f\"Arial\">",
                                      "<c\"Czerwony\">",
                                      "<h90>",
                                      "<$>",
                                      "<@Em>",
                                      "<U>",
                                      "<k-5t10>",
                                      "<\\!s>",
                                      "<*C>",
                                      "<@$p>",
                                      "<B>",
                                      "<f$>",
                                      "<cC>",
                                      "<z$>",
                                      "<*rb(1,0,\"Black\",0,T2,3,50%)>",
                                      "<U>",
                                      "<I>",
                                      "<h$>",
                                      "<c$>"};
  static const std::string kParagraphs[] = {"@Body:", "@Head:", "@Body:", "@$:"};
  std::string text =
      "<v1.70><e1>\r"
      "@Czerwony=[C]<\"CMYK\",0,0,0,0,1,1,0,0>\r"
      "@Em=<I z11>\r"
      "@Body=[S\"\",\"Body\"]<*J z9 f\"Arial\" *p(0,8,0,11,0,0,g,\"0\")>\r"
      "@Head=[S\"\",\"Head\",\"Em\"]<*C z14>\r";
  const size_t target = megabytes << 20;
  text.reserve(target + 512);
  size_t word = 0, tag = 0, para = 0, since_tag = 0, since_para = 0;
  while (text.size() < target) {
    if (since_para >= 400) {
      text += "\r";
      text += kParagraphs[para++ % std::size(kParagraphs)];
      since_para = 0;
    }
    if (since_tag >= 40) {
      text += kTags[tag++ % std::size(kTags)];
      since_tag = 0;
    }
    const std::string& w = kWords[word++ % std::size(kWords)];
    text += w;
    since_tag += w.size();
    since_para += w.size();
  }
  text += "\r";
  cache.emplace_back(megabytes, std::vector<uint8_t>(text.begin(), text.end()));
  return cache.back().second;
}

struct Target {
  std::shared_ptr<ClassRegistry> registry = [] {
    auto r = std::make_shared<ClassRegistry>();
    RegisterTextClasses(*r);
    return r;
  }();
  std::unique_ptr<Database> db = std::make_unique<Database>(registry);
  TextWorkspace ws = CreateTextWorkspace(*db, &Fonts());
};

void BM_ImportIntoStory(benchmark::State& state) {
  const auto& bytes = Generate(static_cast<size_t>(state.range(0)));
  size_t units = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto target = std::make_unique<Target>();
    auto stream = MemoryStream::ReadView(bytes);
    state.ResumeTiming();

    QXTImportProvider provider(Fonts());
    if (provider.CanImportThisStream(*stream) != 2) state.SkipWithError("stream refused");
    UIDRef story;
    if (provider.Import(*target->db, target->ws, *stream, ImportUILevel::kNone, story) !=
        kSuccess) {
      state.SkipWithError("import failed");
    }
    units = QueryInterface<ITextModel>(story)->TotalLength();

    state.PauseTiming();
    target.reset();  // freeing the database is not part of the import
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
  state.counters["storyUnits"] = static_cast<double>(units);
}
BENCHMARK(BM_ImportIntoStory)->Arg(5)->Arg(10)->Arg(20)->Unit(benchmark::kMillisecond);

// One command per operation, straight from the scanner (no provider), for comparison.
void BM_ImportImmediate(benchmark::State& state) {
  const auto& bytes = Generate(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    auto target = std::make_unique<Target>();
    auto stream = MemoryStream::ReadView(bytes);
    state.ResumeTiming();

    for (int i = 0; i < 12; ++i) stream->ReadByte();
    SequenceId seq = target->db->Commands().BeginCommandSequence(u"Import");
    TextLookups lookups(*target->db, target->ws, Fonts());
    StoryApplication app(lookups, UIDRef::Null(), ApplyMode::kImmediate);
    TextScanner scanner(*stream, kEncodingMacCE, app, app, nullptr, 0, false);
    if (scanner.Scan() != ScanResult::kImported || app.Finish() != kSuccess) {
      state.SkipWithError("import failed");
    }
    target->db->Commands().EndCommandSequence(seq);

    state.PauseTiming();
    target.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ImportImmediate)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvelin

BENCHMARK_MAIN();
