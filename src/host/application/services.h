// The services of a front end: everything the host and the plug-ins ask of the platform
// and of the user. A front end (command line, studio, a test) builds one HostServices and
// hands it to Application::Start; the host and the engine reach these services only
// through Application::Current()->Services(). Every member may be null: the host then
// answers as a batch run without a user would (alerts take their default, choosers
// answer "cancelled", progress is silent, nothing is shown).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tarvelin {

class AlertService;
class DialogService;
class FileChooser;
class FontCatalogue;
class ImageProbe;
class InterfaceFontService;
class LayoutService;
class ProgressFactory;

// Shows a text to the user, such as the import log.
class LogViewer {
 public:
  virtual ~LogViewer() = default;
  virtual void ShowText(const std::u16string& title, const std::u16string& text) = 0;
};

// Opens the host's preferences dialog with the page of that host page ID selected (0 or
// an unknown ID: the first page). Returns when the dialog is closed.
class PreferencesDialog {
 public:
  virtual ~PreferencesDialog() = default;
  virtual void Open(uint32_t pageID) = 0;
};

// Borrowed pointers: the front end keeps each service alive while the Application runs.
struct HostServices {
  AlertService* alerts = nullptr;
  FileChooser* chooser = nullptr;
  DialogService* dialogs = nullptr;
  ProgressFactory* progress = nullptr;
  const FontCatalogue* fonts = nullptr;
  ImageProbe* images = nullptr;
  InterfaceFontService* interfaceFonts = nullptr;
  LayoutService* layout = nullptr;
  LogViewer* logViewer = nullptr;
  PreferencesDialog* preferences = nullptr;
};

}  // namespace tarvelin
