#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "about_box_dialog.h"
#include "core/string_table.h"
#include "face_icons.h"
#include "host/application/action_manager.h"
#include "host/application/host_registry.h"
#include "host/objects/class_registry.h"
#include "import_log_dialog.h"
#include "resource_dialog.h"
#include "shell/plugin_ids.h"
#include "shell/plugin_resources.h"
#include "tagged/qxt_import_provider.h"

namespace tarvelin::studio::face {

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { SetLanguage(Language::kEnglish); }

  void logDialogShowsTheLogLinesInOrder_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    const QString intro =
        QStringLiteral("There were errors or warnings during the import phase:\n");
    QTest::newRow("a run's log")
        << intro + QStringLiteral("// ----\r// Log started on today.\rfirst\rsecond\r")
        << QStringLiteral("// ----\n// Log started on today.\nfirst\nsecond");
    QTest::newRow("nothing imported yet") << intro << QString();
  }
  void logDialogShowsTheLogLinesInOrder() {
    QFETCH(QString, text);
    QFETCH(QString, field);
    ImportLogDialog dialog(
        std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())));
    QCOMPARE(dialog.FieldText(), field);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Tarvelin"));
  }

  void optionsDialogConfirmsOnlyOnOk_data() {
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("checked");
    QTest::newRow("OK, checked") << true << true;
    QTest::newRow("OK, unchecked") << true << false;
    QTest::newRow("Cancel") << false << true;
  }
  void optionsDialogConfirmsOnlyOnOk() {
    QFETCH(bool, ok);
    QFETCH(bool, checked);
    struct Recorder final : DialogController {
      void InitializeDialogFields(DialogFields&) override { ++initialised; }
      void ApplyDialogFields(const DialogFields& fields) override {
        applied = true;
        forced = fields.Checked(kForceMacCEEncodingWidgetID);
      }
      int initialised = 0;
      bool applied = false;
      bool forced = false;
    } controller;
    QtDialogService service;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<ResourceDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog);
      QCheckBox* force = dialog->CheckBox(kForceMacCEEncodingWidgetID);
      QVERIFY(force);
      QCOMPARE(force->text(), QStringLiteral("Force MacCE encoding"));
      QVERIFY(!force->isChecked());
      QCOMPARE(dialog->windowTitle(), QStringLiteral("Tarvelin[US]"));
      force->setChecked(checked);
      ok ? dialog->accept() : dialog->reject();
    });
    QCOMPARE(service.RunModal(QXTIDialogResource(), controller),
             ok ? DialogOutcome::kConfirmed : DialogOutcome::kCancelled);
    QCOMPARE(controller.initialised, 1);
    QCOMPARE(controller.applied, ok);
    QCOMPARE(controller.forced, ok && checked);
  }

  void aboutBoxShowsItsPartsAndOpensThePage() {
    auto registry = CreateHostRegistry();
    ActionManager actions(*registry);
    actions.AddDefinitions(TarvelinResources().actions);
    int visits = 0;
    actions.AddHostAction(*actions.Find(plugin_ids::kVisitWebPageAction), [&] { ++visits; });
    AboutBoxDialog box("Tarvelin (revision: 10366)", actions);
    QCOMPARE(box.RevisionLine()->text(), QStringLiteral("Tarvelin (revision: 10366)"));
    QCOMPARE(box.WebPageButton()->text(), QStringLiteral("Visit developer's page"));
    QTest::mouseClick(box.WebPageButton(), Qt::LeftButton);
    QCOMPARE(visits, 1);
  }

  void iconsHaveTheirPixelSizes() {
    const struct {
      int id;
      QSize size;
    } icons[] = {{kReconnectIcon, {14, 13}}, {kImportAndProcessIcon, {20, 16}},
                 {kShowLogIcon, {18, 12}},   {kProcessIcon, {20, 16}},
                 {kLogDialogIcon, {32, 32}}, {kAboutBannerIcon, {417, 45}}};
    for (const auto& icon : icons) {
      QCOMPARE(FacePixmap(icon.id, false).size(), icon.size);
      QCOMPARE(FacePixmap(icon.id, true).size(), icon.size);
      QVERIFY(FacePixmap(icon.id, false).toImage() != FacePixmap(icon.id, true).toImage());
    }
    QCOMPARE(StudioApplicationIcon().availableSizes().value(0), QSize(256, 256));
  }
};

}  // namespace tarvelin::studio::face

QTEST_MAIN(tarvelin::studio::face::DialogsTest)
#include "dialogs_test.moc"
