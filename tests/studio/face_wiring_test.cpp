// The plug-in's face inside the studio's window: the attributes panel follows a click on
// the missing picture's frame, its show-log button opens the import log dialog with the
// run's log, and the Preferences action opens the dialog on the plug-in's page.
#include <QApplication>
#include <QLabel>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <functional>
#include <memory>

#include "attributes_panel.h"
#include "document_view.h"
#include "frame_geometry.h"
#include "host/documents/document.h"
#include "import_log_dialog.h"
#include "layout/composition_state.h"
#include "layout/layout_service_qt.h"
#include "main_window.h"
#include "preferences_page.h"
#include "qt_services.h"
#include "shell/plugin_ids.h"
#include "studio_document.h"
#include "studio_host.h"

using namespace tarvelin;
using namespace tarvelin::studio;
namespace fs = std::filesystem;

namespace {

// Hands the first visible modal window to `answer` once the caller's modal loop runs.
std::unique_ptr<QTimer> OnModal(std::function<void(QWidget*)> answer) {
  auto timer = std::make_unique<QTimer>();
  timer->setInterval(5);
  QObject::connect(timer.get(), &QTimer::timeout, [t = timer.get(), answer] {
    if (QWidget* window = QApplication::activeModalWidget()) {
      t->stop();
      answer(window);
    }
  });
  timer->start();
  return timer;
}

}  // namespace

class FaceWiringTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    std::string error;
    host_ = StudioHost::Start({.workspace = fs::path()}, &error);
    QVERIFY2(host_ != nullptr, error.c_str());
    QVERIFY(dir_.isValid());
    work_ = fs::path(dir_.path().toStdString());
    // The lost-dog ad names a picture the examples do not have.
    for (const char* f : {"ogloszenia.rmk", "dzialka.jpg", "komis_logo.tif"})
      fs::copy_file(fs::path(TARVELIN_EXAMPLES) / f, work_ / f);
    host_->Alerts().SetStandingAnswer(AlertAnswer::kContinue);
  }
  void cleanupTestCase() { host_.reset(); }

  void panelLogAndPreferences() {
    MainWindow window(*host_);
    window.show();
    QVERIFY(window.OpenPath(work_ / "ogloszenia.rmk"));
    face::AttributesPanel* panel = window.AttributesPanel();
    QVERIFY(panel);
    StudioDocument& doc = window.CurrentView()->Doc();
    const ComposedStory* story = doc.State()->Story(MainStory(doc.Doc()));
    QVERIFY(story);
    int missing = 0;
    for (const PlacedInline& placed : story->inlines) {
      UIDList one(&doc.Doc().DataBase());
      one.Append(placed.item);
      doc.Doc().GetSelection().SelectItems(one);
      if (panel->Model().ImageMissingShown()) {
        ++missing;
        QVERIFY(panel->MissingImageText()->isVisible());
        QVERIFY(panel->Button(AttributesPanelModel::Button::kReconnect)->isVisible());
        QVERIFY(panel->Model().RowCount() > 0);
      }
    }
    QCOMPARE(missing, 1);

    QString shown;
    auto answer = OnModal([&](QWidget* w) {
      if (auto* log = qobject_cast<face::ImportLogDialog*>(w)) shown = log->FieldText();
      w->close();
    });
    panel->Button(AttributesPanelModel::Button::kShowLog)->click();
    QVERIFY2(shown.contains("// Log started on"), qPrintable(shown));

    bool pageShown = false;
    auto prefs = OnModal([&](QWidget* w) {
      for (auto* stack : w->findChildren<QStackedWidget*>())
        pageShown = pageShown || qobject_cast<face::PreferencesPage*>(stack->currentWidget());
      w->close();
    });
    host_->App().Actions().PerformAction(plugin_ids::kPreferencesAction);
    QVERIFY(pageShown);
  }

 private:
  std::unique_ptr<StudioHost> host_;
  QTemporaryDir dir_;
  fs::path work_;
};

QTEST_MAIN(FaceWiringTest)
#include "face_wiring_test.moc"
