// Throughput of the tagged-text grammar: a generated file with a tag about every 40
// characters and a paragraph style about every 400, scanned against a sink that only
// counts. Sizes 5, 10 and 20 MB show whether time grows linearly; "read" adds decoding
// the Mac Central European bytes through the reader.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/stream.h"
#include "tagged/file_reader.h"
#include "tagged/text_scanner.h"

namespace tarvelin {
namespace {

class CountingSink final : public ScannerSink, public ScannerLookup {
 public:
  int64_t ops = 0;
  int64_t chars = 0;

  bool OpenStory(size_t) override { return true; }
  void InsertText(std::u16string_view text) override {
    ++ops;
    chars += static_cast<int64_t>(text.size());
  }
  bool ApplyPending(std::span<const TaggedAttribute> list, TaggedLevel) override {
    ops += static_cast<int64_t>(list.size());
    return true;
  }
  void RevertAttribute(TaggedAttrKind) override { ++ops; }
  void RevertAll() override { ++ops; }
  bool ApplyParagraphStyle(std::u16string_view, bool) override { return ++ops; }
  bool ApplyCharacterStyle(std::u16string_view) override { return ++ops; }
  bool ApplyRootCharacterStyle() override { return ++ops; }
  void DefineCharacterStyle(std::u16string_view, std::span<const TaggedAttribute>) override {
    ++ops;
  }
  void DefineParagraphStyle(std::u16string_view, std::span<const TaggedAttribute>) override {
    ++ops;
  }
  void DefineColor(std::u16string_view, ColourSpace, double, double, double, double) override {
    ++ops;
  }
  std::u16string CurrentFace() override { return u"Regular"; }
  std::u16string CurrentFamily() override { return u"Arial"; }

  bool ParagraphStyleExists(std::u16string_view) override { return true; }
  bool CharacterStyleExists(std::u16string_view name) override { return name != u"Emph"; }
  bool SwatchExists(std::u16string_view) override { return false; }
  bool ResolveTextColour(std::u16string_view) override { return true; }
  bool FontFamilyExists(std::u16string_view) override { return true; }
  std::u16string FaceName(std::u16string_view, TaggedFaceKind kind) override {
    static const char16_t* const kNames[] = {u"Regular", u"Italic", u"Bold", u"BoldItalic"};
    return kNames[static_cast<int>(kind)];
  }
};

// ASCII with Polish letters, as one byte per character (Mac CE) and as UTF-16.
struct Sample {
  std::u16string text;
  std::vector<uint8_t> macce;
};

const Sample& Generate(size_t megabytes) {
  static std::vector<std::pair<size_t, Sample>> cache;
  for (const auto& [mb, s] : cache) {
    if (mb == megabytes) return s;
  }
  static const std::u16string kWords[] = {u"cena ", u"sprzedam ", u"mieszkanie ", u"tel. ",
                                          u"zł, ",  u"pokój ",    u"ogłoszenie ", u"dział ",
                                          u"200 ",  u"m2, ",      u"łódź ",       u"pilnie "};
  static const std::u16string kTags[] = {
      u"<B>",          u"<z10.5>",    u"<I>",
      u"<f\"Arial\">", u"<c\"Red\">", u"<h90>",
      u"<$>",          u"<@Emph>",    u"<*p(0,8,0,12,0,0,g)>",
      u"<k-5t10>",     u"<\\!s>",     u"<*rb(1,0,\"Black\",100,T2,3,50%)>",
      u"<U>",          u"<@$p>"};
  static const std::u16string kParas[] = {u"\r@Body:", u"\r@Head:", u"\r@$:", u"\r@Small:"};
  Sample s;
  const size_t target = megabytes << 20;
  s.text.reserve(target + 512);
  s.text += u"@Emph=<B z11>\r@Body=[S\"\",\"Body\",\"Emph\"]<*J z9>\r";
  s.text += u"@Red=[C]<\"CMYK\",0,0,0,0,1,1,0,0>\r";
  size_t w = 0, t = 0, p = 0;
  size_t next_tag = 40, next_para = 400;
  while (s.text.size() < target) {
    s.text += kWords[w++ % std::size(kWords)];
    if (s.text.size() >= next_tag) {
      s.text += kTags[t++ % std::size(kTags)];
      next_tag = s.text.size() + 40;
    }
    if (s.text.size() >= next_para) {
      s.text += kParas[p++ % std::size(kParas)];
      next_para = s.text.size() + 400;
    }
  }
  // The Mac CE bytes of the same text, through the reader's own table.
  std::u16string_view letters = u"ąćęłńóśźżĄĆĘŁŃÓŚŹŻ";
  std::vector<std::pair<char16_t, uint8_t>> table;
  for (const auto& row : MacCETableRows()) {
    if (letters.find(row.unit) != std::u16string_view::npos) table.emplace_back(row.unit, row.byte);
  }
  s.macce.reserve(s.text.size());
  for (char16_t c : s.text) {
    uint8_t b = static_cast<uint8_t>(c);
    for (const auto& [unit, byte] : table) {
      if (unit == c) b = byte;
    }
    s.macce.push_back(b);
  }
  cache.emplace_back(megabytes, std::move(s));
  return cache.back().second;
}

void BM_ScanGrammar(benchmark::State& state) {
  const Sample& sample = Generate(static_cast<size_t>(state.range(0)));
  int64_t ops = 0;
  for (auto _ : state) {
    state.PauseTiming();  // the copy of the input is not the grammar's
    std::u16string text = sample.text;
    state.ResumeTiming();
    CountingSink sink;
    TextScanner scanner(std::move(text), sink, sink);
    benchmark::DoNotOptimize(scanner.Scan());
    ops = sink.ops;
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(sample.macce.size()));
  state.counters["ops"] = static_cast<double>(ops);
}
BENCHMARK(BM_ScanGrammar)->Arg(5)->Arg(10)->Arg(20)->Unit(benchmark::kMillisecond);

void BM_ReadAndScanMacCE(benchmark::State& state) {
  const Sample& sample = Generate(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    auto stream = MemoryStream::ReadView(sample.macce);
    CountingSink sink;
    TextScanner scanner(*stream, kEncodingMacCE, sink, sink, nullptr,
                        static_cast<int64_t>(sample.macce.size()), false);
    benchmark::DoNotOptimize(scanner.Scan());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(sample.macce.size()));
}
BENCHMARK(BM_ReadAndScanMacCE)->Arg(5)->Arg(10)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvelin

BENCHMARK_MAIN();
