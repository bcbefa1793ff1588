// tarvelin-studio [FILE...] [--screenshot PNG] [--on-missing continue|stop]: the desktop
// application. Documents
// (.tvd) open; frame files (.rmk, .txt) paginate into a new document as `tarvelin
// paginate` does. With --screenshot the window is grabbed into PNG once the files are
// open and the application quits.
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "document_view.h"
#include "face_icons.h"
#include "main_window.h"
#include "qt_services.h"
#include "studio_document.h"
#include "studio_host.h"
#include "studio_language.h"

namespace {

// What --times adds after opening: how long the background composition took to finish, and
// the redraw of page-to-page scrolling over the first pages, first drawn and then cached.
void TimeScrolling(tarvelin::studio::MainWindow& window) {
  tarvelin::studio::DocumentView* view = window.CurrentView();
  tarvelin::studio::StudioDocument* doc = window.CurrentDocument();
  if (!view || !doc) return;
  QElapsedTimer clock;
  clock.start();
  while (doc->Composing()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  std::fprintf(stderr, "time composed-all    %.3f s (in the background, after the first page)\n",
               clock.elapsed() / 1000.0);
  const int pages = std::min(view->PageCount(), 12);
  for (const char* pass : {"first", "cached"}) {
    double worst = 0, sum = 0;
    for (int p = 0; p < pages; ++p) {
      clock.restart();
      view->GoToPage(p);
      view->viewport()->grab();  // paints even before the window is exposed
      const double ms = clock.nsecsElapsed() / 1e6;
      worst = std::max(worst, ms);
      sum += ms;
    }
    std::fprintf(stderr,
                 "time scroll-%-8s page to page over %d pages: mean %.1f ms, worst %.1f ms\n", pass,
                 pages, pages ? sum / pages : 0.0, worst);
  }
  view->GoToPage(0);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setWindowIcon(tarvelin::studio::face::StudioApplicationIcon());
  QApplication::setApplicationName("tarvelin-studio");
  QApplication::setApplicationDisplayName("Tarvelin Studio");
  QApplication::setOrganizationName("Tarvelin");
  QApplication::setApplicationVersion(TARVELIN_VERSION);
  tarvelin::studio::ApplyLanguage(tarvelin::studio::StoredLanguage());

  QCommandLineParser parser;
  parser.setApplicationDescription("The Tarvelin layout application.");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument("files", "Documents (.tvd) and frame files (.rmk, .txt) to open.",
                               "[FILE...]");
  QCommandLineOption screenshot("screenshot", "Grab the window into PNG once open, then quit.",
                                "PNG");
  parser.addOption(screenshot);
  QCommandLineOption selectAd("select-ad", "Select the N-th ad (from 1) once the files are open.",
                              "N");
  parser.addOption(selectAd);
  QCommandLineOption times("times", "Print the seconds the files took to open, on stderr.");
  parser.addOption(times);
  QCommandLineOption onMissing(
      "on-missing", "Answer the missing-data alert without asking: continue or stop.", "ANSWER");
  parser.addOption(onMissing);
  parser.process(app);

  std::string error;
  auto host = tarvelin::studio::StudioHost::Start({}, &error);
  if (!host) {
    std::fprintf(stderr, "tarvelin-studio: %s\n", error.c_str());
    QMessageBox::critical(
        nullptr, "Tarvelin Studio",
        QObject::tr("The studio cannot start:\n%1").arg(QString::fromStdString(error)));
    return 2;
  }
  if (parser.isSet(onMissing)) {
    const QString answer = parser.value(onMissing);
    if (answer != "continue" && answer != "stop") {
      std::fprintf(stderr, "tarvelin-studio: --on-missing takes continue or stop\n");
      return 2;
    }
    host->Alerts().SetStandingAnswer(answer == "continue" ? tarvelin::AlertAnswer::kContinue
                                                          : tarvelin::AlertAnswer::kCancel);
  }
  int code = 0;
  {
    tarvelin::studio::MainWindow window(*host);
    window.show();
    const QStringList files = parser.positionalArguments();
    const QString shot = parser.value(screenshot);
    QTimer::singleShot(0, &window, [&] {
      QElapsedTimer clock;
      clock.start();
      for (const QString& f : files) window.OpenPath(std::filesystem::path(f.toStdString()));
      // The view drawn once: what the user waits for.
      if (tarvelin::studio::DocumentView* view = window.CurrentView()) view->viewport()->grab();
      if (parser.isSet(times)) {
        std::fprintf(stderr, "time open-and-show   %.3f s\n", clock.elapsed() / 1000.0);
        TimeScrolling(window);
      }
      if (parser.isSet(selectAd)) window.SelectInlineFrame(parser.value(selectAd).toInt() - 1);
      if (shot.isEmpty()) return;
      QTimer::singleShot(300, &window, [&] {
        if (!window.grab().save(shot))
          std::fprintf(stderr, "tarvelin-studio: cannot write %s\n", qPrintable(shot));
        // Straight out: a screenshot run asks nothing about the unsaved document.
        QCoreApplication::exit(0);
      });
    });
    code = app.exec();
  }
  std::string why;
  if (!host->App().SaveWorkspace(&why) && !why.empty())
    std::fprintf(stderr, "tarvelin-studio: the workspace was not saved (%s)\n", why.c_str());
  return code;
}
