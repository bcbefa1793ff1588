#include "engine/picture_placement.h"

#include <fstream>
#include <system_error>

#include "attributes/advertisement_suite.h"
#include "core/diagnostics.h"
#include "core/import_log.h"
#include "core/platform_paths.h"
#include "core/utf16.h"
#include "framefile/box_definition.h"
#include "host/application/active_context.h"
#include "host/application/application.h"
#include "host/application/image_probe.h"
#include "host/application/session_workspace.h"
#include "host/documents/document.h"
#include "host/documents/page_item_commands.h"
#include "preferences/preference_data.h"
#include "preferences/preference_types.h"

namespace tarvelin {

PictureNameCheck CheckPictureName(std::u16string_view name) {
  if (name.empty()) return PictureNameCheck::kEmpty;
  if (name == u"." || name == u"..") return PictureNameCheck::kNotPlain;
  for (char16_t c : name)
    if (c == u'/' || c == u'\\' || c == 0) return PictureNameCheck::kNotPlain;
  return PictureNameCheck::kPlain;
}

std::optional<std::filesystem::path> CandidateFromFolder(std::u16string_view name,
                                                         std::u16string_view folder) {
  if (name.empty() || folder.empty()) return std::nullopt;
  return std::filesystem::path(JoinPath(ToUtf8(folder), ToUtf8(name)));
}

bool FileUsable(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::exists(file, ec) || std::filesystem::is_directory(file, ec)) return false;
  std::ifstream in(file, std::ios::binary);
  return in.good();
}

std::array<std::u16string, 4> ImageFolders(const SessionWorkspace* workspace) {
  std::array<std::u16string, 4> folders;
  auto data = QueryPreferenceData(workspace);
  if (!data) {
    diag::Write("Preferencje niezainstalowane\n");
    return folders;
  }
  for (size_t i = 0; i < folders.size(); ++i)
    folders[i] = data->Get(kImageFolderKeys[i]).value_or(std::u16string());
  return folders;
}

PictureLookup FindPicture(std::u16string_view name, const std::array<std::u16string, 4>& folders,
                          const std::filesystem::path& frameFileFolder) {
  if (CheckPictureName(name) != PictureNameCheck::kPlain) return {};
  for (size_t i = 0; i < folders.size(); ++i) {
    auto candidate = CandidateFromFolder(name, folders[i]);
    if (candidate && FileUsable(*candidate)) return {candidate, static_cast<int>(i) + 1};
  }
  auto candidate = CandidateFromFolder(name, FromUtf8(frameFileFolder.string()));
  if (candidate && FileUsable(*candidate)) return {candidate, 5};
  return {};
}

const std::filesystem::path& FallbackFolder(EngineContext& ctx) {
  if (ctx.run.frameFileFolder.empty()) ctx.run.frameFileFolder = ctx.doc.File().parent_path();
  return ctx.run.frameFileFolder;
}

namespace {

// The probe's answer, from the run's cache while the file keeps its time and size.
ImageInfo ProbeImage(EngineContext& ctx, const std::filesystem::path& file) {
  std::error_code timeError, sizeError;
  const auto modified = std::filesystem::last_write_time(file, timeError);
  const auto size = std::filesystem::file_size(file, sizeError);
  if (timeError || sizeError) return ctx.services.images->Probe(file);
  auto& cache = ctx.run.probedImages;
  if (auto it = cache.find(file.native());
      it != cache.end() && it->second.modified == modified && it->second.size == size)
    return it->second.info;
  ImageInfo info = ctx.services.images->Probe(file);
  cache[file.native()] = {modified, size, info};
  return info;
}

}  // namespace

bool LoadImageIntoFrame(EngineContext& ctx, const UIDRef& frame, const std::filesystem::path& file,
                        std::string* why) {
  if (!ctx.services.images) {
    diag::Write("KInDesignCommon::LoadImageUsingPlaceGun: no image service.\n");
    if (why) *why = "no image reader is available";
    return false;
  }
  const ImageInfo info = ProbeImage(ctx, file);
  if (!info.ok) {
    diag::Write("KInDesignCommon::LoadImageUsingPlaceGun: Command failed!\n");
    diag::Printf("%s cannot be read (%s).\n", file.string().c_str(), info.error.c_str());
    if (why) *why = info.error.empty() ? "the image cannot be read" : info.error;
    return false;
  }
  ErrorCode e = PlaceImage(ctx.doc, frame, file.string(), info);
  if (e != kSuccess) {
    diag::Write("KInDesignCommon::LoadImageUsingPlaceGun: Command failed!\n");
    diag::Printf("PlaceImage failed (%s)\n", ErrorCodeName(e));
    if (why) *why = std::string("placing failed: ") + ErrorCodeName(e);
    return false;
  }
  return true;
}

void StoreAttributesOnFrame(
    EngineContext& ctx, const UIDRef& frame,
    std::initializer_list<std::pair<std::u16string_view, std::u16string_view>> pairs,
    const char* caller) {
  ctx.doc.GetSelection().SelectItems(UIDList(frame));
  auto suite = QueryAdvertisementSuite(&ctx.doc);
  if (!suite) {
    diag::Printf("%s: IAdvertisementAttributesSuite unavailable.\n", caller);
    return;
  }
  for (const auto& [key, value] : pairs) suite->SetAttribute(key, value);
}

void PlacePicture(EngineContext& ctx, BoxDefinition& record, const UIDRef& frame) {
  const std::u16string& name = record.fileName;
  const std::filesystem::path& fallback = FallbackFolder(ctx);
  if (CheckPictureName(name) == PictureNameCheck::kNotPlain) {
    KInDesignCommon::LogKey("0x113380kZevStringLogPictureNameIsAPathKey", {name});
  }
  PictureLookup found = FindPicture(name, ImageFolders(SessionWorkspaceOrNull()), fallback);
  if (found.file) {
    std::string why;
    if (LoadImageIntoFrame(ctx, frame, *found.file, &why)) {
      record.engineValue = 1;
      ++ctx.report.picturesPlaced;
      StoreAttributesOnFrame(
          ctx, frame,
          {{kImageTypeKey, u"true"}, {kImageLoadedKey, u"true"}, {kImageFilenameKey, name}},
          "ProcessInnerNode");
      return;
    }
    // A file that is there but cannot be placed would otherwise leave the placeholder
    // without a word; it is reported as missing so that it can be reconnected later.
    KInDesignCommon::LogKey("0x113380kZevStringLogCouldNotPlaceImageKey",
                            {FromUtf8(found.file->string()), FromUtf8(why)});
  }
  record.engineValue = 0;
  ++ctx.report.picturesMissing;
  KInDesignCommon::LogKey("0x113380kZevStringCouldNotOpenGraphicsFileKey", {name});
  ShowMissingDataAlert(ctx.run, 0,
                       KInDesignCommon::FormatKey(
                           "0x113380kZevStringCouldNotOpenGraphicsFileLongWindowsKey", {name}));
  StoreAttributesOnFrame(
      ctx, frame,
      {{kImageTypeKey, u"true"}, {kImageLoadedKey, u"false"}, {kImageFilenameKey, name}},
      "ProcessInnerNode");
}

}  // namespace tarvelin
