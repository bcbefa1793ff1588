// Fitting of the frames the engine creates: the choice made after creation from the
// definition's height and picture, the selector of a placed picture ("sp"), and the
// dispatcher that runs a fit type on frames through the host's layout service.
//
//   selector  fit types        condition after creation         action
//   1         3                h = 0, not a picture             fit type 1
//   0         0                h = 0, picture not placed        fit type 1
//   -2        5, then 4        h = 0, picture placed            FitFrame(selector)
//   -3, -4    6                h != 0, picture placed           FitFrame(1)
//   other     none (failure)   otherwise                        nothing
#pragma once

#include "engine/engine_run.h"
#include "host/objects/error_code.h"
#include "host/objects/uid.h"

namespace tarvelin {

class BoxDefinition;

// Runs one fit type on each frame (types 0, 2 to 4 on the frames that hold a picture,
// 1 on the frames, 5 and 6 on frames that must hold a picture). 0, or the first error.
ErrorCode FitFrames(EngineContext& ctx, const UIDList& frames, int fitType);

// The fit types of a selector on a frame that holds its picture.
ErrorCode FitFrame(EngineContext& ctx, const UIDRef& frame, int selector);

// The fitting every created frame goes through; non-zero is a failure that stops the pass.
ErrorCode FitAfterCreation(EngineContext& ctx, const BoxDefinition& record, const UIDRef& frame);

}  // namespace tarvelin
