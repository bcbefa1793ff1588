// The plug-in's face inside the studio's window: the attributes panel follows a click on
// the missing picture's frame, its show-log button opens the import log dialog with the
// run's log, the Preferences action opens the dialog on the plug-in's page, and File >
// Import Text goes through the module's filter and its options dialog.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "../studio_face/face_shot.h"
#include "attributes_panel.h"
#include "document_view.h"
#include "frame_geometry.h"
#include "host/documents/document.h"
#include "host/text/text_model.h"
#include "import_log_dialog.h"
#include "layout/composition_state.h"
#include "layout/layout_service_qt.h"
#include "main_window.h"
#include "preferences_page.h"
#include "qt_services.h"
#include "resource_dialog.h"
#include "shell/plugin_ids.h"
#include "studio_document.h"
#include "studio_host.h"
#include "studio_language.h"

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

// Answers the modal windows that open, one after the other, with `answers` in order.
std::unique_ptr<QTimer> OnModals(std::vector<std::function<void(QWidget*)>> answers) {
  auto timer = std::make_unique<QTimer>();
  timer->setInterval(5);
  auto next = std::make_shared<size_t>(0);
  auto shown = std::make_shared<QWidget*>(nullptr);
  QObject::connect(timer.get(), &QTimer::timeout, [t = timer.get(), answers, next, shown] {
    QWidget* window = QApplication::activeModalWidget();
    if (!window || window == *shown || !window->isVisible()) return;
    *shown = window;
    if (*next < answers.size()) answers[(*next)++](window);
    if (*next == answers.size()) t->stop();
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

  void importTextThroughTheHostsFilter() {
    MainWindow window(*host_);
    window.show();
    QVERIFY(window.OpenPath(work_ / "ogloszenia.rmk"));
    Document& doc = window.CurrentView()->Doc().Doc();
    const UID story = MainStory(doc);
    auto model = doc.DataBase().Query<ITextModel>(story);
    const std::u16string before = model->Text(0, model->TotalLength());
    const fs::path file = work_ / "naglowek.xtg";
    { std::ofstream(file, std::ios::binary) << "<v1.70><e1>\rNAGLOWEK "; }
    QAction* import = window.findChild<QAction*>("fileImportText");
    QVERIFY(import && import->isEnabled());

    // The chooser offers the module's format and every file; the options dialog follows.
    auto run = [&](bool ok) {
      QStringList filters;
      bool optionsShown = false;
      doc.GetSelection().SelectText(&doc.DataBase(), {story, 0, 0});
      auto answers = OnModals({
          [&](QWidget* w) {
            auto* chooser = qobject_cast<QFileDialog*>(w);
            QVERIFY(chooser);
            filters = chooser->nameFilters();
            if (ok) SaveShot(*chooser, "import_text_chooser.png");
            chooser->selectFile(QString::fromStdString(file.string()));
            QMetaObject::invokeMethod(chooser, "accept");
          },
          [&](QWidget* w) {
            auto* options = qobject_cast<face::ResourceDialog*>(w);
            QVERIFY(options);
            optionsShown = true;
            QCOMPARE(options->windowTitle(), QStringLiteral("Tarvelin[US]"));
            if (ok) SaveShot(*options, "import_text_options.png");
            ok ? options->accept() : options->reject();
          },
      });
      import->trigger();
      QCOMPARE(filters, QStringList({"Quark XPressTag Files (*.xtg)", "All Documents (*)"}));
      QVERIFY(optionsShown);
    };
    run(false);
    QCOMPARE(model->Text(0, model->TotalLength()), before);
    run(true);
    QCOMPARE(model->Text(0, model->TotalLength()), u"NAGLOWEK " + before);
    QCOMPARE(QString::fromStdU16String(doc.DataBase().Commands().UndoName()),
             QStringLiteral("Import"));
  }

  void missingDataAlertOffersItsButtonsInOrder_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("tip");
    QTest::newRow("English") << int(StudioLanguage::kEnglish)
                             << QStringList({"Cancel", "Try Again", "Continue"})
                             << QStringLiteral("Don't show again");
    QTest::newRow("Polish") << int(StudioLanguage::kPolish)
                            << QStringList({"Anuluj", "Spróbuj ponownie", "Kontynuuj"})
                            << QStringLiteral("Nie pokazuj ponownie");
  }
  void missingDataAlertOffersItsButtonsInOrder() {
    QFETCH(int, language);
    QFETCH(QStringList, texts);
    QFETCH(QString, tip);
    ApplyLanguage(static_cast<StudioLanguage>(language));
    MessageBoxAlerts alerts;
    QStringList buttons;
    QString shownTip;
    auto answer = OnModal([&](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      QVERIFY(box);
      QList<QAbstractButton*> all = box->buttons();
      std::sort(all.begin(), all.end(),
                [](QAbstractButton* a, QAbstractButton* b) { return a->x() < b->x(); });
      for (QAbstractButton* b : all) buttons << b->text();
      shownTip = all.value(1)->toolTip();
      SaveShot(*box, language == int(StudioLanguage::kPolish) ? "missing_data_alert_pl.png"
                                                              : "missing_data_alert.png");
      all.value(1)->click();
    });
    const AlertAnswer chosen = alerts.ThreeButtons(u"Brak danych", u"Cannot read the file.");
    ApplyLanguage(StudioLanguage::kEnglish);
    QCOMPARE(chosen, AlertAnswer::kTryAgain);
    QCOMPARE(buttons, texts);
    QCOMPARE(shownTip, tip);
  }

 private:
  std::unique_ptr<StudioHost> host_;
  QTemporaryDir dir_;
  fs::path work_;
};

QTEST_MAIN(FaceWiringTest)
#include "face_wiring_test.moc"
