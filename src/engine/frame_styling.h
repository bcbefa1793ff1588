// Styling of a created frame from its definition: the object style named by "os", the
// fill ("fc") and border ("bc") colours, given as a swatch name or as colour values
// (found among the document's swatches or created unnamed), and the stroke weight ("fw").
// A missing style or swatch is logged and shown in the missing-data alert, category 0.
#pragma once

#include <string_view>

#include "engine/engine_run.h"
#include "host/objects/uid.h"

namespace tarvelin {

class BoxDefinition;
struct ColourSpec;

void ApplyObjectStyleByName(EngineContext& ctx, const UIDRef& frame, std::u16string_view name);
// The swatch a colour specification stands for (created when its values have none);
// kInvalidUID for no colour or a swatch name that does not exist (then the alert and the
// log line have been given).
UID SwatchForColour(EngineContext& ctx, const ColourSpec& colour);
// Fill, then border.
void ApplyColours(EngineContext& ctx, const UIDRef& frame, const BoxDefinition& record);
void ApplyStrokeWeight(EngineContext& ctx, const UIDRef& frame, float weight);

}  // namespace tarvelin
