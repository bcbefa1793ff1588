// The studio's main window: one tab per open document, the menus (File, Edit, View,
// Object, the plug-ins' menus, Window, Help), the tool buttons, and the file work
// (new, open, save, revert, close, export, import of frame files) with its questions
// and error messages. Nothing here changes a document except through the host.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "host/application/plugin.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QSpinBox;
class QTabWidget;

namespace tarvelin {
class Document;
}

namespace tarvelin::studio::face {
class AttributesPanel;
}

namespace tarvelin::studio {

class DocumentView;
class Panel;
class StudioPreferences;
class StudioDocument;
class StudioHost;

class MainWindow final : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(StudioHost& host, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Opens a document (.tvd), or paginates a frame file (.rmk, .txt) into the selected text
  // frame of the current document or into a new document from the default template.
  // False, after telling the user why, when the file cannot be used.
  bool OpenPath(const std::filesystem::path& file);
  bool OpenDocument(const std::filesystem::path& file);
  bool ImportFrameFile(const std::filesystem::path& file);
  // A new document from a template (the built-in one for an empty path).
  bool NewDocument(const std::filesystem::path& templateFile = {});
  bool SaveCurrent();
  bool SaveCurrentAs(const std::filesystem::path& file);
  bool ExportPdf(const std::filesystem::path& file);
  bool ExportPng(const std::filesystem::path& folder, double dpi);
  // Selects the n-th inline frame (0-based) of the current document's main story, as a
  // click on it would; false when there is none.
  bool SelectInlineFrame(int n);
  // Asks about unsaved changes; false when the user cancelled.
  bool CloseCurrent();

  DocumentView* CurrentView() const;
  StudioDocument* CurrentDocument() const;
  int DocumentCount() const;
  // Actions by object name ("fileSave", "editUndo", ...), for tests and tool bars.
  QAction* Action(const QString& name) const;
  const std::vector<std::filesystem::path>& RecentFiles() const { return recent_; }
  const std::vector<Panel*>& Panels() const { return panels_; }
  // The plug-in's attributes panel.
  face::AttributesPanel* AttributesPanel() const { return attributes_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QAction* MakeAction(const char* name, const QKeySequence& keys = {});
  void BuildActions();
  void BuildMenus();
  void RetranslateActions();
  void BuildPlugInMenus();
  QMenu* MenuAt(const std::vector<std::string>& path, const QString& owner);
  void PerformPlugInAction(ActionID action);
  void UpdateActions();
  void UpdateTitle();
  void AddDocument(Document* doc, bool isNew);
  bool MaybeSave(int tab);
  void CloseTab(int tab);
  void Revert();
  void AddRecent(const std::filesystem::path& file);
  void ShowError(const QString& file, const QString& reason);
  void ChooseAndOpen();
  void ChooseAndImport();
  // File > Import Text: the host's import through the plug-ins' filters; without a file
  // the host's chooser asks for one.
  void ImportThroughFilters(std::optional<std::filesystem::path> file = {});
  // A file one of the plug-ins' import filters reads by its extension (not a frame file).
  bool IsImportable(const std::filesystem::path& file);
  void ChooseAndExportPdf();
  void ChooseAndExportPng();
  void ChooseTemplateAndNew();
  bool SelectMainTextFrame(Document& doc);
  void BuildPanels();
  void ShowPanels();
  void RefreshPanels(bool pagesToo);

  StudioHost& host_;
  QTabWidget* tabs_ = nullptr;
  QLabel* zoomLabel_ = nullptr;
  QSpinBox* pageField_ = nullptr;
  std::map<QString, QAction*> actions_;
  QActionGroup* tools_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  std::map<std::string, QMenu*> menus_;  // by path, "Main:&Help:About Plug-ins"
  std::vector<std::pair<QAction*, ActionID>> plugInActions_;
  std::vector<std::filesystem::path> recent_;
  // Set while a plug-in action runs: the window's own actions wait for it.
  bool busy_ = false;
  std::vector<Panel*> panels_;  // Pages first
  face::AttributesPanel* attributes_ = nullptr;
};

}  // namespace tarvelin::studio
