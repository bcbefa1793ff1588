// Box-definition parsing throughput: typical definitions parsed into records, against
// pugixml alone on the same documents, and scaling with the size of one definition.
#include <benchmark/benchmark.h>

#include <pugixml.hpp>

#include <string>
#include <vector>

#include "core/diagnostics.h"
#include "core/utf16.h"
#include "framefile/box_definition.h"

namespace tarvelin {
namespace {

constexpr int kDefinitions = 100'000;

// Definitions as frame files produce them: a handful of attributes, units, colours.
std::vector<std::u16string> TypicalDefinitions() {
  std::vector<std::u16string> out;
  out.reserve(kDefinitions);
  for (int i = 0; i < kDefinitions; ++i) {
    std::string n = std::to_string(i);
    std::string text;
    switch (i % 3) {
      case 0:
        text = "<boxtext t1=\"Ad " + n + "\" hs=\"50mm\" vs=\"30mm\" os=\"Classified\" fc=\"0\" " +
               "bc=\"CMYK:PROCESS:0,1,1,0\" fw=\"0.5pt\" TI=\"1mm\" id=\"" + n +
               "\">Flat to let, 3 rooms, call " + n + "</boxtext>";
        break;
      case 1:
        text = "<boxpicture fn=\"logo" + n + ".tif\" WD=\"4p6\" HD=\"2cm\" sp=\"-2\" " +
               "fc=\"SWATCHNAME:Paper\" RAT=\"0\" TO=\"2\"/>";
        break;
      default:
        text = "<boxgroup hs=\"100\" vs=\"60\" t1=\"group " + n +
               "\"><innerbox hs=\"40\" vs=\"20\">Name</innerbox>" + "<boxpicture fn=\"p" + n +
               ".jpg\" hs=\"40\" vs=\"30\"/></boxgroup>";
    }
    out.push_back(Widen(text));
  }
  return out;
}

void BM_ParseTypicalDefinitions(benchmark::State& state) {
  auto definitions = TypicalDefinitions();
  diag::SetSink({});
  int64_t valid = 0;
  for (auto _ : state) {
    for (const auto& text : definitions) {
      int32_t headerEnd = -1, endTagStart = -1;
      if (!ValidateBoxDefinition(text, headerEnd, endTagStart)) continue;
      BoxDefinition record(text, 0, static_cast<int32_t>(text.size()), headerEnd, endTagStart);
      valid += record.valid;
      benchmark::DoNotOptimize(record);
    }
  }
  if (valid != static_cast<int64_t>(state.iterations()) * kDefinitions)
    state.SkipWithError("a typical definition did not parse");
  state.SetItemsProcessed(state.iterations() * kDefinitions);
}
BENCHMARK(BM_ParseTypicalDefinitions)->Unit(benchmark::kMillisecond);

// The XML parser alone on the same definitions (UTF-16 documents), for comparison.
void BM_PugixmlAlone(benchmark::State& state) {
  auto definitions = TypicalDefinitions();
  std::vector<std::u16string> documents;
  for (const auto& d : definitions) documents.push_back(u"<root>" + d + u"</root>");
  for (auto _ : state) {
    for (const auto& doc : documents) {
      pugi::xml_document document;
      auto result = document.load_buffer(doc.data(), doc.size() * 2, pugi::parse_default,
                                         pugi::encoding_utf16_le);
      benchmark::DoNotOptimize(result);
    }
  }
  state.SetItemsProcessed(state.iterations() * kDefinitions);
}
BENCHMARK(BM_PugixmlAlone)->Unit(benchmark::kMillisecond);

// One definition whose attribute count grows: time per attribute must stay flat.
void BM_ParseManyAttributes(benchmark::State& state) {
  std::u16string text = u"<boxtext";
  for (int64_t i = 0; i < state.range(0); ++i)
    text += u" a" + Widen(std::to_string(i)) + u"=\"value " + Widen(std::to_string(i)) + u"\"";
  text += u" hs=\"10mm\">x</boxtext>";
  diag::SetSink({});
  for (auto _ : state) {
    BoxDefinition record(text, 0, 0, -1, -1);
    benchmark::DoNotOptimize(record);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ParseManyAttributes)->RangeMultiplier(8)->Range(8, 1 << 18)->Complexity();

// A definition whose content grows.
void BM_ParseLongContent(benchmark::State& state) {
  std::u16string text = u"<boxtext t1=\"a\">" +
                        std::u16string(static_cast<size_t>(state.range(0)), u'x') + u"</boxtext>";
  diag::SetSink({});
  for (auto _ : state) {
    BoxDefinition record(text, 0, 0, -1, -1);
    benchmark::DoNotOptimize(record);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ParseLongContent)->RangeMultiplier(16)->Range(64, 1 << 24)->Complexity();

}  // namespace
}  // namespace tarvelin

BENCHMARK_MAIN();
