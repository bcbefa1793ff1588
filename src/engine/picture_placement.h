// Picture placement: a picture definition names its image by file name alone ("fn");
// the file is looked for in image folders 1 to 4 (preferences) and then in the
// frame-file folder, placed into the frame, and the outcome is recorded on the frame as
// advertisement attributes ("imageType", "imageLoaded", "imageFilename").
//
// Only plain names are looked up: a name with a path separator, "." or ".." could reach
// any readable file of the machine and pull it into a document that is then published,
// so such a name counts as a missing picture and the log says why.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "engine/engine_run.h"
#include "host/objects/error_code.h"
#include "host/objects/uid.h"

namespace tarvelin {

class BoxDefinition;
class SessionWorkspace;

enum class PictureNameCheck { kPlain, kEmpty, kNotPlain };
PictureNameCheck CheckPictureName(std::u16string_view name);

// folder + name (a trailing '/' or '\' on the folder counts as a separator); nullopt
// when either is empty.
std::optional<std::filesystem::path> CandidateFromFolder(std::u16string_view name,
                                                         std::u16string_view folder);
// The file exists, is not a folder and can be opened for reading.
bool FileUsable(const std::filesystem::path& file);

// The image folders 1 to 4 from the stored preferences (empty when unset).
std::array<std::u16string, 4> ImageFolders(const SessionWorkspace* workspace);

struct PictureLookup {
  std::optional<std::filesystem::path> file;
  int source = 0;  // 1..4 image folder, 5 the frame-file folder, 0 not found
};

// The lookup order: image folders 1 to 4, then the frame-file folder. A name that is not
// plain finds nothing.
PictureLookup FindPicture(std::u16string_view name, const std::array<std::u16string, 4>& folders,
                          const std::filesystem::path& frameFileFolder);

// The frame-file folder, set to the front document's folder when it is empty.
const std::filesystem::path& FallbackFolder(EngineContext& ctx);

// Places the image into the frame through the image probe and the host's place step.
// False (with a diagnostic and `why`) when it cannot be read or placed.
bool LoadImageIntoFrame(EngineContext& ctx, const UIDRef& frame, const std::filesystem::path& file,
                        std::string* why);

// Lookup, placement, attributes and warnings for a picture definition; sets the
// record's engine value to 1 when the picture was placed, 0 otherwise.
void PlacePicture(EngineContext& ctx, BoxDefinition& record, const UIDRef& frame);

// Stores pairs on a frame through the attributes suite (selecting the frame first).
void StoreAttributesOnFrame(
    EngineContext& ctx, const UIDRef& frame,
    std::initializer_list<std::pair<std::u16string_view, std::u16string_view>> pairs,
    const char* caller);

}  // namespace tarvelin
