// Cost of the box pass's edits on a large story: 20,000 forward-moving "delete L at S,
// anchor an object at S" edits in one command sequence, then one undo of it all. The
// story size doubles across the runs (5, 10, 20 MB of UTF-16) to show the cost growing
// linearly with it, not with size x edits.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "host/objects/class_registry.h"
#include "host/objects/command_processor.h"
#include "host/objects/database.h"
#include "host/text/text_classes.h"
#include "host/text/text_commands.h"
#include "host/text/text_model.h"

namespace {

using namespace tarvelin;

constexpr size_t kEdits = 20000;
constexpr size_t kDefinitionLength = 40;

// Prose in paragraphs of ~300 units, inserted by one styled insertion with a run change
// every 50 units (the shape an import leaves).
StyledText MakeText(size_t units) {
  const std::u16string prose =
      u"Sprzedam mieszkanie 3-pokojowe, 64 m2, parter, blisko centrum. Tel. 600 100 200 "
      u"po 18:00, cena do negocjacji. Oferty z opisem i zdjeciami prosimy kierowac na adres "
      u"redakcji; odpowiadamy na kazda wiadomosc w ciagu tygodnia. ";
  StyledText t;
  t.text.reserve(units);
  while (t.text.size() < units) {
    t.text += prose;
    t.text += prose.substr(0, 60);
    t.text.back() = kParagraphEnd;
  }
  t.text.resize(units);
  AttributeList bold{Attribute::Text(AttrKind::kFontStyle, u"Bold")};
  for (size_t at = 0, k = 0; at < units; at += 50, ++k)
    t.characters.push_back(
        {std::min<size_t>(50, units - at), kInvalidUID, k % 2 ? bold : AttributeList()});
  return t;
}

void BM_StoryEdits(benchmark::State& state) {
  const size_t units = static_cast<size_t>(state.range(0)) * 1024 * 1024 / 2;
  auto registry = std::make_shared<ClassRegistry>();
  RegisterTextClasses(*registry);
  double edit_seconds = 0;
  double undo_seconds = 0;
  std::unique_ptr<Database> owner;
  std::shared_ptr<ITextModel> model;
  for (auto _ : state) {
    state.PauseTiming();
    model.reset();
    owner = std::make_unique<Database>(registry);  // the previous one's teardown is untimed
    Database& db = *owner;
    UIDRef story = CreateStory(db);
    InsertStyledText(story, 0, MakeText(units));
    model = QueryInterface<ITextModel>(story);
    state.ResumeTiming();

    auto t0 = std::chrono::steady_clock::now();
    SequenceId seq = db.Commands().BeginCommandSequence(u"Import");
    const size_t step = units / kEdits;
    for (size_t k = 0; k < kEdits; ++k) {
      // The k-th definition started at k * step; earlier ones shrank to one unit each.
      size_t s = k * step - k * (kDefinitionLength - 1);
      UID object = db.CreateObject(kStoryClass).GetUID();
      if (DeleteText(story, s, kDefinitionLength) || InsertInlineObject(story, s, object)) {
        state.SkipWithError("edit failed");
        break;
      }
    }
    db.Commands().EndCommandSequence(seq);
    auto t1 = std::chrono::steady_clock::now();
    db.Commands().Undo();
    auto t2 = std::chrono::steady_clock::now();
    edit_seconds += std::chrono::duration<double>(t1 - t0).count();
    undo_seconds += std::chrono::duration<double>(t2 - t1).count();
    if (model->TotalLength() != units + 1) state.SkipWithError("undo did not restore the length");
  }
  double n = static_cast<double>(state.iterations());
  state.counters["edits_s"] = edit_seconds / n;
  state.counters["undo_s"] = undo_seconds / n;
}
BENCHMARK(BM_StoryEdits)->Arg(5)->Arg(10)->Arg(20)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
