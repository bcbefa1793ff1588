#include "main_window.h"

#include "pdf/pdf_export.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <fstream>
#include <iterator>

#include "attributes_panel.h"
#include "core/string_table.h"
#include "core/utf16.h"
#include "document_view.h"
#include "face_text.h"
#include "host/application/active_context.h"
#include "host/documents/document.h"
#include "host/documents/page_item.h"
#include "host/persistence/document_file.h"
#include "layout/composition_state.h"
#include "layout/document_template.h"
#include "layout/layout_service_qt.h"
#include "layout/renderer.h"
#include "panels.h"
#include "preferences_dialog.h"
#include "preferences_page.h"
#include "qt_services.h"
#include "shell/plugin_ids.h"
#include "studio_document.h"
#include "studio_face.h"
#include "studio_host.h"

namespace tarvelin::studio {

namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxRecent = 10;
constexpr std::uintmax_t kMaxTemplateBytes = 16 << 20;

QString QPath(const fs::path& p) {
  return QString::fromStdString(p.string());
}

fs::path FsPath(const QString& p) {
  return fs::path(p.toStdString());
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool IsFrameFile(const fs::path& p) {
  const std::string ext = Lower(p.extension().string());
  return ext == ".rmk" || ext == ".txt";
}

// Menu texts from the string tables carry the "&" of a mnemonic as they are.
QString Tr(const std::string& key) {
  return QString::fromStdU16String(Translate(key));
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace

MainWindow::MainWindow(StudioHost& host, QWidget* parent) : QMainWindow(parent), host_(host) {
  setObjectName("mainWindow");
  setAcceptDrops(true);
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("documentTabs");
  tabs_->setDocumentMode(true);
  tabs_->setTabsClosable(true);
  tabs_->setMovable(true);
  setCentralWidget(tabs_);
  connect(tabs_, &QTabWidget::tabCloseRequested, this, [this](int tab) {
    if (MaybeSave(tab)) CloseTab(tab);
  });
  connect(tabs_, &QTabWidget::currentChanged, this, [this] {
    if (StudioDocument* doc = CurrentDocument())
      host_.App().Context().SetFrontDocument(&doc->Doc());
    UpdateActions();
    UpdateTitle();
    ShowPanels();
  });

  zoomLabel_ = new QLabel(this);
  pageField_ = new QSpinBox(this);
  pageField_->setObjectName("pageField");
  pageField_->setMinimum(1);
  connect(pageField_, &QSpinBox::editingFinished, this, [this] {
    if (DocumentView* view = CurrentView()) view->GoToPage(pageField_->value() - 1);
  });
  statusBar()->addPermanentWidget(new QLabel(tr("Page"), this));
  statusBar()->addPermanentWidget(pageField_);
  statusBar()->addPermanentWidget(zoomLabel_);

  QSettings settings;
  for (const QString& f : settings.value("recentFiles").toStringList())
    recent_.push_back(FsPath(f));

  BuildPanels();
  BuildActions();
  BuildMenus();
  face::InstallFaceActions(host_.App().Actions(), this);
  AddPreferencePage({face::kPreferencesPageID, face::PreferencesPageTitle(),
                     [](QWidget* parent) -> QWidget* {
                       Application* app = Application::Current();
                       return face::MakePreferencesPage(app ? app->Context().Workspace() : nullptr,
                                                        parent);
                     },
                     [](QWidget* page) { static_cast<face::PreferencesPage*>(page)->Apply(); }});
  host_.Alerts().SetParent(this);
  host_.Chooser().SetParent(this);
  host_.Progress().SetParent(this);
  host_.LogViewer().SetParent(this);
  host_.Preferences().SetParent(this);
  resize(1280, 900);
  restoreGeometry(settings.value("window/geometry").toByteArray());
  restoreState(settings.value("window/state").toByteArray());
  UpdateActions();
  UpdateTitle();
}

MainWindow::~MainWindow() {
  while (tabs_->count() > 0) CloseTab(0);
}

// ---------------------------------------------------------------- actions and menus

QAction* MainWindow::MakeAction(const char* name, const QKeySequence& keys) {
  auto* action = new QAction(this);
  action->setObjectName(name);
  if (!keys.isEmpty()) action->setShortcut(keys);
  actions_[name] = action;
  return action;
}

QAction* MainWindow::Action(const QString& name) const {
  auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::BuildActions() {
  connect(MakeAction("fileNew", QKeySequence::New), &QAction::triggered, this,
          [this] { NewDocument(); });
  connect(MakeAction("fileNewFromTemplate"), &QAction::triggered, this,
          &MainWindow::ChooseTemplateAndNew);
  connect(MakeAction("fileOpen", QKeySequence::Open), &QAction::triggered, this,
          &MainWindow::ChooseAndOpen);
  connect(MakeAction("fileImport", QKeySequence(Qt::CTRL | Qt::Key_D)), &QAction::triggered, this,
          &MainWindow::ChooseAndImport);
  connect(MakeAction("fileImportText", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D)),
          &QAction::triggered, this, [this] { ImportThroughFilters(); });
  connect(MakeAction("fileSave", QKeySequence::Save), &QAction::triggered, this,
          [this] { SaveCurrent(); });
  connect(MakeAction("fileSaveAs", QKeySequence::SaveAs), &QAction::triggered, this, [this] {
    QString file =
        QFileDialog::getSaveFileName(this, tr("Save As"), QString(), tr("Documents (*.tvd)"));
    if (file.isEmpty()) return;
    if (!file.endsWith(".tvd", Qt::CaseInsensitive)) file += ".tvd";
    SaveCurrentAs(FsPath(file));
  });
  connect(MakeAction("fileRevert"), &QAction::triggered, this, &MainWindow::Revert);
  connect(MakeAction("fileClose", QKeySequence::Close), &QAction::triggered, this,
          [this] { CloseCurrent(); });
  connect(MakeAction("fileExportPdf", QKeySequence(Qt::CTRL | Qt::Key_E)), &QAction::triggered,
          this, &MainWindow::ChooseAndExportPdf);
  connect(MakeAction("fileExportPng"), &QAction::triggered, this, &MainWindow::ChooseAndExportPng);
  auto* quit = MakeAction("fileQuit", QKeySequence::Quit);
  quit->setMenuRole(QAction::QuitRole);
  connect(quit, &QAction::triggered, this, &QWidget::close);

  connect(MakeAction("editUndo", QKeySequence::Undo), &QAction::triggered, this, [this] {
    if (StudioDocument* doc = CurrentDocument()) doc->Doc().DataBase().Commands().Undo();
    UpdateActions();
  });
  connect(MakeAction("editRedo", QKeySequence::Redo), &QAction::triggered, this, [this] {
    if (StudioDocument* doc = CurrentDocument()) doc->Doc().DataBase().Commands().Redo();
    UpdateActions();
  });
  connect(MakeAction("editDeselect", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)),
          &QAction::triggered, this, [this] {
            if (StudioDocument* doc = CurrentDocument()) doc->Doc().GetSelection().Clear();
            if (DocumentView* view = CurrentView()) view->viewport()->update();
            UpdateActions();
          });

  auto withView = [this](auto fn) {
    return [this, fn] {
      if (DocumentView* view = CurrentView()) fn(*view);
    };
  };
  connect(MakeAction("viewZoomIn", QKeySequence::ZoomIn), &QAction::triggered, this,
          withView([](DocumentView& v) { v.ZoomBy(1.25); }));
  // Ctrl+= as well: on most keyboards "+" needs Shift.
  Action("viewZoomIn")
      ->setShortcuts({QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)});
  connect(MakeAction("viewZoomOut", QKeySequence::ZoomOut), &QAction::triggered, this,
          withView([](DocumentView& v) { v.ZoomBy(0.8); }));
  connect(MakeAction("viewFitPage", QKeySequence(Qt::CTRL | Qt::Key_0)), &QAction::triggered, this,
          withView([](DocumentView& v) { v.FitPage(); }));
  connect(MakeAction("viewFitWidth", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_0)),
          &QAction::triggered, this, withView([](DocumentView& v) { v.FitWidth(); }));
  connect(MakeAction("viewActualSize", QKeySequence(Qt::CTRL | Qt::Key_1)), &QAction::triggered,
          this, withView([](DocumentView& v) { v.SetZoom(1.0); }));
  for (const char* name : {"viewMargins", "viewFrameEdges", "viewOverset"}) {
    QAction* a = MakeAction(name);
    a->setCheckable(true);
    a->setChecked(true);
    connect(a, &QAction::toggled, this, [this] {
      ViewGuides g{Action("viewMargins")->isChecked(), Action("viewFrameEdges")->isChecked(),
                   Action("viewOverset")->isChecked()};
      for (int i = 0; i < tabs_->count(); ++i)
        if (auto* view = qobject_cast<DocumentView*>(tabs_->widget(i))) view->SetGuides(g);
    });
  }
  connect(MakeAction("viewNextPage", QKeySequence(Qt::Key_PageDown)), &QAction::triggered, this,
          withView([](DocumentView& v) { v.GoToPage(v.CurrentPage() + 1); }));
  connect(MakeAction("viewPreviousPage", QKeySequence(Qt::Key_PageUp)), &QAction::triggered, this,
          withView([](DocumentView& v) { v.GoToPage(v.CurrentPage() - 1); }));

  tools_ = new QActionGroup(this);
  QAction* select = MakeAction("toolSelection", QKeySequence(Qt::Key_V));
  QAction* text = MakeAction("toolText", QKeySequence(Qt::Key_T));
  for (QAction* a : {select, text}) {
    a->setCheckable(true);
    tools_->addAction(a);
    // Letters type into a story under the text tool: the shortcut works only from outside
    // the view.
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  }
  select->setChecked(true);
  connect(tools_, &QActionGroup::triggered, this, [this](QAction* a) {
    for (int i = 0; i < tabs_->count(); ++i)
      if (auto* view = qobject_cast<DocumentView*>(tabs_->widget(i)))
        view->SetTool(a->objectName() == "toolText" ? Tool::kText : Tool::kSelection);
  });

  auto* prefs = MakeAction("editPreferences", QKeySequence::Preferences);
  prefs->setMenuRole(QAction::PreferencesRole);
  connect(prefs, &QAction::triggered, this, [this] {
    host_.Preferences().Open(0);
    RefreshPanels(false);
  });
  connect(MakeAction("helpAbout"), &QAction::triggered, this, [this] {
    QMessageBox::about(this, tr("About Tarvelin Studio"),
                       tr("<b>Tarvelin Studio</b> %1<br>Pagination of advertisements.")
                           .arg(QApplication::applicationVersion()));
  });
  RetranslateActions();
}

void MainWindow::RetranslateActions() {
  const std::pair<const char*, QString> texts[] = {
      {"fileNew", tr("&New")},
      {"fileNewFromTemplate", tr("New from &Template...")},
      {"fileOpen", tr("&Open...")},
      {"fileImport", tr("&Import Frame File...")},
      {"fileImportText", tr("Import &Text...")},
      {"fileSave", tr("&Save")},
      {"fileSaveAs", tr("Save &As...")},
      {"fileRevert", tr("&Revert")},
      {"fileClose", tr("&Close")},
      {"fileExportPdf", tr("Export &PDF...")},
      {"fileExportPng", tr("Export P&NG...")},
      {"fileQuit", tr("&Quit")},
      {"editUndo", tr("&Undo")},
      {"editRedo", tr("&Redo")},
      {"editDeselect", tr("&Deselect All")},
      {"viewZoomIn", tr("Zoom &In")},
      {"viewZoomOut", tr("Zoom &Out")},
      {"viewFitPage", tr("&Fit Page")},
      {"viewFitWidth", tr("Fit &Width")},
      {"viewActualSize", tr("&Actual Size")},
      {"viewMargins", tr("&Margin and Column Guides")},
      {"viewFrameEdges", tr("Frame &Edges")},
      {"viewOverset", tr("&Overset Markers")},
      {"viewNextPage", tr("&Next Page")},
      {"viewPreviousPage", tr("&Previous Page")},
      {"toolSelection", tr("&Selection Tool")},
      {"toolText", tr("&Text Tool")},
      {"helpAbout", tr("&About Tarvelin Studio")},
      {"editPreferences", tr("&Preferences...")},
  };
  for (const auto& [name, text] : texts) Action(name)->setText(text);
}

void MainWindow::BuildMenus() {
  menuBar()->clear();
  menus_.clear();
  plugInActions_.clear();
  fileMenu_ = menuBar()->addMenu(tr("&File"));
  fileMenu_->addActions({Action("fileNew"), Action("fileNewFromTemplate"), Action("fileOpen")});
  recentMenu_ = fileMenu_->addMenu(tr("Open &Recent"));
  connect(recentMenu_, &QMenu::aboutToShow, this, [this] {
    recentMenu_->clear();
    for (const fs::path& f : recent_)
      connect(recentMenu_->addAction(QPath(f)), &QAction::triggered, this,
              [this, f] { OpenPath(f); });
    if (recent_.empty()) recentMenu_->addAction(tr("(none)"))->setEnabled(false);
  });
  fileMenu_->addActions({Action("fileImport"), Action("fileImportText")});
  fileMenu_->addSeparator();
  fileMenu_->addActions(
      {Action("fileSave"), Action("fileSaveAs"), Action("fileRevert"), Action("fileClose")});
  fileMenu_->addSeparator();
  fileMenu_->addActions({Action("fileExportPdf"), Action("fileExportPng")});
  fileMenu_->addSeparator();
  fileMenu_->addAction(Action("fileQuit"));

  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  edit->addActions({Action("editUndo"), Action("editRedo")});
  edit->addSeparator();
  edit->addAction(Action("editDeselect"));
  edit->addSeparator();
  edit->addAction(Action("editPreferences"));
  menus_["Main:&Edit"] = edit;

  QMenu* view = menuBar()->addMenu(tr("&View"));
  view->addActions({Action("viewZoomIn"), Action("viewZoomOut"), Action("viewFitPage"),
                    Action("viewFitWidth"), Action("viewActualSize")});
  view->addSeparator();
  view->addActions({Action("viewMargins"), Action("viewFrameEdges"), Action("viewOverset")});
  view->addSeparator();
  view->addActions({Action("viewPreviousPage"), Action("viewNextPage")});
  menus_["Main:&View"] = view;

  QMenu* object = menuBar()->addMenu(tr("&Object"));
  object->addActions({Action("toolSelection"), Action("toolText")});
  menus_["Main:&Object"] = object;

  QMenu* window = menuBar()->addMenu(tr("&Window"));
  menus_["Main:&Window"] = window;
  for (Panel* panel : panels_) window->addAction(panel->toggleViewAction());
  window->addAction(qobject_cast<QDockWidget*>(attributes_->parentWidget())->toggleViewAction());
  QMenu* help = menuBar()->addMenu(tr("&Help"));
  menus_["Main:&Help"] = help;
  help->addAction(Action("helpAbout"));
  BuildPlugInMenus();
}

QMenu* MainWindow::MenuAt(const std::vector<std::string>& path, const QString& owner) {
  std::string key;
  QMenu* menu = nullptr;
  for (size_t i = 0; i < path.size(); ++i) {
    key += (i ? ":" : "") + path[i];
    if (i == 0 && path[0] == "Main") continue;
    auto it = menus_.find(key);
    if (it != menus_.end()) {
      menu = it->second;
      continue;
    }
    QString title = QString::fromStdString(path[i]);
    // A menu named by a string-table key the tables lack takes the plug-in's name.
    if (path[i].starts_with("0x"))
      title = Translate(path[i]) == FromUtf8(path[i]) ? owner : Tr(path[i]);
    if (menu) {
      menu = menu->addMenu(title);
    } else {
      // A menu of the menu bar that the studio does not have: before Window.
      menu = new QMenu(title, menuBar());
      menuBar()->insertMenu(menus_["Main:&Window"]->menuAction(), menu);
    }
    menus_[key] = menu;
  }
  return menu;
}

void MainWindow::BuildPlugInMenus() {
  for (const LoadedPlugIn& loaded : host_.App().PlugIns()) {
    const PlugInResources& resources = loaded.plugIn->Resources();
    const QString owner = QString::fromStdString(loaded.plugIn->Name());
    std::vector<MenuDefinition> menus = resources.menus;
    std::stable_sort(menus.begin(), menus.end(),
                     [](const auto& a, const auto& b) { return a.position < b.position; });
    for (const MenuDefinition& m : menus) {
      std::vector<std::string> path = SplitPath(m.path);
      if (path.back() == "-") {
        path.pop_back();
        if (QMenu* menu = MenuAt(path, owner)) menu->addSeparator();
        continue;
      }
      const ActionDefinition* def = host_.App().Actions().Find(m.action);
      if (!def) continue;
      // A path under the menu bar ends in the entry's own name; any other path names a
      // menu, and the entry takes the action's name.
      QString text;
      if (path.front() == "Main") {
        text = QString::fromStdString(path.back());
        path.pop_back();
      } else {
        text = Tr(def->nameKey);
      }
      QMenu* menu = MenuAt(path, owner);
      if (!menu) continue;
      QAction* action = menu->addAction(text);
      action->setObjectName(QStringLiteral("plugIn%1").arg(m.action, 0, 16));
      const ActionID id = m.action;
      connect(action, &QAction::triggered, this, [this, id] { PerformPlugInAction(id); });
      plugInActions_.push_back({action, id});
    }
  }
}

void MainWindow::UpdateActions() {
  StudioDocument* doc = CurrentDocument();
  const bool open = doc != nullptr && !busy_;
  for (const char* name :
       {"fileImportText", "fileSave", "fileSaveAs", "fileClose", "fileExportPdf", "fileExportPng",
        "editDeselect", "viewZoomIn", "viewZoomOut", "viewFitPage", "viewFitWidth",
        "viewActualSize", "viewNextPage", "viewPreviousPage"})
    Action(name)->setEnabled(open);
  Action("fileRevert")->setEnabled(open && doc->HasFile() && doc->IsModified());
  CommandProcessor* commands = open ? &doc->Doc().DataBase().Commands() : nullptr;
  QAction* undo = Action("editUndo");
  QAction* redo = Action("editRedo");
  undo->setEnabled(open && commands->CanUndo());
  redo->setEnabled(open && commands->CanRedo());
  undo->setText(undo->isEnabled()
                    ? tr("&Undo %1").arg(QString::fromStdU16String(commands->UndoName()))
                    : tr("&Undo"));
  redo->setText(redo->isEnabled()
                    ? tr("&Redo %1").arg(QString::fromStdU16String(commands->RedoName()))
                    : tr("&Redo"));
  // The host's action manager answers for each plug-in action in the current context.
  for (auto& [action, id] : plugInActions_)
    action->setEnabled(!busy_ && host_.App().Actions().IsEnabled(id));
  if (DocumentView* view = CurrentView()) {
    zoomLabel_->setText(QStringLiteral("%1 %").arg(qRound(view->Zoom() * 100)));
    pageField_->setMaximum(std::max(1, view->PageCount()));
    pageField_->setSuffix(QStringLiteral(" / %1").arg(view->PageCount()));
    pageField_->setValue(view->CurrentPage() + 1);
  }
}

void MainWindow::UpdateTitle() {
  StudioDocument* doc = CurrentDocument();
  setWindowTitle(doc ? QStringLiteral("%1[*] — Tarvelin Studio").arg(doc->DisplayName())
                     : QStringLiteral("Tarvelin Studio"));
  setWindowModified(doc && doc->IsModified());
  for (int i = 0; i < tabs_->count(); ++i) {
    auto* view = qobject_cast<DocumentView*>(tabs_->widget(i));
    tabs_->setTabText(i, view->Doc().DisplayName() + (view->Doc().IsModified() ? " *" : ""));
  }
}

// ---------------------------------------------------------------- documents

DocumentView* MainWindow::CurrentView() const {
  return qobject_cast<DocumentView*>(tabs_->currentWidget());
}

StudioDocument* MainWindow::CurrentDocument() const {
  DocumentView* view = CurrentView();
  return view ? &view->Doc() : nullptr;
}

int MainWindow::DocumentCount() const {
  return tabs_->count();
}

void MainWindow::AddDocument(Document* doc, bool isNew) {
  auto* session = new StudioDocument(*doc, host_.Layout());
  if (isNew) session->MarkNew();
  auto* view = new DocumentView(*session);
  session->setParent(view);
  view->SetTool(Action("toolText")->isChecked() ? Tool::kText : Tool::kSelection);
  view->SetGuides({Action("viewMargins")->isChecked(), Action("viewFrameEdges")->isChecked(),
                   Action("viewOverset")->isChecked()});
  connect(session, &StudioDocument::Changed, this, [this, view] {
    UpdateActions();
    UpdateTitle();
    if (view == CurrentView()) RefreshPanels(true);
  });
  connect(session, &StudioDocument::ModifiedChanged, this, &MainWindow::UpdateTitle);
  connect(view, &DocumentView::SelectionChanged, this, [this] {
    UpdateActions();
    RefreshPanels(false);
  });
  connect(view, &DocumentView::ZoomChanged, this, &MainWindow::UpdateActions);
  connect(view, &DocumentView::CurrentPageChanged, this, [this, view](int page) {
    if (view == CurrentView()) pageField_->setValue(page + 1);
  });
  const int tab = tabs_->addTab(view, session->DisplayName());
  tabs_->setCurrentIndex(tab);
  host_.App().Context().SetFrontDocument(doc);
  view->setFocus();
  UpdateActions();
  UpdateTitle();
  ShowPanels();
}

void MainWindow::BuildPanels() {
  panels_ = {new PagesPanel(this), new PropertiesPanel(this), new SwatchesPanel(this),
             new StylesPanel(this)};
  addDockWidget(Qt::LeftDockWidgetArea, panels_[0]);
  addDockWidget(Qt::RightDockWidgetArea, panels_[1]);
  addDockWidget(Qt::RightDockWidgetArea, panels_[2]);
  addDockWidget(Qt::RightDockWidgetArea, panels_[3]);
  tabifyDockWidget(panels_[2], panels_[3]);
  panels_[1]->raise();
  auto* dock = new QDockWidget(face::Tr("0x113380kVorrinPanelTitleKey"), this);
  dock->setObjectName("attributesPanel");
  attributes_ = new face::AttributesPanel(
      host_.App().Context(), host_.App().Actions(),
      [this](ActionID id) { PerformPlugInAction(id); }, dock);
  dock->setWidget(attributes_);
  addDockWidget(Qt::RightDockWidgetArea, dock);
  connect(panels_[0], &QDockWidget::visibilityChanged, this, [this](bool shown) {
    if (shown) panels_[0]->Refresh();
  });
}

void MainWindow::ShowPanels() {
  for (Panel* panel : panels_) panel->Show(CurrentView());
  attributes_->FollowFrontDocument();
}

void MainWindow::RefreshPanels(bool pagesToo) {
  for (size_t i = pagesToo ? 0 : 1; i < panels_.size(); ++i) panels_[i]->Refresh();
  attributes_->Refresh();
}

void MainWindow::ShowError(const QString& file, const QString& reason) {
  QMessageBox::critical(this, tr("Tarvelin Studio"), tr("%1:\n%2").arg(file, reason));
}

bool MainWindow::NewDocument(const fs::path& chosen) {
  fs::path templateFile = chosen;
  if (templateFile.empty()) templateFile = FsPath(DefaultTemplateFile());
  std::string json(DefaultTemplateJson());
  const QString source = templateFile.empty() ? tr("built-in template") : QPath(templateFile);
  if (!templateFile.empty()) {
    std::error_code ec;
    if (!fs::is_regular_file(templateFile, ec)) {
      ShowError(source, tr("no such file"));
      return false;
    }
    if (fs::file_size(templateFile, ec) > kMaxTemplateBytes) {
      ShowError(source, tr("too large for a template"));
      return false;
    }
    std::ifstream in(templateFile, std::ios::binary);
    json.assign(std::istreambuf_iterator<char>(in), {});
  }
  TemplateResult parsed = ParseTemplate(json);
  if (!parsed.spec) {
    ShowError(source, QString::fromStdString(parsed.error));
    return false;
  }
  std::vector<std::string> warnings = parsed.warnings;
  std::string error;
  auto built = BuildDocument(host_.App().Registry(), *parsed.spec, warnings, error);
  if (!built) {
    ShowError(source, QString::fromStdString(error));
    return false;
  }
  for (const auto& w : warnings)
    statusBar()->showMessage(source + ": " + QString::fromStdString(w), 8000);
  Document* doc = host_.App().Context().OpenDocument(std::move(built));
  host_.Layout().Compose(*doc);
  AddDocument(doc, true);
  return true;
}

bool MainWindow::OpenPath(const fs::path& file) {
  return IsFrameFile(file) ? ImportFrameFile(file) : OpenDocument(file);
}

bool MainWindow::OpenDocument(const fs::path& file) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(file, ec);
  for (int i = 0; i < tabs_->count(); ++i) {
    auto* view = qobject_cast<DocumentView*>(tabs_->widget(i));
    if (fs::equivalent(view->Doc().Doc().File(), absolute, ec)) {
      tabs_->setCurrentIndex(i);
      return true;
    }
  }
  FileResult result;
  auto doc = OpenDocumentFile(host_.App().Registry(), absolute, result);
  if (!doc) {
    ShowError(QPath(file), QString::fromStdString(result.message));
    return false;
  }
  Document* opened = host_.App().Context().OpenDocument(std::move(doc));
  // Composed as its pages are drawn, and the rest in the background.
  AddDocument(opened, false);
  AddRecent(absolute);
  return true;
}

bool MainWindow::SelectMainTextFrame(Document& doc) {
  const Database& db = doc.DataBase();
  for (UID item : doc.GetSelection().SelectedItems(doc.GetColumnSpans()))
    if (KindOf(db, item) == FrameKind::kText) return true;
  const UID story = MainStory(doc);
  auto stories = doc.Stories();
  const size_t entry = stories ? stories->Find(story) : IStoryList::npos;
  if (entry == IStoryList::npos) return false;
  doc.GetSelection().SelectItems(
      UIDList(UIDRef(&doc.DataBase(), stories->Entries()[entry].firstFrame)));
  return true;
}

bool MainWindow::ImportFrameFile(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec) || !std::ifstream(file, std::ios::binary)) {
    ShowError(QPath(file), fs::exists(file, ec) ? tr("cannot be read") : tr("no such file"));
    return false;
  }
  if (!CurrentDocument() && !NewDocument()) return false;
  StudioDocument* doc = CurrentDocument();
  host_.App().Context().SetFrontDocument(&doc->Doc());
  if (!SelectMainTextFrame(doc->Doc())) {
    ShowError(QPath(file), tr("the document has no text frame to import into"));
    return false;
  }
  busy_ = true;
  UpdateActions();
  doc->ExpectComposedStep(true);
  auto report = host_.PerformAction(plugin_ids::kImportAndProcessAction, fs::absolute(file, ec));
  doc->ExpectComposedStep(false);
  busy_ = false;
  UpdateActions();
  if (!report) {
    ShowError(QPath(file), tr("the plug-in gave no report of its run"));
    return false;
  }
  if (report->cancelled) {
    statusBar()->showMessage(tr("Import cancelled; the document is as it was."), 8000);
    return false;
  }
  if (report->failed || !report->textImported) {
    ShowError(
        QPath(file),
        tr("could not be imported") +
            (report->logFile.empty() ? QString() : tr(" (see %1)").arg(QPath(report->logFile))));
    return false;
  }
  statusBar()->showMessage(tr("%1: %2 frames, %3 pictures placed, %4 missing, %5 warnings")
                               .arg(QPath(file.filename()))
                               .arg(report->framesCreated)
                               .arg(report->picturesPlaced)
                               .arg(report->picturesMissing)
                               .arg(report->warnings.size()),
                           15000);
  AddRecent(fs::absolute(file, ec));
  RefreshPanels(false);
  return true;
}

bool MainWindow::SelectInlineFrame(int n) {
  StudioDocument* doc = CurrentDocument();
  const CompositionState* state = doc ? doc->State() : nullptr;
  const ComposedStory* story = state ? state->Story(MainStory(doc->Doc())) : nullptr;
  if (!story || n < 0 || static_cast<size_t>(n) >= story->inlines.size()) return false;
  doc->Doc().GetSelection().SelectItems(
      UIDList(UIDRef(&doc->Doc().DataBase(), story->inlines[static_cast<size_t>(n)].item)));
  CurrentView()->viewport()->update();
  UpdateActions();
  RefreshPanels(false);
  return true;
}

void MainWindow::PerformPlugInAction(ActionID action) {
  if (busy_) return;
  if (StudioDocument* doc = CurrentDocument()) host_.App().Context().SetFrontDocument(&doc->Doc());
  busy_ = true;
  UpdateActions();
  StudioDocument* doc = CurrentDocument();
  if (doc) doc->ExpectComposedStep(true);
  host_.PerformAction(action);
  if (doc) doc->ExpectComposedStep(false);
  busy_ = false;
  if (DocumentView* view = CurrentView()) view->viewport()->update();
  UpdateActions();
  RefreshPanels(false);
}

bool MainWindow::SaveCurrent() {
  StudioDocument* doc = CurrentDocument();
  if (!doc) return false;
  if (!doc->HasFile()) {
    QString file = QFileDialog::getSaveFileName(this, tr("Save As"), doc->DisplayName() + ".tvd",
                                                tr("Documents (*.tvd)"));
    if (file.isEmpty()) return false;
    if (!file.endsWith(".tvd", Qt::CaseInsensitive)) file += ".tvd";
    return SaveCurrentAs(FsPath(file));
  }
  return SaveCurrentAs(doc->Doc().File());
}

bool MainWindow::SaveCurrentAs(const fs::path& file) {
  StudioDocument* doc = CurrentDocument();
  if (!doc) return false;
  std::error_code ec;
  const fs::path absolute = fs::absolute(file, ec);
  FileResult result = doc->Save(absolute);
  if (!result.Ok()) {
    ShowError(QPath(file), QString::fromStdString(result.message));
    return false;
  }
  AddRecent(absolute);
  statusBar()->showMessage(tr("Saved %1").arg(QPath(absolute)), 5000);
  UpdateTitle();
  UpdateActions();
  return true;
}

void MainWindow::Revert() {
  StudioDocument* doc = CurrentDocument();
  if (!doc || !doc->HasFile()) return;
  const fs::path file = doc->Doc().File();
  if (QMessageBox::question(
          this, tr("Revert"),
          tr("Discard the changes to %1 and reopen it?").arg(doc->DisplayName())) !=
      QMessageBox::Yes)
    return;
  FileResult result;
  auto reopened = OpenDocumentFile(host_.App().Registry(), file, result);
  if (!reopened) {
    ShowError(QPath(file), QString::fromStdString(result.message));
    return;
  }
  const int tab = tabs_->currentIndex();
  CloseTab(tab);
  Document* opened = host_.App().Context().OpenDocument(std::move(reopened));
  host_.Layout().Compose(*opened);
  AddDocument(opened, false);
  tabs_->tabBar()->moveTab(tabs_->currentIndex(), std::min(tab, tabs_->count() - 1));
}

bool MainWindow::MaybeSave(int tab) {
  auto* view = qobject_cast<DocumentView*>(tabs_->widget(tab));
  if (!view || !view->Doc().IsModified()) return true;
  tabs_->setCurrentIndex(tab);
  auto answer = QMessageBox::warning(
      this, tr("Tarvelin Studio"),
      tr("Save the changes to %1 before closing?").arg(view->Doc().DisplayName()),
      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
  if (answer == QMessageBox::Cancel) return false;
  if (answer == QMessageBox::Discard) return true;
  return SaveCurrent();
}

void MainWindow::CloseTab(int tab) {
  auto* view = qobject_cast<DocumentView*>(tabs_->widget(tab));
  if (!view) return;
  Document* doc = &view->Doc().Doc();
  for (Panel* panel : panels_) panel->Show(nullptr);
  tabs_->removeTab(tab);
  delete view;  // with its StudioDocument, which stops observing the document
  host_.Layout().Release(*doc);
  host_.App().Context().CloseDocument(doc);
  if (StudioDocument* front = CurrentDocument())
    host_.App().Context().SetFrontDocument(&front->Doc());
  UpdateActions();
  UpdateTitle();
}

bool MainWindow::CloseCurrent() {
  const int tab = tabs_->currentIndex();
  if (tab < 0 || !MaybeSave(tab)) return false;
  CloseTab(tab);
  return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  for (int i = tabs_->count() - 1; i >= 0; --i) {
    if (!MaybeSave(i)) {
      event->ignore();
      return;
    }
  }
  QSettings settings;
  settings.setValue("window/geometry", saveGeometry());
  settings.setValue("window/state", saveState());
  while (tabs_->count() > 0) CloseTab(0);
  event->accept();
}

void MainWindow::AddRecent(const fs::path& file) {
  std::erase(recent_, file);
  recent_.insert(recent_.begin(), file);
  if (recent_.size() > kMaxRecent) recent_.resize(kMaxRecent);
  QStringList list;
  for (const auto& f : recent_) list << QPath(f);
  QSettings().setValue("recentFiles", list);
}

// ---------------------------------------------------------------- export

bool MainWindow::ExportPdf(const fs::path& file) {
  StudioDocument* doc = CurrentDocument();
  const CompositionState* state = doc ? doc->State() : nullptr;
  if (!state) return false;
  auto progress =
      host_.Progress().CreateTaskProgress(tr("Exporting PDF").toStdU16String(), 1, false);
  progress->DoTask(tr("Writing %1").arg(QPath(file.filename())).toStdU16String(), 1);
  RenderReport report;
  std::string error;
  // For the press, as paginate writes it: PDF/X-1a through the default output profile.
  pdf::PdfOptions options;
  options.standard = pdf::PdfStandard::kX1a;
  auto profile = pdf::OutputProfile::Load(pdf::DefaultOutputProfile(), &error);
  options.profile = profile.get();
  const ErrorCode e =
      profile ? pdf::WritePdf(doc->Doc(), *state, file, options, report, &error) : kFailure;
  progress.reset();
  if (e != kSuccess) {
    ShowError(QPath(file),
              QString::fromStdString(error.empty() ? "the PDF could not be written" : error));
    return false;
  }
  statusBar()->showMessage(tr("Exported %1 pages to %2").arg(report.pages).arg(QPath(file)), 8000);
  return true;
}

bool MainWindow::ExportPng(const fs::path& folder, double dpi) {
  StudioDocument* doc = CurrentDocument();
  const CompositionState* state = doc ? doc->State() : nullptr;
  if (!state) return false;
  auto progress =
      host_.Progress().CreateTaskProgress(tr("Exporting PNG").toStdU16String(), 1, false);
  progress->DoTask(tr("Writing pages into %1").arg(QPath(folder)).toStdU16String(), 1);
  RenderReport report;
  std::string error;
  const ErrorCode e = RenderPng(doc->Doc(), *state, folder, dpi, report, &error);
  progress.reset();
  if (e != kSuccess) {
    ShowError(QPath(folder),
              QString::fromStdString(error.empty() ? "the pages could not be written" : error));
    return false;
  }
  statusBar()->showMessage(tr("Exported %1 pages to %2").arg(report.pages).arg(QPath(folder)),
                           8000);
  return true;
}

// ---------------------------------------------------------------- choosers

void MainWindow::ChooseAndOpen() {
  const QStringList files = QFileDialog::getOpenFileNames(
      this, tr("Open"), QString(),
      tr("Documents and frame files (*.tvd *.rmk *.txt);;Documents (*.tvd);;All files (*)"));
  for (const QString& f : files) OpenPath(FsPath(f));
}

void MainWindow::ChooseAndImport() {
  const QString file = QFileDialog::getOpenFileName(this, tr("Import Frame File"), QString(),
                                                    tr("Frame files (*.rmk *.txt);;All files (*)"));
  if (!file.isEmpty()) ImportFrameFile(FsPath(file));
}

bool MainWindow::IsImportable(const fs::path& file) {
  const std::string ext = Lower(file.extension().string());
  if (IsFrameFile(file)) return false;
  for (const FileFilter& filter : ImportFileFilters(host_.App()))
    if (filter.extension != kAnyExtension && "." + Lower(filter.extension) == ext) return true;
  return false;
}

void MainWindow::ImportThroughFilters(std::optional<fs::path> file) {
  StudioDocument* doc = CurrentDocument();
  if (busy_) return;
  if (!doc) {
    // The menu command is disabled then; a dropped file still deserves an answer.
    if (file) ShowError(QPath(*file), tr("open or create a document to import text into"));
    return;
  }
  host_.App().Context().SetFrontDocument(&doc->Doc());
  doc->ExpectComposedStep(true);
  const ImportOutcome outcome = host_.Import(file);
  doc->ExpectComposedStep(false);
  const QString name = QPath(outcome.file);
  switch (outcome.status) {
    case ImportStatus::kImported:
      statusBar()->showMessage(
          tr("%1: %2 characters imported").arg(QPath(outcome.file.filename())).arg(outcome.length),
          8000);
      break;
    case ImportStatus::kCancelled:
    case ImportStatus::kNoDocument:
      break;
    case ImportStatus::kNoTarget:
      ShowError(name, tr("select a text frame or place the text cursor in one first"));
      break;
    case ImportStatus::kUnreadable:
      ShowError(name, tr("cannot be read"));
      break;
    case ImportStatus::kNoProvider:
      ShowError(name, tr("no import filter reads this file"));
      break;
    case ImportStatus::kFailed:
      ShowError(name, tr("could not be imported"));
      break;
  }
  if (DocumentView* view = CurrentView()) view->viewport()->update();
  UpdateActions();
  RefreshPanels(false);
}

void MainWindow::ChooseTemplateAndNew() {
  const QString file = QFileDialog::getOpenFileName(this, tr("New from Template"), QString(),
                                                    tr("Templates (*.json);;All files (*)"));
  if (!file.isEmpty()) NewDocument(FsPath(file));
}

void MainWindow::ChooseAndExportPdf() {
  StudioDocument* doc = CurrentDocument();
  if (!doc) return;
  QString suggested = doc->HasFile() ? QPath(fs::path(doc->Doc().File()).replace_extension(".pdf"))
                                     : doc->DisplayName() + ".pdf";
  QString file = QFileDialog::getSaveFileName(this, tr("Export PDF"), suggested, tr("PDF (*.pdf)"));
  if (file.isEmpty()) return;
  if (!file.endsWith(".pdf", Qt::CaseInsensitive)) file += ".pdf";
  ExportPdf(FsPath(file));
}

void MainWindow::ChooseAndExportPng() {
  const QString folder = QFileDialog::getExistingDirectory(this, tr("Export PNG into folder"));
  if (!folder.isEmpty()) ExportPng(FsPath(folder), 150);
}

// ---------------------------------------------------------------- drag and drop, language

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  for (const QUrl& url : event->mimeData()->urls()) {
    const fs::path p = FsPath(url.toLocalFile());
    if (url.isLocalFile() &&
        (IsFrameFile(p) || Lower(p.extension().string()) == ".tvd" || IsImportable(p))) {
      event->acceptProposedAction();
      return;
    }
  }
}

void MainWindow::dropEvent(QDropEvent* event) {
  std::vector<fs::path> files;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) files.push_back(FsPath(url.toLocalFile()));
  event->acceptProposedAction();
  // After the drop has ended: an import opens dialogs of its own.
  QMetaObject::invokeMethod(
      this,
      [this, files] {
        // Tagged text goes where File > Import Text puts it: into the selected frame.
        for (const auto& f : files)
          if (IsImportable(f))
            ImportThroughFilters(f);
          else
            OpenPath(f);
      },
      Qt::QueuedConnection);
}

void MainWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) {
    RetranslateActions();
    BuildMenus();
    UpdateActions();
    const QString titles[] = {tr("Pages"), tr("Properties"), tr("Swatches"), tr("Styles")};
    for (size_t i = 0; i < panels_.size(); ++i) panels_[i]->setWindowTitle(titles[i]);
    RefreshPanels(false);
  }
  QMainWindow::changeEvent(event);
}

}  // namespace tarvelin::studio
