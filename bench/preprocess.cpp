// Frame-file preprocessing throughput: generated Windows-1250 frame files of 5, 20 and 50 MB
// with a box definition every ~300 characters, read, rewritten and written as UTF-16. The
// time per MB must stay flat as the file grows. The decode-only figure is the ceiling.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "framefile/preprocess_frame_file.h"
#include "tagged/file_reader.h"

namespace tarvelin {
namespace {

namespace fs = std::filesystem;

fs::path BenchFolder() {
  static const fs::path folder =
      fs::temp_directory_path() / ("tarvelin_bench_preprocess_" + std::to_string(::getpid()));
  return folder;
}

// Polish ad text in Windows-1250 with definitions of every kind, about one per 300 bytes.
std::string GenerateFrame(size_t bytes) {
  const std::string text =
      "Sprzedam mieszkanie 3-pokojowe, \xA3\xF3"
      "d\x9F-Ba\xB3uty, II pi\xEAtro, balkon. "
      "Cena do negocjacji, tel. 601 234 567. Dzia\xB3ka budowlana w Zgierzu, media w drodze. "
      "Zatrudni\xEA kierowc\xEA kat. C+E, wynagrodzenie 9 000 z\xB3 netto.\r\n";
  const std::string defs[] = {
      "{#WT hs=48mm, vs=20mm, fc=\"CMYK:PROCESS:0,0,0.2,0\", bc=1, fw=0.5pt, t1=\"Kowalski, "
      "Jan\"}<@Cena>Sprzedam<@$p> rower, \xA3\xF3"
      "d\x9F.{$}",
      "{#WG fn=dzialka.jpg, hs=30mm, vs=22mm, sp=-1}{$}",
      "{#BE hs=90mm, bc=SWATCHNAME:Czerwony}{#WG fn=logo.tif, hs=25mm}{$}{#DT fc=2}Tel. 502 "
      "111 222{$}{$$}",
      "{#DEF numer=12, uwagi=\"pr\xF3"
      "bka\"}\r\n",
  };
  std::string frame = "<v4.00><e9>\r\n";
  frame.reserve(bytes + 512);
  for (size_t i = 0; frame.size() < bytes; ++i) {
    frame += text;
    frame += defs[i % 4];
  }
  frame.resize(bytes);
  return frame;
}

fs::path FrameFile(int megabytes) {
  fs::path p = BenchFolder() / ("frame_" + std::to_string(megabytes) + "mb.rmk");
  if (!fs::exists(p)) {
    std::string frame = GenerateFrame(static_cast<size_t>(megabytes) << 20);
    std::ofstream(p, std::ios::binary)
        .write(frame.data(), static_cast<std::streamsize>(frame.size()));
  }
  return p;
}

void BM_Preprocess(benchmark::State& state) {
  const fs::path frame = FrameFile(static_cast<int>(state.range(0)));
  const int64_t size = static_cast<int64_t>(fs::file_size(frame));
  for (auto _ : state) {
    KPreprocessFrameFile pre(frame, true, nullptr);
    WinCEFileReader reader;
    PreprocessResult r = pre.Preprocess(reader);
    if (r.status != PreprocessStatus::kRewritten) state.SkipWithError("preprocessing failed");
    pre.Finish();
  }
  state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_Preprocess)->Arg(5)->Arg(20)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();

// Reading alone: the Windows-1250 reader over the same bytes in memory.
void BM_DecodeWinCE(benchmark::State& state) {
  const std::string frame = GenerateFrame(20 << 20);
  std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(frame.data()), frame.size());
  for (auto _ : state) {
    auto stream = MemoryStream::ReadView(bytes);
    WinCEFileReader reader;
    reader.SetStream(stream.get());
    uint32_t sum = 0;
    for (char16_t c = reader.ReadChar(); c != 0; c = reader.ReadChar()) sum += c;
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(frame.size()));
}
BENCHMARK(BM_DecodeWinCE)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvelin

int main(int argc, char** argv) {
  const auto folder = tarvelin::BenchFolder();
  std::filesystem::create_directories(folder);
  ::setenv("XDG_DATA_HOME", folder.c_str(), 1);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  return 0;
}
