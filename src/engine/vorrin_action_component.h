// The plug-in's action component: every menu item and panel button arrives here with
// its action ID. "Import and process..." and "Process" are runs of the engine, each one
// undoable command sequence ("Tarvelin: Import"); the reconnect action is a sequence of
// its own, rolled back when the user cancels. After each action the component keeps a
// RunReport that front ends read through IVorrinRunReport.
//
// Front ends drive it by setting the front document's selection and performing the
// action through the host's action manager; the file chooser, alert and progress
// services of the host answer its questions.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "engine/engine_run.h"
#include "host/application/action_manager.h"
#include "host/objects/uid.h"

namespace tarvelin {

class Document;
class InterfaceFontService;
class KFileReader;
class Progress;
class Stream;

class VorrinActionComponent final : public IActionComponent, public IVorrinRunReport {
 public:
  void DoAction(ActionID action) override;
  const RunReport& LastRunReport() const override { return report_; }

  // One run inside one command sequence; importMode false is a process run.
  void ImportAndProcess(bool importMode);
  // The run itself; the target frame, or the null reference when there was none.
  UIDRef ImportAndProcessRun(bool importMode);
  void ReconnectMissingGraphics();

 private:
  void ImportAndUseQXTImportFilter(Document& doc, const std::filesystem::path& path,
                                   const UIDRef& targetStory, const UIDRef& targetFrame,
                                   Progress& bar, KFileReader& reader);
  void LogEncoding(const std::filesystem::path& file, const std::u16string& encoding);
  void PlaceTaggedTextIntoFrame(Document& doc, const UIDRef& targetFrame, Stream& stream,
                                bool useQXTImportFilter);
  void RunBoxPass(Document& doc, const UIDRef& frame, Progress* bar);
  EngineContext Context(Document& doc);
  void CollectWarnings();

  RunState run_;
  LifetimeState lifetime_;
  RunReport report_;
  std::u16string text_;  // emptied after every action
  // The "Started processing" line of the current import, to tell it from the warnings.
  std::u16string started_line_;
  // How the file was read: a line of the log, not a warning.
  std::u16string encoding_line_;
};

// Registers the five interface fonts of the plug-in's dialogs with the host's service, on
// the host's base size, the first time in the host's run; later calls find them there and
// do nothing. False when the host has no interface-font service (a batch run draws none).
bool EnsureInterfaceFonts(InterfaceFontService* service);

}  // namespace tarvelin
