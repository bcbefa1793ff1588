#include "engine/vorrin_action_component.h"

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <system_error>

#include "attributes/advertisement_suite.h"
#include "core/alert.h"
#include "core/diagnostics.h"
#include "core/import_log.h"
#include "core/platform_paths.h"
#include "core/progress.h"
#include "core/stream.h"
#include "core/string_table.h"
#include "core/utf16.h"
#include "engine/box_definition_pass.h"
#include "engine/inline_frames.h"
#include "engine/picture_placement.h"
#include "framefile/preprocess_frame_file.h"
#include "host/application/active_context.h"
#include "host/application/interface_fonts.h"
#include "host/application/session_workspace.h"
#include "host/application/ui_services.h"
#include "host/documents/document.h"
#include "host/objects/database.h"
#include "host/text/font_catalogue.h"
#include "host/text/text_commands.h"
#include "shell/about_box.h"
#include "shell/plugin_ids.h"
#include "shell/plugin_resources.h"
#include "tagged/file_choosers.h"
#include "tagged/file_reader.h"
#include "tagged/lookups.h"
#include "tagged/qxt_import_provider.h"
#include "tagged/story_application.h"
#include "tagged/tagged_header.h"
#include "tagged/text_scanner.h"

extern char** environ;

namespace tarvelin {

namespace {

const FontCatalogue& Fonts(const HostServices& services) {
  static const StaticFontCatalogue kNoFonts({});
  return services.fonts ? *services.fonts : static_cast<const FontCatalogue&>(kNoFonts);
}

HostServices Services() {
  Application* app = Application::Current();
  return app ? app->Services() : HostServices{};
}

Document* FrontDocument() {
  ActiveContext* context = SessionContext();
  return context ? context->FrontDocument() : nullptr;
}

std::unique_ptr<Progress> TaskBar(const HostServices& services, int tasks) {
  if (services.progress) {
    if (auto bar = services.progress->CreateTaskProgress(u"Import tekstu", tasks, true)) return bar;
  }
  return std::make_unique<SilentProgress>();
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::u16string PathText(const std::filesystem::path& path) {
  return FromUtf8(path.string());
}

// The log of a process run (and of a reconnect): "<document name>.txt" in the cache
// folder. A saved document is named by its file, as the host names documents; an
// unsaved one by its title. Separators in a title cannot make it leave the folder.
std::optional<std::filesystem::path> DocumentLogFile(const Document& doc) {
  std::u16string name =
      doc.File().empty() ? std::u16string() : FromUtf8(doc.File().filename().string());
  if (name.empty() && doc.Data()) name = doc.Data()->Name();
  if (name.empty()) name = u"Untitled";
  for (char16_t& c : name)
    if (c == u'/' || c == u'\\') c = u'_';
  auto folder = AppCacheFolder();
  if (!folder) return std::nullopt;
  return std::filesystem::path(JoinPath(*folder, ToUtf8(name) + ".txt"));
}

void AlertNoFrame() {
  Alerts().Information(Translate("0x113380kZevFrameDidntChooseElementKey"));
}

// Deletes a scratch story the import made (it never had a frame) inside the run's step.
void DeleteScratchStory(const UIDRef& story) {
  if (story.IsNull() || !story.DataBase()->Contains(story.GetUID())) return;
  Database& db = *story.DataBase();
  ErrorCode e = ProcessFunction(db, u"Delete scratch story",
                                [&]() { return db.DeleteObject(story.GetUID()); });
  if (e != kSuccess)
    diag::Printf("The scratch story could not be deleted (%s)\n", ErrorCodeName(e));
}

// The text of a plain text file: UTF-16 with a byte-order mark, else UTF-8; line ends
// become paragraph ends.
std::u16string DecodePlainText(Stream& stream) {
  std::string bytes;
  while (auto b = stream.ReadByte()) bytes.push_back(static_cast<char>(*b));
  std::u16string text;
  auto at = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
  if (bytes.size() >= 2 && ((at(0) == 0xFF && at(1) == 0xFE) || (at(0) == 0xFE && at(1) == 0xFF))) {
    const bool little = at(0) == 0xFF;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      text.push_back(
          static_cast<char16_t>(little ? at(i) | (at(i + 1) << 8) : (at(i) << 8) | at(i + 1)));
  } else {
    size_t skip = bytes.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF ? 3 : 0;
    text = FromUtf8(std::string_view(bytes).substr(skip));
  }
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    out.push_back(text[i] == u'\n' ? u'\r' : text[i]);
  }
  return out;
}

void OpenDeveloperWebPage() {
  // The address is a build-time constant; it is handed over as an argument, never
  // through the shell's parser.
  const char* argv[] = {"sh", "-c", "xdg-open \"$0\" >/dev/null 2>&1 &", kDeveloperWebPage,
                        nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) {
    diag::Write("The developer's web page could not be opened.\n");
    return;
  }
  int status = 0;
  waitpid(pid, &status, 0);
}

}  // namespace

// ---------------------------------------------------------------- interface fonts

bool EnsureInterfaceFonts(InterfaceFontService* service) {
  using plugin_ids::P;
  if (!service) return false;
  if (service->Find(P(0))) return true;
  const int base = service->BaseSize();
  const InterfaceFont fonts[] = {{P(0), u"", base, 1},
                                 {P(1), u"", 18, 1},
                                 {P(2), u"", base + 5, 0},
                                 {P(3), u"", 10, 0},
                                 {P(4), u"", base, 0}};
  bool all = true;
  for (const InterfaceFont& font : fonts) all = service->Register(font) && all;
  return all;
}

// ---------------------------------------------------------------- dispatch

EngineContext VorrinActionComponent::Context(Document& doc) {
  return EngineContext{doc, run_, lifetime_, report_, Services()};
}

void VorrinActionComponent::DoAction(ActionID action) {
  using namespace plugin_ids;
  EnsureInterfaceFonts(Services().interfaceFonts);
  switch (action) {
    case kAboutAction:
    case kAboutAction2:
      // The box's components text, then its name-and-revision line (never translated).
      Alerts().Information(
          Translate("0x113380kVorrinAboutBoxComponentsKey") + u"\n" +
          Translate("0x113380kVorrinAboutBoxStringKey") + u"\n" +
          FromUtf8(AboutBoxRevisionLine(Application::Current() ? Application::Current()->PlugIns()
                                                               : std::vector<LoadedPlugIn>{})));
      break;
    case kProcessAction:
    case kImportAndProcessAction:
      report_ = RunReport{};
      report_.action = action;
      ImportAndProcess(action == kImportAndProcessAction);
      // A log left open would take the lines of whatever runs next.
      KInDesignCommon::CloseLog();
      CollectWarnings();
      break;
    case kReconnectAction:
      report_ = RunReport{};
      report_.action = action;
      ReconnectMissingGraphics();
      KInDesignCommon::CloseLog();
      CollectWarnings();
      break;
    case kShowLogAction: {
      std::u16string text = Translate("0x113380kZevStringLogInitialTextKey");
      text += u'\n';
      text += KInDesignCommon::ReadLogText(KInDesignCommon::GetLogFile());
      // A front end without a log viewer shows it as an information alert.
      if (LogViewer* viewer = Services().logViewer)
        viewer->ShowText(Translate("0x113380kVorrinShowLogKey"), text);
      else
        Alerts().Information(text);
      break;
    }
    case kVisitWebPageAction:
    case kVisitWebPageAction2:
      OpenDeveloperWebPage();
      break;
    case kPreferencesAction:
      if (PreferencesDialog* dialog = Services().preferences)
        dialog->Open(kPreferencesPageID);
      else
        diag::Write("VorrinActionComponent: this front end has no preferences dialog.\n");
      break;
    default:
      break;
  }
  run_.frameFileFolder.clear();
  run_.probedImages.clear();
  text_.clear();
}

void VorrinActionComponent::CollectWarnings() {
  if (report_.logFile.empty()) return;
  const std::u16string finished = Translate("0x113380kZevStringDidEndImportProcessKey");
  std::vector<std::u16string> lines =
      KInDesignCommon::SplitLogLines(KInDesignCommon::ReadLogText(report_.logFile));
  for (size_t i = 2; i < lines.size(); ++i) {
    const std::u16string& line = lines[i];
    if (line.empty() || line == finished || line == started_line_ || line == encoding_line_)
      continue;
    report_.warnings.push_back(line);
  }
}

// ---------------------------------------------------------------- import and process

void VorrinActionComponent::ImportAndProcess(bool importMode) {
  const auto started = std::chrono::steady_clock::now();
  Document* doc = FrontDocument();
  if (doc) {
    AbortableSequence sequence(doc->DataBase().Commands(),
                               Translate("0x113380kVorrinImportUndoKey"));
    ImportAndProcessRun(importMode);
    // Ended whatever the outcome: the user takes the whole run back with one undo.
    if (sequence.IsOpen()) {
      if (ErrorCode e = sequence.End(); e != kSuccess)
        diag::Printf("The import's command sequence could not be ended (%s)\n", ErrorCodeName(e));
    }
  } else {
    ImportAndProcessRun(importMode);
  }
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started);
  diag::Printf("Time elapsed = %d seconds.\n", static_cast<int>(seconds.count()));
}

UIDRef VorrinActionComponent::ImportAndProcessRun(bool importMode) {
  run_.Reset();
  run_.framesWithInnerBoxes.clear();
  run_.probedImages.clear();
  started_line_.clear();
  encoding_line_.clear();
  ActiveContext* context = SessionContext();
  Document* doc = context ? context->FrontDocument() : nullptr;
  UIDRef target;
  if (!doc) {
    AlertNoFrame();
  } else if (auto suite = QueryAdvertisementSuite(*context); !suite) {
    AlertNoFrame();
  } else {
    UIDList items;
    suite->GetSelectedItems(&items);
    if (!items.empty()) target = items.GetRef(0);
  }

  auto closing = [&]() {
    if (doc) doc->GetSelection().Clear();
    KInDesignCommon::LogLine(u"");
    KInDesignCommon::LogKey("0x113380kZevStringDidEndImportProcessKey", {});
    KInDesignCommon::CloseLog();
    return target;
  };
  if (target.IsNull()) return closing();
  Database& db = doc->DataBase();
  auto targetStory = StoryOfFrame(db, target.GetUID());
  if (!targetStory) return closing();
  report_.targetFound = true;
  doc->GetSelection().Clear();
  const HostServices services = Services();

  if (importMode) {
    SDKFileOpenChooser chooser;
    chooser.AddFilter(kTextFileType, "rmk", u"Frame (rmk)");
    chooser.AddFilter(kTextFileType, "txt", u"Text file(txt)");
    chooser.ShowDialog();
    if (!chooser.IsChosen()) {
      report_.cancelled = true;
      return closing();
    }
    const std::filesystem::path path = chooser.GetFile();
    report_.fileChosen = true;
    report_.frameFile = path;
    if (KInDesignCommon::OpenLogForFrameFile(path))
      report_.logFile = KInDesignCommon::LogFileForFrameFile(path);
    run_.frameFileFolder = path.parent_path();
    diag::Printf("filename = %s\n", run_.frameFileFolder.string().c_str());
    started_line_ =
        KInDesignCommon::FormatKey("0x113380kZevStringLogStartedReadingFileKey", {PathText(path)});
    KInDesignCommon::LogKey("0x113380kZevStringLogStartedReadingFileKey", {PathText(path)});
    KInDesignCommon::LogLine(u"");
    const std::u16string extension = FromUtf8(path.extension().string());
    if (EqualsIgnoreCaseAscii(extension, u".rmk")) {
      auto bar = TaskBar(services, 4);
      const FrameFileEncodingChoice encoding = FrameFileEncodingOf(path);
      LogEncoding(path, FromUtf8(encoding.encodingText));
      std::unique_ptr<KFileReader> reader = CreateReader(encoding.selector);
      ImportAndUseQXTImportFilter(*doc, path, targetStory->story, target, *bar, *reader);
      return target;
    }
    auto stream = FileStream::OpenRead(path);
    if (!stream) {
      diag::Write("Stream is nil\n");
      report_.failed = true;
      return closing();
    }
    PlaceTaggedTextIntoFrame(*doc, target, *stream, extension == u".rmk");
    stream->Close();
  } else {
    if (auto file = DocumentLogFile(*doc); file && KInDesignCommon::OpenLog(*file))
      report_.logFile = *file;
  }

  auto bar = TaskBar(services, 2);
  if (!StoryOfFrame(db, target.GetUID())) {
    diag::Write("Text model is nil\n");
  } else {
    RunBoxPass(*doc, target, bar.get());
  }
  return closing();
}

void VorrinActionComponent::LogEncoding(const std::filesystem::path& file,
                                        const std::u16string& encoding) {
  const std::vector<std::u16string> args = {PathText(file.filename()), encoding};
  encoding_line_ = KInDesignCommon::FormatKey("0x113380kZevStringLogEncodingKey", args);
  KInDesignCommon::LogKey("0x113380kZevStringLogEncodingKey", args);
}

void VorrinActionComponent::RunBoxPass(Document& doc, const UIDRef& frame, Progress* bar) {
  auto story = StoryOfFrame(doc.DataBase(), frame.GetUID());
  if (!story) {
    diag::Write("Text model is nil\n");
    return;
  }
  EngineContext ctx = Context(doc);
  EngineFrameCreator creator(ctx);
  const ModelStoryText text(story->model);
  SearchAndCreateFrames(text, FrameRef{&doc.DataBase(), frame.GetUID()}, bar, 0,
                        BoxPassRun{creator, run_.continueRun, &report_.times});
  if (!run_.continueRun || (bar && bar->WasCancelled())) report_.cancelled = true;
}

void VorrinActionComponent::ImportAndUseQXTImportFilter(Document& doc,
                                                        const std::filesystem::path& path,
                                                        const UIDRef& targetStory,
                                                        const UIDRef& targetFrame, Progress& bar,
                                                        KFileReader& reader) {
  diag::Write("ImportAndUseQXTImportFilter\n");
  run_.Reset();
  auto started = std::chrono::steady_clock::now();
  KPreprocessFrameFile preprocessor(path, true, &bar);
  const PreprocessResult prepared = preprocessor.Preprocess(reader);
  report_.times.preprocess = SecondsSince(started);
  if (prepared.file.empty()) {
    if (prepared.status == PreprocessStatus::kCancelled) {
      diag::Write("User cancelled.\n");
      report_.cancelled = true;
    } else {
      diag::Write("The frame file could not be preprocessed.\n");
      KInDesignCommon::LogKey("0x113380kZevStringLogCouldNotReadFrameFileKey", {PathText(path)});
      report_.failed = true;
    }
    return;
  }
  auto stream = FileStream::OpenRead(prepared.file);
  if (!stream) {
    diag::Write("IPMStream is nil.\n");
    report_.failed = true;
    preprocessor.Finish();
    return;
  }
  // The scratch copy is UTF-16: its header line ("<v...>" "<e...>" and the line end) is
  // skipped through its own line end, so the story does not begin with an empty paragraph.
  {
    std::vector<uint8_t> head(4 * (kMaxHeaderTagLength + 8));
    head.resize(stream->ReadBytes(head.data(), head.size()));
    size_t start = 0;
    if (head.size() >= 4 && head[0] == '<' && head[1] == 0 && head[2] == 'v' && head[3] == 0)
      start = DescribeTaggedText(head, HeaderForm::kUtf16, false).textStart;
    stream->Seek(static_cast<int64_t>(start), SeekFrom::kStart);
  }

  started = std::chrono::steady_clock::now();
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  Database& db = doc.DataBase();
  const HostServices services = Services();
  TextLookups lookups(db, doc.TextWorkspaceRefs(), Fonts(services));
  StoryApplication application(lookups);
  ScanResult scanned = ScanResult::kStopped;
  {
    // The scanner holds the whole text it read: it goes before the box pass needs memory.
    TextScanner scanner(*stream, kEncodingUnicode, application, application, &bar,
                        ec ? 0 : static_cast<int64_t>(size), false);
    scanned = scanner.Scan();
  }
  const ErrorCode written = application.Finish();
  report_.times.taggedImport = SecondsSince(started);
  const UIDRef imported = application.Story();
  auto model = QueryInterface<ITextModel>(imported);
  auto target = QueryInterface<ITextModel>(targetStory);
  auto moveText = [&]() {
    started = std::chrono::steady_clock::now();
    const ErrorCode e =
        MoveStyledText(imported, 0, model->TotalLength() - 1, targetStory, target->EndPosition());
    report_.times.storyMove = SecondsSince(started);
    return e;
  };
  if (scanned != ScanResult::kImported || imported.IsNull() || written != kSuccess) {
    if (bar.WasCancelled()) {
      report_.cancelled = true;
    } else {
      diag::Printf("The tagged text could not be imported (%s).\n", ErrorCodeName(written));
      report_.failed = true;
    }
  } else if (!model) {
    diag::Write("TxtImpFilter::ImportThis : could not get newModelTextModel model!");
    report_.failed = true;
  } else if (!target) {
    diag::Write("no commands\n");
    report_.failed = true;
  } else if (ErrorCode e = moveText(); e != kSuccess) {
    diag::Write(
        "VorrinActionComponent::ImportAndUseQXTImportFilter:\n\tDid not manage to copy store text "
        "from new strory (invisible) to the story of selected frame.\n");
    diag::Printf("MoveStyledText failed (%s)\n", ErrorCodeName(e));
    report_.failed = true;
  } else {
    report_.textImported = true;
    started = std::chrono::steady_clock::now();
    DeleteScratchStory(imported);
    report_.times.storyMove += SecondsSince(started);
    RunBoxPass(doc, targetFrame, &bar);
  }
  if (!report_.textImported) DeleteScratchStory(imported);
  stream->Close();
  preprocessor.Finish();
}

void VorrinActionComponent::PlaceTaggedTextIntoFrame(Document& doc, const UIDRef& targetFrame,
                                                     Stream& stream, bool useQXTImportFilter) {
  diag::Printf("VorrinActionComponent::PlaceTaggedTextIntoFrame, useQXTImportFilter = %d\n",
               useQXTImportFilter ? 1 : 0);
  Database& db = doc.DataBase();
  auto target = StoryOfFrame(db, targetFrame.GetUID());
  if (!target) return;
  UIDRef imported;
  QXTImportProvider provider(Fonts(Services()));
  if (provider.CanImportThisStream(stream) == 2) {
    if (ErrorCode e =
            provider.Import(db, doc.TextWorkspaceRefs(), stream, ImportUILevel::kNone, imported);
        e != kSuccess) {
      diag::Printf("The tagged text could not be imported (%s).\n", ErrorCodeName(e));
      report_.failed = true;
      return;
    }
    LogEncoding(report_.frameFile, provider.LastReport().encoding);
  } else {
    // Not tagged text: imported as plain text, as the host's text filter does.
    stream.Seek(0, SeekFrom::kStart);
    const std::u16string text = DecodePlainText(stream);
    ErrorCode e = ProcessFunction(db, u"Import text", [&]() -> ErrorCode {
      imported = CreateStory(db);
      if (imported.IsNull()) return kFailure;
      auto model = QueryInterface<ITextModel>(imported);
      return model ? model->Insert(0, text) : kFailure;
    });
    if (e != kSuccess) {
      diag::Write("Cnanot import this stream\n");
      diag::Printf("Plain text import failed (%s)\n", ErrorCodeName(e));
      report_.failed = true;
      return;
    }
  }
  auto model = QueryInterface<ITextModel>(imported);
  if (!model) {
    diag::Write("dstTextModel is nil!\n");
    report_.failed = true;
    return;
  }
  if (ErrorCode e = MoveStyledText(imported, 0, model->TotalLength() - 1, target->story,
                                   target->model->EndPosition());
      e != kSuccess) {
    diag::Printf("The imported text could not be pasted (%s)\n", ErrorCodeName(e));
    report_.failed = true;
  } else {
    report_.textImported = true;
  }
  DeleteScratchStory(imported);
}

// ---------------------------------------------------------------- reconnect

void VorrinActionComponent::ReconnectMissingGraphics() {
  run_.Reset();
  run_.probedImages.clear();
  Document* doc = FrontDocument();
  if (!doc) return;
  Database& db = doc->DataBase();
  AbortableSequence sequence(db.Commands(),
                             Translate("0x113380kVorrinReconnectGraphicsFileUndoKey"));
  auto suite = QueryAdvertisementSuite(doc);
  if (!suite) {
    sequence.End();
    return;
  }
  UIDList items;
  suite->GetSelectedItems(&items);
  // The messages of this action go to the document's log, as a process run's do.
  if (!items.empty()) {
    if (auto file = DocumentLogFile(*doc); file && KInDesignCommon::OpenLog(*file))
      report_.logFile = *file;
  }
  EngineContext ctx = Context(*doc);
  // Each item is read by itself: the suite gives the distinct values of a selection, so
  // reading them for all items at once would pair values with the wrong items.
  auto valueOf = [&](std::u16string_view key) -> std::optional<std::u16string> {
    std::vector<std::u16string> values;
    suite->GetAttributeValues(key, values);
    if (values.empty()) return std::nullopt;
    return values.front();
  };
  for (size_t i = 0; i < items.size() && run_.continueRun; ++i) {
    const UIDRef item = items.GetRef(i);
    doc->GetSelection().SelectItems(UIDList(item));
    const auto loaded = valueOf(kImageLoadedKey);
    const auto fileName = valueOf(kImageFilenameKey);
    if (!loaded || *loaded != u"false" || !fileName) continue;
    const std::filesystem::path& fallback = FallbackFolder(ctx);
    if (CheckPictureName(*fileName) == PictureNameCheck::kNotPlain) {
      KInDesignCommon::LogKey("0x113380kZevStringLogPictureNameIsAPathKey", {*fileName});
    }
    PictureLookup found = FindPicture(*fileName, ImageFolders(SessionWorkspaceOrNull()), fallback);
    std::string why;
    if (found.file && LoadImageIntoFrame(ctx, item, *found.file, &why)) {
      ++report_.picturesPlaced;
      StoreAttributesOnFrame(
          ctx, item,
          {{kImageTypeKey, u"true"}, {kImageLoadedKey, u"true"}, {kImageFilenameKey, *fileName}},
          "ReconnectMissingGraphics");
      if (!valueOf(kImageFitTypeKey)) {
        KInDesignCommon::LogMessage(
            "The fitting type could not be obtained for the frame whose image \"%s\" was just "
            "loaded.",
            {*fileName});
      }
      continue;
    }
    if (found.file) {
      KInDesignCommon::LogKey("0x113380kZevStringLogCouldNotPlaceImageKey",
                              {PathText(*found.file), FromUtf8(why)});
    }
    ++report_.picturesMissing;
    KInDesignCommon::LogKey("0x113380kZevStringCouldNotOpenGraphicsFileKey", {*fileName});
    ShowMissingDataAlert(
        run_, 0,
        KInDesignCommon::FormatKey("0x113380kZevStringCouldNotOpenGraphicsFileLongWindowsKey",
                                   {*fileName}));
  }
  doc->GetSelection().SelectItems(items);
  if (run_.continueRun) {
    sequence.End();
  } else {
    report_.cancelled = true;
    sequence.Abort();
  }
}

}  // namespace tarvelin
