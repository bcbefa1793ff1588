// What one engine run shares between its stages: the run state the action component
// keeps (continue flag, suppressed alert categories, column width, frames with inner
// boxes, the frame-file folder), the values kept for the plug-in's lifetime, and the
// report a front end reads after an action.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/application/application.h"
#include "host/application/image_probe.h"
#include "host/application/plugin.h"
#include "host/documents/document_geometry.h"
#include "host/objects/interface.h"
#include "host/objects/uid.h"

namespace tarvelin {

class Document;

struct RunState {
  bool continueRun = true;
  // Per alert category: the user asked not to see it again in this run.
  std::array<uint32_t, 3> suppressed{};
  // Width of the text column measured by the last frame creation, in points.
  float columnWidth = 0;
  std::vector<UIDRef> framesWithInnerBoxes;
  // Folder of the chosen frame file during an action; empty otherwise (pictures then
  // fall back to the front document's folder).
  std::filesystem::path frameFileFolder;
  // Images probed in this run, by path: ads repeat a few logos and photos, and decoding
  // one again for every frame that shows it cost more than the rest of the frame.
  struct ProbedImage {
    std::filesystem::file_time_type modified;
    std::uintmax_t size = 0;
    ImageInfo info;
  };
  std::unordered_map<std::filesystem::path::string_type, ProbedImage> probedImages;

  void Reset() {
    continueRun = true;
    suppressed = {};
  }
};

// Kept while the plug-in is loaded.
struct LifetimeState {
  // The page size new frames default to, read from the first document that needed it.
  std::optional<PMRect> defaultPageRect;
  float lastColumnWidth = 0;
};

// Seconds of monotonic clock spent in the stages of the last import run; 0 for a stage
// that did not run.
struct StageTimes {
  double preprocess = 0;     // the frame file rewritten into its scratch copy
  double taggedImport = 0;   // the scratch copy scanned into a new styled story
  double storyMove = 0;      // that story's text moved into the target story
  double boxSearch = 0;      // the top-level pass collecting the definitions
  double frameCreation = 0;  // frames made, filled, styled and anchored (inner passes too)
};

// What a front end may ask after an action (IVorrinRunReport).
// A command on one frame (styling, tagging, fitting, anchoring) that failed: the run goes
// on, the frame keeps what the command would have changed.
struct FrameCommandFailure {
  UID frame = kInvalidUID;  // kInvalidUID: the command concerned no single frame
  std::string command;
  std::string error;
};

struct RunReport {
  ActionID action = 0;
  bool targetFound = false;  // a text frame was taken from the selection
  bool fileChosen = false;   // import: the chooser gave a file
  std::filesystem::path frameFile;
  bool textImported = false;  // import: styled text reached the target story
  bool cancelled = false;     // the user cancelled (chooser, progress bar, Cancel in an alert)
  bool failed = false;        // a stage could not do its work (unreadable file, failed import)
  int framesCreated = 0;      // inline frames anchored
  int picturesPlaced = 0;
  int picturesMissing = 0;
  std::filesystem::path logFile;  // the log this action wrote; empty when none
  // Lines of that log other than its header and the run's fixed lines: the warnings.
  std::vector<std::u16string> warnings;
  std::vector<FrameCommandFailure> failedCommands;
  StageTimes times;
};

inline constexpr InterfaceID kIVorrinRunReportIID{0x113380 + 0x30};

class IVorrinRunReport : public virtual Interface {
 public:
  static constexpr InterfaceID kIID = kIVorrinRunReportIID;
  // The report of the last action performed by the component.
  virtual const RunReport& LastRunReport() const = 0;
};

// Everything a stage of the engine works with during one action.
struct EngineContext {
  Document& doc;
  RunState& run;
  LifetimeState& lifetime;
  RunReport& report;
  HostServices services;
};

// Records a failed frame command in the run report (and on the diagnostics channel);
// success is not recorded.
void ReportFrameCommand(EngineContext& ctx, UID frame, const char* command, ErrorCode e);

// The three-button "Brak danych" alert. False when the user chose Cancel (the continue
// flag is then cleared); Try Again suppresses the category for the rest of the run.
bool ShowMissingDataAlert(RunState& run, int category, std::u16string_view text);

}  // namespace tarvelin
