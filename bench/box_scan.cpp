// Throughput of the box-definition search: the tag scanner alone and the collection phase
// (scan, balance check, XML parse) over a story with a definition every ~300 units.
#include <benchmark/benchmark.h>

#include <string>

#include "core/diagnostics.h"
#include "engine/box_definition_pass.h"
#include "engine/box_tag_scanner.h"

namespace {

using tarvelin::StringStoryText;
using tarvelin::ZevBoxTagScanner;

// Ordinary text with the odd '<' and '>', and a definition about every 300 units.
std::u16string MakeStory(size_t units) {
  const std::u16string prose =
      u"Sprzedam mieszkanie 3-pokojowe, 64 m2, parter, blisko centrum. Tel. 600 100 200 "
      u"po 18:00 (cena < 400 tys. > do negocjacji). Oferty z opisem i zdjeciami prosimy "
      u"kierowac na adres redakcji; odpowiadamy na kazda wiadomosc w ciagu tygodnia. ";
  const std::u16string definitions[] = {
      u"<boxtext t1=\"A1\" hs=\"40mm\" fc=\"CMYK:PROCESS:0,1,1,0\">Ogloszenie ramkowe</boxtext>",
      u"<boxpicture fn=\"logo.tif\" hs=\"30mm\" vs=\"20mm\" sp=\"1\"/>",
      u"<boxgroup os=\"Ramka\"><innerbox t1=\"x\"/><innerbox t2=\"y\">z</innerbox></boxgroup>"};
  std::u16string story;
  story.reserve(units + 400);
  for (size_t k = 0; story.size() < units; ++k) {
    story += prose.substr(0, 180 + k % 60);
    story += definitions[k % 3];
  }
  story.resize(units);
  return story;
}

constexpr size_t kStoryUnits = 25 * 1024 * 1024;  // 50 MB of UTF-16

void SetRates(benchmark::State& state, size_t units) {
  const auto processed = static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(units);
  state.SetBytesProcessed(processed * 2);
  state.counters["units/s"] =
      benchmark::Counter(static_cast<double>(processed), benchmark::Counter::kIsRate);
}

void BM_TagScanner(benchmark::State& state) {
  const std::u16string text = MakeStory(static_cast<size_t>(state.range(0)));
  StringStoryText story(text);
  int64_t completions = 0;
  for (auto _ : state) {
    ZevBoxTagScanner scanner(story);
    completions = 0;
    while (scanner.Advance(story.Length())) ++completions;
    benchmark::DoNotOptimize(completions);
  }
  state.counters["definitions"] = static_cast<double>(completions);
  SetRates(state, text.size());
}
// Sizes a factor of 4 apart show the scan is linear.
BENCHMARK(BM_TagScanner)
    ->Arg(kStoryUnits / 16)
    ->Arg(kStoryUnits / 4)
    ->Arg(kStoryUnits)
    ->Unit(benchmark::kMillisecond);

void BM_CollectDefinitions(benchmark::State& state) {
  const std::u16string text = MakeStory(static_cast<size_t>(state.range(0)));
  StringStoryText story(text);
  tarvelin::diag::SetSink({});
  size_t records = 0;
  for (auto _ : state) {
    auto collection = tarvelin::CollectBoxDefinitions(story);
    records = collection.records.size();
    benchmark::DoNotOptimize(records);
  }
  state.counters["definitions"] = static_cast<double>(records);
  SetRates(state, text.size());
}
BENCHMARK(BM_CollectDefinitions)
    ->Arg(kStoryUnits / 16)
    ->Arg(kStoryUnits / 4)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
