// The main job end to end at growing sizes: frame files of 1,000, 10,000 and 50,000 ads
// (Windows-1250) are paginated by the Release `tarvelin paginate --no-pdf --times`, and the
// saved document is then rendered to PDF by `tarvelin render`. Two mixes of ads:
//
//   classic  about 500 bytes an ad: plain paragraphs, text boxes of 40-47 mm or of the
//            column's width with colours and borders, picture boxes over a few generated
//            images, groups with inner boxes;
//   press    what a classifieds page sends: 60 % text boxes 20-49 mm wide (some wider than
//            the 43.5 mm column, a third without height, fitted to their text) with CMYK
//            fills and strokes, 30 % picture boxes (half of the pictures missing, varied
//            fitting), 10 % groups, about 300 bytes of Polish text around each box.
//
// Prints per mix and size the seconds of each stage, the total (the whole process, start-up
// included), the seconds per 1,000 ads, which stay flat when every stage grows linearly,
// and the process's peak resident memory (what `/usr/bin/time -v` calls the maximum
// resident set size) in MiB and KiB per ad; "pdf" is the whole render process (loading and
// composing the saved document included).
//
// A plain program rather than a Google Benchmark one: each size runs once, in its own
// process, as a user would run it. Options (others, such as the --benchmark_* flags that
// scripts/bench.sh passes to every benchmark, are ignored):
//   --cli PATH      the tarvelin executable (default: ../bin/tarvelin beside this program)
//   --ads N[,N...]  the sizes (default 1000,10000,50000; TARVELIN_BENCH_ADS likewise)
//   --mix M         classic, press or both (the default)
//   --dir DIR       where the frame files go (default: paginate-ads beside this program)
//   --no-render     skip the PDF
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

// UTF-8 text of the generator's own strings to Windows-1250 (Polish letters and the
// typographic quotes and dash; everything else here is ASCII).
std::string ToCp1250(std::string_view utf8) {
  static const std::map<char32_t, char> kTable = {
      {U'ą', '\xB9'}, {U'ć', '\xE6'}, {U'ę', '\xEA'}, {U'ł', '\xB3'}, {U'ń', '\xF1'},
      {U'ó', '\xF3'}, {U'ś', '\x9C'}, {U'ź', '\x9F'}, {U'ż', '\xBF'}, {U'Ą', '\xA5'},
      {U'Ć', '\xC6'}, {U'Ę', '\xCA'}, {U'Ł', '\xA3'}, {U'Ń', '\xD1'}, {U'Ó', '\xD3'},
      {U'Ś', '\x8C'}, {U'Ź', '\x8F'}, {U'Ż', '\xAF'}, {U'„', '\x84'}, {U'”', '\x94'},
      {U'–', '\x96'}};
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
    char32_t c = b & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < utf8.size(); ++k)
      c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += extra + 1;
    auto it = kTable.find(c);
    out += it != kTable.end() ? it->second : '?';
  }
  return out;
}

// Deterministic, so every run paginates the same files.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint32_t Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>(state_ >> 33);
  }
  size_t Below(size_t n) { return Next() % n; }
  template <typename T, size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(N)];
  }

 private:
  uint64_t state_;
};

const char* const kRubrics[] = {"NIERUCHOMOŚCI", "MOTORYZACJA", "PRACA",    "USŁUGI",
                                "RÓŻNE",         "ZWIERZĘTA",   "EDUKACJA", "MATRYMONIALNE"};
const char* const kOpenings[] = {"Sprzedam", "Kupię",    "Wynajmę", "Zatrudnię",
                                 "Oddam",    "Zamienię", "Szukam",  "Poszukuję"};
const char* const kSentences[] = {
    "mieszkanie 3-pokojowe, 62 m kw., Łódź-Bałuty, II piętro, balkon, piwnica.",
    "działkę budowlaną w Zgierzu, 1200 m kw., media w drodze, dojazd asfaltowy.",
    "kawalerkę studentom, Kraków-Krowodrza, od października, blisko uczelni.",
    "Skoda Fabia 2015, 1.2 benzyna, przebieg 98 000 km, serwisowana w ASO.",
    "kierowcę kat. C+E, transport międzynarodowy, wynagrodzenie 9 000 zł netto.",
    "opiekunkę do osób starszych, referencje mile widziane, praca od zaraz.",
    "szczeniaki owczarka niemieckiego po rodzicach z rodowodem, odrobaczone.",
    "korepetycje z matematyki i fizyki, szkoła średnia, matura rozszerzona.",
    "usługi remontowe: glazura, gładzie, malowanie, układanie paneli, tanio.",
    "meble kuchenne w dobrym stanie, dąb, długość 3,2 m, z blatem i zlewem.",
    "rower górski, rama aluminiowa, 21 biegów, hamulce tarczowe, jak nowy.",
    "garaż murowany na osiedlu Źródliska, prąd, kanał, brama uchylna."};
const char* const kClosings[] = {"Cena do negocjacji.",
                                 "Pilne!",
                                 "Możliwa zamiana na mniejsze.",
                                 "Faktura VAT.",
                                 "Atrakcyjne warunki.",
                                 "Oferta ważna do końca miesiąca.",
                                 "Dzwonić po 17.",
                                 "„Trans-Pol” Kutno – solidnie."};
const char* const kFills[] = {"0", "\"CMYK:PROCESS:0,0,0.2,0\"", "\"CMYK:PROCESS:0,0,0,0.1\"",
                              "\"RGB:SPOT:0.9,0.95,1\"", "\"SWATCHNAME:Szary 10%\""};
const char* const kBorders[] = {"1", "\"SWATCHNAME:Szary 30%\"", "0", "\"CMYK:PROCESS:0,0.5,1,0\""};
const char* const kObjectStyles[] = {"Ramka ogłoszenia", "Wyróżnienie", "Ramka pogrubiona"};
const char* const kNames[] = {"Kowalski, Jan", "Nowak, Anna",   "Wiśniewska, Zofia",
                              "Wójcik, Piotr", "Kamińska, Ewa", "Zieliński, Łukasz"};
constexpr int kImages = 6;

std::string Phone(Random& r) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%zu %03zu %03zu", 500 + r.Below(300), r.Below(1000),
                r.Below(1000));
  return buffer;
}

// The plain text of an ad, ~`target` bytes.
std::string Body(Random& r, size_t target) {
  std::string s = r.Pick(kOpenings);
  s += ' ';
  while (s.size() < target) {
    s += r.Pick(kSentences);
    s += ' ';
  }
  s += r.Pick(kClosings);
  s += " Tel. " + Phone(r) + ".";
  return s;
}

std::string Image(Random& r) {
  return "ogloszenie" + std::to_string(r.Below(kImages)) + (r.Below(2) ? ".jpg" : ".png");
}

std::string Ad(Random& r) {
  const size_t kind = r.Below(10);
  std::ostringstream ad;
  ad << "@Tekst:";
  if (kind < 3) {  // a text box with colours, border and inset
    ad << "{#WT hs=" << 40 + r.Below(8) << "mm, vs=" << 15 + r.Below(15)
       << "mm, fc=" << r.Pick(kFills) << ", bc=" << r.Pick(kBorders) << ", fw=0.5pt, TI=1mm, t1=\""
       << r.Pick(kNames) << "\", os=\"" << r.Pick(kObjectStyles) << "\"}<@Cena>"
       << r.Pick(kOpenings) << "<@$p> " << Body(r, 300) << "{$}";
  } else if (kind < 5) {  // a paragraph with a picture box inside
    ad << Body(r, 200) << " {#WG fn=" << Image(r) << ", hs=" << 20 + r.Below(20)
       << "mm, vs=" << 15 + r.Below(15) << "mm, sp=-2, fc=0, bc=1, fw=0.5pt}{$} " << Body(r, 150);
  } else if (kind < 7) {  // a text box without width: the column's
    ad << "{#DT vs=12mm, fc=" << r.Pick(kFills) << ", bc=" << r.Pick(kBorders)
       << ", fw=1pt}<@Pogrubienie>" << r.Pick(kOpenings) << "<@$p> " << Body(r, 330) << "{$}";
  } else if (kind < 9) {  // a group with a text and a picture box
    ad << "{#BE hs=90mm, vs=40mm, fc=0, bc=\"SWATCHNAME:Szary 30%\", fw=1pt, t1=\""
       << r.Pick(kNames) << "\"}\n"
       << "{#WT hs=60mm, vs=15mm, fc=0}<@Cena>" << r.Pick(kOpenings) << "<@$p> " << Body(r, 180)
       << "{$}\n"
       << "{#WG fn=" << Image(r) << ", hs=25mm, vs=15mm, fc=0}{$}\n"
       << "{#DT hs=60mm, vs=8mm, fc=\"CMYK:PROCESS:0,0,0,0.1\"}Tel. " << Phone(r)
       << ", ul. Piotrkowska " << r.Below(200) << ", Łódź{$}\n"
       << "{$$}";
  } else {  // plain text
    ad << Body(r, 480);
  }
  ad << "\r\n";
  return ad.str();
}

std::string Cmyk(Random& r) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "\"CMYK:PROCESS:%.2f,%.2f,%.2f,%.2f\"",
                static_cast<double>(r.Below(5)) / 10, static_cast<double>(r.Below(5)) / 10,
                static_cast<double>(r.Below(11)) / 10, static_cast<double>(r.Below(4)) / 10);
  return buffer;
}

// One ad of the press mix: a box with about 300 bytes of text around it.
std::string PressAd(Random& r) {
  const size_t kind = r.Below(10);
  std::ostringstream ad;
  ad << "@Tekst:" << Body(r, 120) << ' ';
  if (kind < 6) {  // a text box 20-49 mm wide; a third take the height of their text
    const bool fitted = r.Below(3) == 0;
    ad << "{#" << (fitted ? "DT" : "WT") << " hs=" << 20 + r.Below(30) << "mm";
    if (!fitted) ad << ", vs=" << 10 + r.Below(25) << "mm";
    ad << ", fc=" << Cmyk(r) << ", bc=" << Cmyk(r) << ", fw=" << 0.25 * (1 + r.Below(8))
       << "pt, TI=1mm, t1=\"" << r.Pick(kNames) << "\"}<@Cena>" << r.Pick(kOpenings) << "<@$p> "
       << Body(r, 90) << "{$}";
  } else if (kind < 9) {  // a picture box; every other picture is missing
    static const int kSelectors[] = {1, 0, -2, -3};
    const std::string file =
        r.Below(2) ? Image(r) : "brak" + std::to_string(r.Below(1000)) + ".jpg";
    ad << "{#WG fn=" << file << ", hs=" << 20 + r.Below(30) << "mm, vs=" << 12 + r.Below(25)
       << "mm, sp=" << r.Pick(kSelectors) << ", fc=" << Cmyk(r) << ", bc=" << Cmyk(r)
       << ", fw=0.5pt}{$}";
  } else {  // a group of a text box, a picture and a line of contact
    ad << "{#BE hs=" << 60 + r.Below(30) << "mm, vs=40mm, fc=" << Cmyk(r) << ", bc=" << Cmyk(r)
       << ", fw=1pt, t1=\"" << r.Pick(kNames) << "\"}\n"
       << "{#WT hs=" << 30 + r.Below(30) << "mm, vs=15mm, fc=0}<@Cena>" << r.Pick(kOpenings)
       << "<@$p> " << Body(r, 90) << "{$}\n"
       << "{#WG fn=" << Image(r) << ", hs=25mm, vs=15mm, fc=0}{$}\n"
       << "{#DT hs=60mm, vs=8mm, fc=" << Cmyk(r) << "}Tel. " << Phone(r) << ", ul. Piotrkowska "
       << r.Below(200) << ", Łódź{$}\n"
       << "{$$}";
  }
  ad << ' ' << Body(r, 120) << "\r\n";
  return ad.str();
}

enum class Mix { kClassic, kPress };

const char* MixName(Mix mix) {
  return mix == Mix::kClassic ? "classic" : "press";
}

fs::path Generate(const fs::path& dir, Mix mix, int ads) {
  fs::create_directories(dir);
  for (int i = 0; i < kImages; ++i) {
    QImage image(120 + 40 * i, 90 + 20 * i, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        image.setPixel(x, y, qRgb((x * 7 + i * 40) & 255, (y * 5) & 255, (x + y + i * 30) & 255));
    for (const char* ext : {".jpg", ".png"}) {
      const fs::path file = dir / ("ogloszenie" + std::to_string(i) + ext);
      if (!fs::exists(file)) image.save(QString::fromStdString(file.string()));
    }
  }
  const fs::path file =
      dir / (std::string(mix == Mix::kClassic ? "ads-" : "press-") + std::to_string(ads) + ".rmk");
  Random r(20260000 + ads);
  std::string text =
      "<v4.00><e9>\r\n"
      "@Normal=[S\"\",\"Normal\"]<*L*h\"Standard\"*kn0*kt0*ra0*rb0*d0*p(0,0,0,0,0,0,g,\"U.S. "
      "English\")Ptf\"Arial\"z8k0b0c\"Black\"s100h100y100>\r\n"
      "@Rubryka=[S\"\",\"Rubryka\"]<*C*p(0,0,0,11,4,2,g,\"U.S. English\")f\"Arial\"z11B>\r\n"
      "@Tekst=[S\"\",\"Tekst\"]<*J*p(0,6,0,9,0,0,g,\"U.S. English\")f\"Times New Roman\"z8>\r\n"
      "@Cena=<f\"Arial\"z9B>\r\n";
  for (int i = 0; i < ads; ++i) {
    if (i % 25 == 0) text += std::string("@Rubryka:") + kRubrics[(i / 25) % 8] + "\r\n";
    text += mix == Mix::kClassic ? Ad(r) : PressAd(r);
  }
  std::ofstream(file, std::ios::binary) << ToCp1250(text);
  return file;
}

struct Timed {
  int exitCode = -1;
  double seconds = 0;
  double peakMiB = 0;                    // the process's maximum resident set size
  std::map<std::string, double> stages;  // "time NAME S s" lines
  int frames = 0;                        // "frames: N" of paginate
};

// Runs the program with stdout and stderr in files beside `errors`, without a shell in
// between, so that the resource usage read back is the program's own.
Timed Run(const std::vector<std::string>& argv, const fs::path& errors) {
  Timed t;
  const fs::path output = fs::path(errors).replace_extension(".out");
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0) _exit(127);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  if (pid < 0) return t;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return t;
  t.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  t.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  t.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024;  // ru_maxrss is in KiB on Linux
  std::string line;
  for (std::ifstream in(errors); std::getline(in, line);) {
    std::istringstream words(line);
    std::string tag, name;
    double value = 0;
    if (words >> tag >> name >> value && tag == "time") t.stages[name] += value;
  }
  for (std::ifstream in(output); std::getline(in, line);)
    if (line.starts_with("frames: ")) t.frames = std::atoi(line.c_str() + 8);
  return t;
}

std::vector<int> ParseSizes(const std::string& list) {
  std::vector<int> sizes;
  std::istringstream in(list);
  std::string item;
  while (std::getline(in, item, ','))
    if (int n = std::atoi(item.c_str()); n > 0) sizes.push_back(n);
  return sizes;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path self = fs::weakly_canonical(fs::path(argv[0]));
  fs::path cli = self.parent_path().parent_path() / "bin" / "tarvelin";
  fs::path dir = self.parent_path() / "paginate-ads";
  std::vector<int> sizes = {1000, 10000, 50000};
  if (const char* env = std::getenv("TARVELIN_BENCH_ADS")) sizes = ParseSizes(env);
  std::vector<Mix> mixes = {Mix::kClassic, Mix::kPress};
  bool render = true;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--cli" && i + 1 < argc) {
      cli = argv[++i];
    } else if (a == "--ads" && i + 1 < argc) {
      sizes = ParseSizes(argv[++i]);
    } else if (a == "--mix" && i + 1 < argc) {
      const std::string m = argv[++i];
      if (m == "classic")
        mixes = {Mix::kClassic};
      else if (m == "press")
        mixes = {Mix::kPress};
    } else if (a == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else if (a == "--no-render") {
      render = false;
    }
  }
  if (!fs::exists(cli)) {
    std::fprintf(stderr, "bench_paginate_ads: %s not found (build the tarvelin target)\n",
                 cli.c_str());
    return 2;
  }

  // The stages `paginate --times` reports, in the order they run.
  // "release" is the memory the run lets go before composing (the import's undo journal)
  // and before saving (the composition).
  const std::vector<std::string> stages = {
      "start",          "preprocess",   "tagged-import", "story-move", "box-search",
      "frame-creation", "import-other", "compose",       "release",    "save"};
  std::printf("%-7s %8s %9s", "mix", "ads", "KiB");
  for (const auto& s : stages)
    std::printf(" %*s", static_cast<int>(std::max<size_t>(s.size(), 7)), s.c_str());
  std::printf(" %8s %8s %10s %8s %8s %8s %8s %8s\n", "total", "s/1k ads", "frames", "peak MiB",
              "KiB/ad", "pdf", "pdf/1k", "pdf MiB");
  int failures = 0;
  for (Mix mix : mixes) {
    for (int ads : sizes) {
      const fs::path frame = Generate(dir, mix, ads);
      const fs::path doc = fs::path(frame).replace_extension(".tvd");
      Timed paginate = Run({cli.string(), "paginate", frame.string(), "--no-pdf", "--times",
                            "--on-missing", "continue"},
                           fs::path(frame).replace_extension(".err"));
      // 1 is "done with warnings": the generated ads use a few names the template lacks
      // and miss pictures.
      if (paginate.exitCode > 1 || paginate.exitCode < 0) {
        std::fprintf(stderr, "bench_paginate_ads: paginate of %d ads failed (%d), see %s\n", ads,
                     paginate.exitCode, fs::path(frame).replace_extension(".err").c_str());
        ++failures;
        continue;
      }
      std::printf("%-7s %8d %9.0f", MixName(mix), ads,
                  static_cast<double>(fs::file_size(frame)) / 1024);
      for (const auto& s : stages) {
        const double v = paginate.stages.count(s) ? paginate.stages.at(s) : 0;
        std::printf(" %*.4f", static_cast<int>(std::max<size_t>(s.size(), 7)), v);
      }
      std::printf(" %8.3f %8.3f %10d %8.1f %8.2f", paginate.seconds, paginate.seconds * 1000 / ads,
                  paginate.frames, paginate.peakMiB, paginate.peakMiB * 1024 / ads);
      if (render) {
        Timed pdf = Run({cli.string(), "render", doc.string(), "--pdf",
                         fs::path(frame).replace_extension(".pdf").string()},
                        fs::path(frame).replace_extension(".render.err"));
        if (pdf.exitCode > 1 || pdf.exitCode < 0) {
          std::printf(" %8s", "failed");
          ++failures;
        } else {
          std::printf(" %8.3f %8.3f %8.1f", pdf.seconds, pdf.seconds * 1000 / ads, pdf.peakMiB);
        }
      }
      std::printf("\n");
      std::fflush(stdout);
    }
  }
  return failures == 0 ? 0 : 1;
}
