#include "preferences_page.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "core/string_table.h"
#include "host/application/host_registry.h"
#include "host/application/session_workspace.h"
#include "host/objects/class_registry.h"
#include "preferences/preference_data.h"
#include "preferences/preference_types.h"

namespace tarvelin::studio::face {

class PreferencesPageTest : public QObject {
  Q_OBJECT

 private:
  std::shared_ptr<ClassRegistry> registry_;
  std::unique_ptr<SessionWorkspace> workspace_;
  std::unique_ptr<KCommonPreferenceTypesList> types_;

  std::optional<std::u16string> Stored(std::u16string_view key) {
    return QueryPreferenceData(workspace_.get())->Get(key);
  }
  void Select(PreferencesPage& page, const char16_t* key) {
    QTreeWidgetItem* row = page.RowOf(key);
    QVERIFY(row);
    page.Tree()->setCurrentItem(row);
  }

 private slots:
  void init() {
    SetLanguage(Language::kEnglish);
    registry_ = CreateHostRegistry();
    QVERIFY(registry_);
    QCOMPARE(RegisterPreferenceClasses(*registry_), kSuccess);
    workspace_ = SessionWorkspace::Create(registry_);
    QVERIFY(workspace_);
    types_ = std::make_unique<KCommonPreferenceTypesList>();
    PreferencesStartUp(types_.get());
    types_->AddPreference(u"unit", "Unit:", u"", kPreferenceTypeChoice,
                          std::vector<std::u16string>{u"Points", u"Millimetres"},
                          std::vector<std::u16string>{u"pt", u"mm"});
    QCOMPARE(ChangePreferences(
                 *workspace_,
                 {{u"image_folder1", u"/one"}, {u"image_folder2", u"/two"}, {u"unit", u"mm"}}),
             kSuccess);
  }

  void opensWithStoredValuesAndEditorsHidden() {
    PreferencesPage page(*types_, workspace_.get());
    page.show();
    QTreeWidgetItem* row = page.RowOf(u"image_folder2:");
    QVERIFY(row);
    QCOMPARE(row->text(0), QStringLiteral("Image folder 2:"));
    QCOMPARE(row->text(1), QStringLiteral("/two"));
    QCOMPARE(page.RowOf(u"unit:")->text(1), QStringLiteral("Millimetres"));
    QVERIFY(!page.EditBox()->isVisible());
    QVERIFY(!page.DropDown()->isVisible());
    QVERIFY(!page.ChangeButton()->isVisible());
  }

  void editorsPerRowType() {
    PreferencesPage page(*types_, workspace_.get());
    page.show();
    Select(page, u"image_folder2:");
    QVERIFY(page.EditBox()->isVisible());
    QVERIFY(page.ChangeButton()->isVisible());
    QVERIFY(!page.DropDown()->isVisible());
    QCOMPARE(page.EditBox()->text(), QStringLiteral("/two"));
    Select(page, u"unit:");
    QVERIFY(page.DropDown()->isVisible());
    QVERIFY(!page.EditBox()->isVisible());
    QCOMPARE(page.DropDown()->currentText(), QStringLiteral("Millimetres"));
  }

  void typedFolderIsStoredOnApplyOthersKept() {
    PreferencesPage page(*types_, workspace_.get());
    page.show();
    Select(page, u"image_folder2:");
    page.EditBox()->selectAll();
    QTest::keyClicks(page.EditBox(), "/typed");
    QCOMPARE(page.RowOf(u"image_folder2:")->text(1), QStringLiteral("/typed"));
    QCOMPARE(Stored(u"image_folder2"), std::u16string(u"/two"));  // rows first, store on OK
    Select(page, u"unit:");
    page.DropDown()->setCurrentIndex(0);
    QVERIFY(page.Apply());
    QCOMPARE(Stored(u"image_folder2"), std::u16string(u"/typed"));
    QCOMPARE(Stored(u"unit"), std::u16string(u"pt"));
    QCOMPARE(Stored(u"image_folder1"), std::u16string(u"/one"));  // never selected
    QVERIFY(!Stored(u"image_folder3"));                           // not written as empty
  }

  void chosenFolderGoesIntoEditAndRowCancelChangesNothing() {
    std::optional<QString> answer = QStringLiteral("/chosen");
    PreferencesPage page(*types_, workspace_.get(), [&](const QString&) { return answer; });
    page.show();
    Select(page, u"image_folder1:");
    QTest::mouseClick(page.ChangeButton(), Qt::LeftButton);
    QCOMPARE(page.EditBox()->text(), QStringLiteral("/chosen"));
    QCOMPARE(page.RowOf(u"image_folder1:")->text(1), QStringLiteral("/chosen"));
    answer.reset();  // the chooser cancelled
    QTest::mouseClick(page.ChangeButton(), Qt::LeftButton);
    QCOMPARE(page.RowOf(u"image_folder1:")->text(1), QStringLiteral("/chosen"));
    // The page closed without Apply (the dialog's Cancel): nothing stored.
    QCOMPARE(Stored(u"image_folder1"), std::u16string(u"/one"));
  }

  void applyWithoutSelectionProcessesNoCommand() {
    PreferencesPage page(*types_, workspace_.get());
    const size_t before = workspace_->DataBase().Commands().UndoCount();
    QVERIFY(page.Apply());
    QCOMPARE(workspace_->DataBase().Commands().UndoCount(), before);
  }
};

}  // namespace tarvelin::studio::face

QTEST_MAIN(tarvelin::studio::face::PreferencesPageTest)
#include "preferences_page_test.moc"
