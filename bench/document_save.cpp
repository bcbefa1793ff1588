// Saving and loading documents of 5,000 to 20,000 frames: the time should grow linearly
// with the frame count (one transaction, prepared statements, one pass over the objects).
//
// The document mixes what an ad page holds: text frames with a short story, picture
// frames with an image item, and styled empty frames (fill, stroke, wrap).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "host/application/host_registry.h"
#include "host/documents/document.h"
#include "host/documents/page_item_commands.h"
#include "host/objects/class_registry.h"
#include "host/objects/command_processor.h"
#include "host/persistence/document_file.h"
#include "host/text/swatch_list.h"
#include "host/text/text_commands.h"

namespace tarvelin {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<Document> MakeDocument(int frames) {
  PageSetup setup;
  auto doc = Document::Create(CreateHostRegistry(), setup, u"bench");
  if (!doc) return nullptr;
  Database& db = doc->DataBase();
  UIDRef layer = doc->DefaultSpreadLayer();
  UID black = FindSwatchByName(db, doc->TextWorkspaceRefs(), u"Black");
  ImageInfo info;
  info.ok = true, info.widthPt = 120, info.heightPt = 80, info.pixelWidth = 500,
  info.pixelHeight = 333;
  info.format = "jpeg";
  for (int i = 0; i < frames; ++i) {
    double x = (i % 40) * 12, y = (i / 40 % 60) * 12;
    PMRect r{x, y, x + 10, y + 10};
    UIDRef f;
    switch (i % 4) {
      case 0:
        CreateTextFrame(*doc, layer, r, 1 + i % 3, 6, &f);
        InsertText({&db, db.Query<ITextFrame>(f.GetUID())->Story()}, 0,
                   u"Sprzedam mieszkanie, tel. 600 100 200\r");
        break;
      case 1:
        CreateRectangleFrame(*doc, layer, r, &f);
        PlaceImage(*doc, f, "/images/photo-" + std::to_string(i) + ".jpg", info);
        break;
      default:
        CreateRectangleFrame(*doc, layer, r, &f);
        SetStrokeSwatch(*doc, UIDList(f), black);
        SetStrokeWeight(*doc, UIDList(f), 0.5);
        SetTextWrap(*doc, UIDList(f), WrapMode::kBoundingBox, {2, 2, 2, 2});
        break;
    }
  }
  db.Commands().ClearHistory();
  return doc;
}

fs::path BenchFile(const char* name) {
  return fs::temp_directory_path() /
         ("tarvelin-bench-" + std::to_string(::getpid()) + "-" + name + ".tvd");
}

void BM_Save(benchmark::State& state) {
  auto doc = MakeDocument(static_cast<int>(state.range(0)));
  fs::path file = BenchFile("save");
  for (auto _ : state) {
    FileResult r = SaveDocument(*doc, file);
    if (!r.Ok()) state.SkipWithError(r.message.c_str());
  }
  state.counters["objects"] = static_cast<double>(doc->DataBase().ObjectCount());
  state.counters["MB"] = static_cast<double>(fs::file_size(file)) / 1e6;
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetComplexityN(state.range(0));
  fs::remove(file);
}

void BM_Load(benchmark::State& state) {
  auto registry = CreateHostRegistry();
  fs::path file = BenchFile("load");
  {
    auto doc = MakeDocument(static_cast<int>(state.range(0)));
    SaveDocument(*doc, file);
  }
  for (auto _ : state) {
    FileResult r;
    auto doc = OpenDocumentFile(registry, file, r);
    if (!doc) state.SkipWithError(r.message.c_str());
    benchmark::DoNotOptimize(doc);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetComplexityN(state.range(0));
  fs::remove(file);
}

BENCHMARK(BM_Save)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_Load)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace tarvelin

BENCHMARK_MAIN();
