// Composition and PDF rendering of dense ad pages: 8 pt text in four columns with 50
// inline frames per page (text boxes and pictures, half each), pages added until the
// story fits. Arguments: the number of pages' worth of content (10, 20, 40: 2,000 inline
// frames at 40). Counters: pages made, inline frames, and time per page, which stays
// flat when the work grows linearly. The PDF benchmarks time the writing alone (the
// composition before it is not counted): our press writer (PDF/X-1a, which embeds the
// output profile: about 140 KB a file) and our screen writer beside Qt's PDF writer
// drawing the same pages, with the bytes each writes per page.
#include <benchmark/benchmark.h>

#include <QImage>
#include <filesystem>
#include <memory>
#include <string>

#include "bench_host.h"
#include "host/application/application.h"
#include "host/application/host_registry.h"
#include "host/documents/document.h"
#include "host/documents/page_item.h"
#include "host/documents/page_item_commands.h"
#include "host/documents/spread.h"
#include "host/text/font_families.h"
#include "host/text/text_commands.h"
#include "host/text/text_model.h"
#include "layout/layout_service_qt.h"
#include "layout/page_canvas.h"
#include "layout/qt_image_probe.h"
#include "layout/renderer.h"
#include "pdf/pdf_export.h"

#include <QPainter>
#include <QPdfWriter>

namespace tarvelin {
namespace {

namespace fs = std::filesystem;

constexpr int kFramesPerPage = 50;
constexpr int kParagraphsPerPage = 32;

fs::path Scratch() {
  static fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / "tarvelin-bench-compose";
    fs::create_directories(d);
    QImage image(300, 200, QImage::Format_RGB32);
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 300; ++x) image.setPixel(x, y, qRgb(x * 255 / 300, 128, y * 255 / 200));
    image.save(QString::fromStdString((d / "photo.png").string()));
    return d;
  }();
  return dir;
}

struct Built {
  std::unique_ptr<Document> doc;
  UID story = kInvalidUID;
};

Built Build(int pages) {
  Application& app = bench::FontsOnlyHost();
  std::shared_ptr<const ClassRegistry> registry = app.Registry();
  Built b;
  b.doc = Document::Create(registry, PageSetup{}, u"bench");
  Document& doc = *b.doc;
  Database& db = doc.DataBase();
  UIDRef frame;
  CreateTextFrame(doc, doc.DefaultSpreadLayer(), {34, 34, 561, 808}, 4, 11, &frame);
  b.story = db.Query<ITextFrame>(frame.GetUID())->Story();
  UIDRef story{&db, b.story};
  auto text = db.Query<ITextModel>(b.story);
  const fs::path photo = Scratch() / "photo.png";
  const ImageInfo info = QtImageProbe().Probe(photo);

  const std::u16string body =
      u"Sprzedam dom z ogrodem, 120 m², cztery pokoje, garaż, spokojna okolica, blisko "
      u"szkoły i sklepów. Cena do negocjacji, kontakt wieczorem pod numerem podanym w redakcji. ";
  auto seq = db.Commands().BeginCommandSequence(u"build");
  int frames = 0;
  for (int p = 0; p < pages * kParagraphsPerPage; ++p) {
    InsertText(story, text->EndPosition(), body);
    // Frames spread evenly over the paragraphs.
    int due = (p + 1) * kFramesPerPage / kParagraphsPerPage;
    for (; frames < due; ++frames) {
      UIDRef f;
      if (frames % 2 == 0) {
        CreateTextFrame(doc, doc.DefaultSpreadLayer(), {0, 0, 100, 22}, 1, 0, &f);
        InsertText({&db, db.Query<ITextFrame>(f.GetUID())->Story()}, 0,
                   u"Ramka " + std::u16string(1, u'A' + frames % 26));
      } else {
        CreateRectangleFrame(doc, doc.DefaultSpreadLayer(), {0, 0, 60, 40}, &f);
        PlaceImage(doc, f, photo.string(), info);
        SetImageBounds(doc, f, {0, 0, 60, 40});
      }
      ChangeToInline(doc, story, static_cast<int32_t>(text->EndPosition()), f);
      InsertText(story, text->EndPosition(), u" ");
    }
    InsertText(story, text->EndPosition(), u"\r");
  }
  ApplyTextAttributes(story, 0, text->TotalLength() - 1,
                      {Attribute::Double(AttrKind::kPointSize, 8)}, TextLevel::kCharacter);
  db.Commands().EndCommandSequence(seq);
  // Composition is measured on a fresh document each time; the build is not.
  return b;
}

enum class Output { kNone, kOurs, kOursScreen, kQt };

// The pages through Qt's PDF writer, as the renderer drove it before it had its own.
bool WriteWithQt(const Document& doc, const CompositionState& state, const fs::path& file) {
  std::vector<PageRef> pages = DocumentPages(doc);
  QPdfWriter writer(QString::fromStdString(file.string()));
  writer.setResolution(72);
  auto size = [](const PageRef& p) {
    return QPageSize(QSizeF(p.page.bounds.Width(), p.page.bounds.Height()), QPageSize::Point,
                     QString(), QPageSize::ExactMatch);
  };
  writer.setPageSize(size(pages.front()));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
  QPainter painter;
  if (!painter.begin(&writer)) return false;
  RenderReport report;
  PageDrawer drawer(doc, state, report);
  PainterCanvas canvas(painter);
  for (size_t i = 0; i < pages.size(); ++i) {
    if (i > 0) {
      writer.setPageSize(size(pages[i]));
      writer.newPage();
    }
    drawer.Draw(pages[i], canvas);
  }
  return painter.end();
}

void Run(benchmark::State& state, Output output) {
  const int pages = static_cast<int>(state.range(0));
  size_t made = 0;
  double bytes = 0;
  static auto profile = pdf::OutputProfile::Load(pdf::DefaultOutputProfile(), nullptr);
  for (auto _ : state) {
    state.PauseTiming();
    Built b = Build(pages);
    QtLayoutService service;
    if (output == Output::kNone) state.ResumeTiming();
    ComposeOptions options;
    options.growStory = b.story;
    service.Compose(*b.doc, options);
    const fs::path file = Scratch() / "bench.pdf";
    if (output != Output::kNone) {
      state.ResumeTiming();
      RenderReport report;
      std::string error;
      if (output == Output::kOurs || output == Output::kOursScreen) {
        pdf::PdfOptions o{
            output == Output::kOurs ? pdf::PdfStandard::kX1a : pdf::PdfStandard::kScreen,
            profile.get(), 0};
        if (pdf::WritePdf(*b.doc, *service.State(*b.doc), file, o, report, &error) != kSuccess)
          state.SkipWithError(error.c_str());
      } else if (!WriteWithQt(*b.doc, *service.State(*b.doc), file)) {
        state.SkipWithError("Qt's writer failed");
      }
    }
    state.PauseTiming();
    made = DocumentPages(*b.doc).size();
    std::error_code ec;
    if (output != Output::kNone) bytes = static_cast<double>(fs::file_size(file, ec));
    if (service.StoryState(*b.doc, b.story).overset) state.SkipWithError("the story did not fit");
    service.Release(*b.doc);
    b.doc.reset();
    state.ResumeTiming();
  }
  state.counters["pages"] = static_cast<double>(made);
  state.counters["inlineFrames"] = pages * kFramesPerPage;
  state.counters["perPage"] =
      benchmark::Counter(static_cast<double>(made) * state.iterations(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  if (output != Output::kNone) {
    state.counters["pagesPerSecond"] = benchmark::Counter(
        static_cast<double>(made) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["bytesPerPage"] = made ? bytes / static_cast<double>(made) : 0;
  }
}

void BM_Compose(benchmark::State& state) {
  Run(state, Output::kNone);
}
void BM_WritePdf(benchmark::State& state) {
  Run(state, Output::kOurs);
}
void BM_WriteScreenPdf(benchmark::State& state) {
  Run(state, Output::kOursScreen);
}
void BM_WritePdfWithQt(benchmark::State& state) {
  Run(state, Output::kQt);
}

BENCHMARK(BM_Compose)->Arg(10)->Arg(20)->Arg(40)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_WritePdf)->Arg(10)->Arg(40)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_WriteScreenPdf)->Arg(10)->Arg(40)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_WritePdfWithQt)->Arg(10)->Arg(40)->Unit(benchmark::kMillisecond)->Iterations(2);
}  // namespace
}  // namespace tarvelin

int main(int argc, char** argv) {
  return tarvelin::bench::RunOffscreen(argc, argv);
}
