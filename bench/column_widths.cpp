// The box pass over a story whose columns differ in width: before it makes each frame it
// asks which column holds the box (the frame is never wider than that column), then
// replaces the box's text by the inline frame, front to back inside one step. The story
// runs through frames of four and of three columns in turn, 40 boxes to a frame.
// Arguments: the number of boxes. Counter: microseconds per box, flat when the pass grows
// linearly. BM_WholeDocument asks as a layout service without a finder of its own does,
// composing the document for every question: quadratic, so only small sizes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "bench_host.h"
#include "host/application/application.h"
#include "host/documents/document.h"
#include "host/documents/page_item.h"
#include "host/documents/page_item_commands.h"
#include "host/objects/command_processor.h"
#include "host/text/text_commands.h"
#include "host/text/text_model.h"
#include "layout/layout_service_qt.h"

namespace tarvelin {
namespace {

constexpr int kBoxesPerFrame = 40;
constexpr char16_t kBox[] = u"<box>";

struct Built {
  std::unique_ptr<Document> doc;
  UIDRef story;
  std::vector<size_t> boxes;  // where each box begins
};

Built Build(int boxes) {
  Application& app = bench::FontsOnlyHost();
  Built b;
  b.doc = Document::Create(app.Registry(), PageSetup{}, u"bench");
  Document& doc = *b.doc;
  Database& db = doc.DataBase();
  UIDRef first;
  CreateTextFrame(doc, doc.DefaultSpreadLayer(), {34, 34, 561, 808}, 4, 11, &first);
  b.story = {&db, db.Query<ITextFrame>(first.GetUID())->Story()};
  ThreadAppender thread(doc, b.story.GetUID());
  UIDRef last = first;
  for (int f = 1; f < boxes / kBoxesPerFrame + 1; ++f) {
    UIDRef next;
    CreateTextFrame(doc, doc.DefaultSpreadLayer(), {34, 34, 561, 808}, f % 2 ? 3 : 4, 11, &next);
    thread.Append(last, next);
    last = next;
  }
  std::u16string text;
  for (int i = 0; i < boxes; ++i) {
    text += u"Sprzedam mieszkanie, trzy pokoje, balkon, cena do negocjacji. ";
    b.boxes.push_back(text.size());
    text += kBox;
    text += u" Kontakt wieczorem, numer w redakcji.\r";
  }
  InsertText(b.story, 0, text);
  db.Commands().ClearHistory();
  return b;
}

// The pass, with the question asked through `ask`.
template <typename Ask>
void Pass(benchmark::State& state, Ask ask) {
  const int boxes = static_cast<int>(state.range(0));
  double seconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Built b = Build(boxes);
    Document& doc = *b.doc;
    state.ResumeTiming();
    const auto started = std::chrono::steady_clock::now();
    QtLayoutService layout;
    auto sequence = doc.DataBase().Commands().BeginCommandSequence(u"Pass");
    const size_t box_length = std::char_traits<char16_t>::length(kBox);
    for (int i = 0; i < boxes; ++i) {
      // Each box before this one has become one character.
      const size_t at = b.boxes[static_cast<size_t>(i)] - static_cast<size_t>(i) * (box_length - 1);
      benchmark::DoNotOptimize(ask(layout, doc, b.story.GetUID(), static_cast<int32_t>(at + 3)));
      DeleteText(b.story, at, box_length);
      UIDRef frame;
      CreateTextFrame(doc, doc.DefaultSpreadLayer(), {0, 0, 90, 20.0 + i % 5 * 10}, 1, 0, &frame);
      ChangeToInline(doc, b.story, static_cast<int32_t>(at), frame);
    }
    doc.DataBase().Commands().EndCommandSequence(sequence);
    layout.Release(doc);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    state.PauseTiming();
    b.doc.reset();
    state.ResumeTiming();
  }
  state.counters["usPerBox"] =
      seconds * 1e6 / (static_cast<double>(boxes) * static_cast<double>(state.iterations()));
}

void BM_ColumnFinder(benchmark::State& state) {
  Pass(state, [](QtLayoutService& layout, Document& doc, UID story, int32_t index) {
    return layout.ColumnWidthAt(doc, story, index);
  });
}

void BM_WholeDocument(benchmark::State& state) {
  Pass(state, [](QtLayoutService& layout, Document& doc, UID story, int32_t index) {
    return layout.LayoutService::ColumnWidthAt(doc, story, index);
  });
}

BENCHMARK(BM_ColumnFinder)
    ->Arg(1000)
    ->Arg(4000)
    ->Arg(16000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_WholeDocument)->Arg(250)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace tarvelin

int main(int argc, char** argv) {
  return tarvelin::bench::RunOffscreen(argc, argv);
}
