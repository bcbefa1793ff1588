// The plug-in's face inside the studio's window: the attributes panel follows a click on
// the missing picture's frame, the preferences page sets the image folder its reconnect
// button searches, its show-log button opens the import log dialog with the run's log,
// File > Import Text (and a dropped file) goes through the module's filter and its options
// dialog, and the face is drawn with the plug-in's interface fonts.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <utility>

#include "../studio_face/face_shot.h"
#include "about_box_dialog.h"
#include "attributes_panel.h"
#include "core/string_table.h"
#include "document_view.h"
#include "face_fonts.h"
#include "frame_geometry.h"
#include "host/application/interface_fonts.h"
#include "host/documents/document.h"
#include "host/documents/page_item.h"
#include "host/text/text_model.h"
#include "import_log_dialog.h"
#include "layout/composition_state.h"
#include "layout/layout_service_qt.h"
#include "main_window.h"
#include "preferences/preference_data.h"
#include "preferences_page.h"
#include "qt_services.h"
#include "resource_dialog.h"
#include "shell/plugin_ids.h"
#include "studio_document.h"
#include "studio_face.h"
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

  // What a newcomer does: paginate the example, read an ad's attributes, find the missing
  // picture's frame, set an image folder on the preferences page, reconnect, read the log;
  // in both languages.
  void newcomerReconnectsTheMissingPicture_data() {
    QTest::addColumn<int>("language");
    QTest::newRow("English") << int(StudioLanguage::kEnglish);
    QTest::newRow("Polish") << int(StudioLanguage::kPolish);
  }
  void newcomerReconnectsTheMissingPicture() {
    QFETCH(int, language);
    const auto lang = static_cast<StudioLanguage>(language);
    ApplyLanguage(lang);
    struct English {
      ~English() { ApplyLanguage(StudioLanguage::kEnglish); }
    } restore;
    // The other row's folder holds the picture already.
    QCOMPARE(ChangePreferences(host_->App().Workspace(), {{u"image_folder1", std::nullopt}}),
             kSuccess);
    const Language tables =
        lang == StudioLanguage::kPolish ? Language::kPolish : Language::kEnglish;
    const fs::path work = work_ / (lang == StudioLanguage::kPolish ? "pl" : "en");
    auto shot = [lang](const char* name) {
      return QString::fromLatin1(name) +
             (lang == StudioLanguage::kPolish ? QStringLiteral("_pl.png") : QStringLiteral(".png"));
    };
    fs::create_directories(work / "obrazy");
    for (const char* f : {"ogloszenia.rmk", "dzialka.jpg", "komis_logo.tif"})
      fs::copy_file(work_ / f, work / f, fs::copy_options::overwrite_existing);

    MainWindow window(*host_);
    window.show();
    QVERIFY(window.OpenPath(work / "ogloszenia.rmk"));
    face::AttributesPanel* panel = window.AttributesPanel();
    QVERIFY(panel);
    StudioDocument& doc = window.CurrentView()->Doc();
    const Database& db = doc.Doc().DataBase();
    const ComposedStory* story = doc.State()->Story(MainStory(doc.Doc()));
    QVERIFY(story);
    auto select = [&](UID item) {
      UIDList one(&doc.Doc().DataBase());
      one.Append(item);
      doc.Doc().GetSelection().SelectItems(one);
    };
    UID missingFrame = kInvalidUID;
    bool adShown = false;
    for (const PlacedInline& placed : story->inlines) {
      select(placed.item);
      QVERIFY(panel->List()->topLevelItemCount() > 0);
      if (!panel->Model().ImageMissingShown()) {
        if (!std::exchange(adShown, true)) SaveShot(*panel, shot("attributes_panel"));
        continue;
      }
      SaveShot(*panel, shot("attributes_panel_missing"));
      SaveShot(window, shot("studio_missing_picture"), true);
      QVERIFY(missingFrame == kInvalidUID);
      missingFrame = placed.item;
      QVERIFY(panel->MissingImageText()->isVisible());
      QCOMPARE(panel->MissingImageText()->text(),
               QString::fromStdU16String(
                   TranslateIn(tables, AttributesPanelModel::kMissingImageTextKey)));
      QVERIFY(panel->Button(AttributesPanelModel::Button::kReconnect)->isVisible());
    }
    QVERIFY(missingFrame != kInvalidUID);
    QCOMPARE(ImageOf(db, missingFrame), kInvalidUID);

    // The picture arrives in a folder of its own, which the user sets as image folder 1.
    QImage picture(240, 160, QImage::Format_RGB32);
    picture.fill(QColor(90, 140, 60));
    QVERIFY(picture.save(QString::fromStdString((work / "obrazy" / "zguba pies.jpg").string())));
    bool pageShown = false;
    auto prefs = OnModal([&](QWidget* w) {
      auto* page = w->findChild<face::PreferencesPage*>();
      pageShown = page && page->isVisible();
      if (page) {
        page->Tree()->setCurrentItem(page->RowOf(u"image_folder1:"));
        page->EditBox()->clear();
        QTest::keyClicks(page->EditBox(), QString::fromStdString((work / "obrazy").string()));
        SaveShot(*w, shot("preferences_page"), true);
      }
      QMetaObject::invokeMethod(w, "accept");
    });
    host_->App().Actions().PerformAction(plugin_ids::kPreferencesAction);
    QVERIFY(pageShown);

    select(missingFrame);
    panel->Button(AttributesPanelModel::Button::kReconnect)->click();
    QVERIFY(ImageOf(db, missingFrame) != kInvalidUID);
    QVERIFY(!panel->MissingImageText()->isVisible());
    QVERIFY(!panel->Button(AttributesPanelModel::Button::kReconnect)->isVisible());
    SaveShot(window, shot("studio_reconnected"), true);

    QString shown;
    auto answer = OnModal([&](QWidget* w) {
      if (auto* log = qobject_cast<face::ImportLogDialog*>(w)) {
        shown = log->FieldText();
        SaveShot(*log, shot("import_log_dialog"), true);
      }
      w->close();
    });
    panel->Button(AttributesPanelModel::Button::kShowLog)->click();
    QVERIFY2(shown.contains("zguba pies.jpg"), qPrintable(shown));
  }

  void importTextThroughTheHostsFilter() {
    MainWindow window(*host_);
    const OpenedExample opened = OpenExample(window);
    QVERIFY(opened.doc && opened.model);
    const auto& [doc_open, story, model, before] = opened;
    Document& doc = *doc_open;
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

  // The plug-in registers its five fonts on the studio's base size, once however many
  // actions run, and the face's widgets are drawn with them.
  void interfaceFontsDrawTheFace() {
    const InterfaceFontService* fonts = host_->App().Services().interfaceFonts;
    QVERIFY(fonts);
    {
      auto close = OnModal([](QWidget* w) { w->close(); });
      host_->App().Actions().PerformAction(plugin_ids::kShowLogAction);
    }
    const int base = face::StudioInterfaceFontSize();
    struct Expected {
      uint32_t offset;
      int size;
      bool bold;
    };
    const Expected expected[] = {
        {0, base, true}, {1, 18, true}, {2, base + 5, false}, {3, 10, false}, {4, base, false}};
    QCOMPARE(fonts->Fonts().size(), std::size(expected));
    for (const Expected& e : expected) {
      const QFont font = face::InterfaceQFont(static_cast<face::FaceFont>(e.offset));
      QCOMPARE(font.pointSize(), e.size);
      QCOMPARE(font.bold(), e.bold);
    }

    face::AboutBoxDialog about("Tarvelin (revision: 10366)", host_->App().Actions());
    QCOMPARE(about.RevisionLine()->font().pointSize(), base + 5);
    SaveShot(about, "about_box.png");

    // The body font as the application's own would pass unnoticed: another look of it
    // shows what the widgets are really drawn with.
    InterfaceFontService* service = host_->App().Services().interfaceFonts;
    QVERIFY(service->Register({plugin_ids::P(4), u"", base + 3, 0}));
    MainWindow window(*host_);
    std::unique_ptr<face::PreferencesPage> page(face::MakePreferencesPage(nullptr, nullptr));
    QVERIFY(service->Register({plugin_ids::P(4), u"", base, 0}));
    QVERIFY(window.AttributesPanel());
    QCOMPARE(window.AttributesPanel()->List()->font().pointSize(), base + 3);
    QCOMPARE(window.AttributesPanel()->MissingImageText()->font().pointSize(), base + 3);
    QCOMPARE(page->Tree()->font().pointSize(), base + 3);
    auto* title = page->findChild<QLabel*>(QStringLiteral("pageTitle"));
    QVERIFY(title);
    QCOMPARE(title->font().pointSize(), 18);
  }

  // Tagged text dropped on the window goes where File > Import Text puts it; without a
  // document the user is told why nothing happened.
  void droppedTaggedTextIsImported() {
    const fs::path file = work_ / "upuszczony.xtg";
    { std::ofstream(file, std::ios::binary) << "<v1.70><e1>\rUPUSZCZONY "; }
    auto drop = [&](MainWindow& window) {
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
      QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(&window, &enter);
      if (!enter.isAccepted()) return false;
      QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(&window, &dropped);
      return true;
    };

    MainWindow empty(*host_);
    empty.show();
    QString error;
    auto told = OnModal([&](QWidget* w) {
      if (auto* box = qobject_cast<QMessageBox*>(w)) error = box->text();
      w->close();
    });
    QVERIFY(drop(empty));
    QTRY_VERIFY(!error.isEmpty());
    QVERIFY2(error.contains("upuszczony.xtg"), qPrintable(error));

    MainWindow window(*host_);
    const OpenedExample opened = OpenExample(window);
    QVERIFY(opened.doc && opened.model);
    const auto& [doc_open, story, model, before] = opened;
    Document& doc = *doc_open;
    doc.GetSelection().SelectText(&doc.DataBase(), {story, 0, 0});
    bool optionsShown = false;
    auto options = OnModal([&](QWidget* w) {
      optionsShown = qobject_cast<face::ResourceDialog*>(w) != nullptr;
      QMetaObject::invokeMethod(w, "accept");
    });
    QVERIFY(drop(window));
    QTRY_COMPARE(model->Text(0, model->TotalLength()), u"UPUSZCZONY " + before);
    QVERIFY(optionsShown);
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
  // The example opened in `window`: its main story, and that story's text before an import.
  struct OpenedExample {
    Document* doc = nullptr;
    UID story = kInvalidUID;
    std::shared_ptr<ITextModel> model;
    std::u16string before;
  };
  OpenedExample OpenExample(MainWindow& window) {
    window.show();
    OpenedExample e;
    if (!window.OpenPath(work_ / "ogloszenia.rmk")) return e;
    e.doc = &window.CurrentView()->Doc().Doc();
    e.story = MainStory(*e.doc);
    e.model = e.doc->DataBase().Query<ITextModel>(e.story);
    if (e.model) e.before = e.model->Text(0, e.model->TotalLength());
    return e;
  }

  std::unique_ptr<StudioHost> host_;
  QTemporaryDir dir_;
  fs::path work_;
};

QTEST_MAIN(FaceWiringTest)
#include "face_wiring_test.moc"
