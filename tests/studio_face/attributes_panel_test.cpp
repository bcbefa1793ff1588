#include "attributes_panel.h"

#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "attributes/advertisement_attributes.h"
#include "core/string_table.h"
#include "host/application/action_manager.h"
#include "host/application/active_context.h"
#include "host/application/host_registry.h"
#include "host/documents/document.h"
#include "host/documents/page_item_commands.h"
#include "host/objects/class_registry.h"
#include "shell/plugin_ids.h"
#include "shell/plugin_resources.h"

namespace tarvelin::studio::face {

using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;
using PanelButton = AttributesPanelModel::Button;

class AttributesPanelTest : public QObject {
  Q_OBJECT

 private:
  std::shared_ptr<ClassRegistry> registry_;
  std::unique_ptr<ActiveContext> context_;
  std::unique_ptr<ActionManager> actions_;
  Document* doc_ = nullptr;
  double left_ = 0;
  std::vector<ActionID> performed_;

  UIDRef Frame(const Pairs& pairs) {
    UIDRef ref;
    left_ += 60;
    if (CreateRectangleFrame(*doc_, doc_->DefaultSpreadLayer(), PMRect{left_, 10, left_ + 50, 60},
                             &ref) != kSuccess)
      return ref;
    Database& db = doc_->DataBase();
    SequenceId seq = db.Commands().BeginCommandSequence(u"store");
    auto record = QueryInterface<IAdvertisementAttributes>(ref);
    for (const auto& [k, v] : pairs) record->SetAttribute(k, v);
    db.Commands().EndCommandSequence(seq);
    return ref;
  }
  void Select(const std::vector<UIDRef>& frames) {
    UIDList list(&doc_->DataBase());
    for (const UIDRef& f : frames) list.Append(f.GetUID());
    doc_->GetSelection().SelectItems(list);
  }
  QStringList Rows(const AttributesPanel& panel) {
    QStringList rows;
    for (int i = 0; i < panel.List()->topLevelItemCount(); ++i)
      rows << panel.List()->topLevelItem(i)->text(0) + QLatin1Char('=') +
                  panel.List()->topLevelItem(i)->text(1);
    return rows;
  }

 private slots:
  void init() {
    SetLanguage(Language::kEnglish);
    registry_ = CreateHostRegistry();
    QVERIFY(registry_);
    QCOMPARE(RegisterAttributeClasses(*registry_), kSuccess);
    context_ = std::make_unique<ActiveContext>();
    actions_ = std::make_unique<ActionManager>(*registry_, context_.get());
    actions_->AddDefinitions(TarvelinResources().actions);
    performed_.clear();
    for (PanelButton b : {PanelButton::kReconnect, PanelButton::kShowLog, PanelButton::kProcess,
                          PanelButton::kImportAndProcess}) {
      const ActionID id = AttributesPanelModel::ActionFor(b);
      actions_->AddHostAction(*actions_->Find(id), [this, id] { performed_.push_back(id); });
    }
    doc_ = context_->OpenDocument(Document::Create(registry_, PageSetup{}, u"panel"));
    QVERIFY(doc_);
    left_ = 0;
  }
  void cleanup() {
    actions_.reset();
    context_.reset();
  }

  void rowsFollowTheSelection_data() {
    QTest::addColumn<int>("frames");
    QTest::addColumn<bool>("sameList");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("one frame") << 1 << true << QStringList{"a=1", "b=2"};
    QTest::newRow("equal lists") << 2 << true << QStringList{"a=1", "b=2"};
    QTest::newRow("different lists") << 2 << false << QStringList{};
  }
  void rowsFollowTheSelection() {
    QFETCH(int, frames);
    QFETCH(bool, sameList);
    QFETCH(QStringList, rows);
    const std::u16string list(kListOfAttributesKey);
    std::vector<UIDRef> refs;
    for (int i = 0; i < frames; ++i)
      refs.push_back(Frame({{u"b", u"2"},
                            {u"a", i == 0 ? u"1" : u"9"},
                            {list, sameList || i == 0 ? u"a b " : u"a "}}));
    AttributesPanel panel(*context_, *actions_);
    QVERIFY(Rows(panel).isEmpty());
    Select(refs);  // the selection notice alone refreshes the panel
    QCOMPARE(Rows(panel), rows);
  }

  void missingImageShowsAndHidesTheReconnectButton() {
    UIDRef picture = Frame({{u"imageType", u"true"}, {u"imageLoaded", u"false"}});
    UIDRef loaded = Frame({{u"imageType", u"true"}, {u"imageLoaded", u"true"}});
    AttributesPanel panel(*context_, *actions_);
    panel.show();
    QVERIFY(!panel.MissingImageText()->isVisible());
    Select({picture});
    QVERIFY(panel.MissingImageText()->isVisible());
    QVERIFY(panel.Button(PanelButton::kReconnect)->isVisible());
    QCOMPARE(panel.MissingImageText()->text(), QStringLiteral("Image file missing"));
    Select({picture, loaded});
    QVERIFY(!panel.Button(PanelButton::kReconnect)->isVisible());
    Select({picture});
    QTest::mouseClick(panel.Button(PanelButton::kReconnect), Qt::LeftButton);
    QCOMPARE(performed_, std::vector<ActionID>{plugin_ids::kReconnectAction});
    // After a successful reconnect the next notice hides them again.
    Database& db = doc_->DataBase();
    SequenceId seq = db.Commands().BeginCommandSequence(u"reconnect");
    QueryInterface<IAdvertisementAttributes>(picture)->SetAttribute(u"imageLoaded", u"true");
    db.Commands().EndCommandSequence(seq);
    Select({});
    Select({picture});
    QVERIFY(!panel.MissingImageText()->isVisible());
  }

  void buttonsWithoutADocument() {
    context_->CloseDocument(doc_);
    AttributesPanel panel(*context_, *actions_);
    QVERIFY(!panel.Button(PanelButton::kImportAndProcess)->isEnabled());
    QVERIFY(!panel.Button(PanelButton::kProcess)->isEnabled());
    QVERIFY(panel.Button(PanelButton::kShowLog)->isEnabled());
    QTest::mouseClick(panel.Button(PanelButton::kShowLog), Qt::LeftButton);
    QCOMPARE(performed_, std::vector<ActionID>{plugin_ids::kShowLogAction});
    QCOMPARE(panel.Button(PanelButton::kShowLog)->toolTip(),
             QStringLiteral("Show log if anything was imported"));
  }

  void popupMenuOrderInBothLanguages_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("English") << int(Language::kEnglish)
                             << QStringList{"About Tarvelin...",     "Preferences...", "-",
                                            "Import and process...", "Process",        "Show log"};
    const auto pl = [](const char* key) {
      const std::u16string t = TranslateIn(Language::kPolish, key);
      return QString::fromUtf16(t.data(), qsizetype(t.size()));
    };
    QTest::newRow("Polish") << int(Language::kPolish)
                            << QStringList{pl("0x113380kVorrinAboutMenuKey"),
                                           pl("0x113380kVorrinPreferencesMenuKey"),
                                           "-",
                                           pl("0x113380kVorrinImportTaggedFileKey"),
                                           pl("0x113380kVorrinProcessOnlyKey"),
                                           pl("0x113380kVorrinShowLogKey")};
  }
  void popupMenuOrderInBothLanguages() {
    QFETCH(int, language);
    QFETCH(QStringList, entries);
    SetLanguage(static_cast<Language>(language));
    AttributesPanel panel(*context_, *actions_);
    std::unique_ptr<QMenu> menu = panel.MakePopupMenu();
    QStringList got;
    for (QAction* a : menu->actions()) got << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(got, entries);
    QCOMPARE(panel.windowTitle(), QStringLiteral("Tarvelin"));
    SetLanguage(Language::kEnglish);
  }
};

}  // namespace tarvelin::studio::face

QTEST_MAIN(tarvelin::studio::face::AttributesPanelTest)
#include "attributes_panel_test.moc"
