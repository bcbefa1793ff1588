#include "engine/frame_styling.h"

#include "core/diagnostics.h"
#include "core/import_log.h"
#include "framefile/box_definition.h"
#include "framefile/colour_spec.h"
#include "host/documents/document.h"
#include "host/documents/object_style.h"
#include "host/documents/page_item_commands.h"
#include "host/text/font_catalogue.h"
#include "tagged/lookups.h"

namespace tarvelin {

namespace {

TextLookups LookupsFor(EngineContext& ctx) {
  // Swatch lookups never ask for fonts; an empty catalogue stands in when the front end
  // has none.
  static const StaticFontCatalogue kNoFonts({});
  const FontCatalogue& fonts =
      ctx.services.fonts ? *ctx.services.fonts : static_cast<const FontCatalogue&>(kNoFonts);
  return TextLookups(ctx.doc.DataBase(), ctx.doc.TextWorkspaceRefs(), fonts);
}

}  // namespace

void ApplyObjectStyleByName(EngineContext& ctx, const UIDRef& frame, std::u16string_view name) {
  if (name.empty()) return;
  const UID style = FindObjectStyle(ctx.doc, name);
  if (style == kInvalidUID) {
    const std::vector<std::u16string> texts{std::u16string(name)};
    KInDesignCommon::LogKey("0x113380kZevStringLogNoSuchObjectStyleKey", texts);
    ShowMissingDataAlert(
        ctx.run, 0, KInDesignCommon::FormatKey("0x113380kZevStringLogNoSuchObjectStyleKey", texts));
    return;
  }
  ReportFrameCommand(ctx, frame.GetUID(), "ApplyObjectStyle",
                     ApplyObjectStyle(ctx.doc, UIDList(frame), style));
}

UID SwatchForColour(EngineContext& ctx, const ColourSpec& colour) {
  TextLookups lookups = LookupsFor(ctx);
  ColourSpace space;
  switch (colour.colourSpace) {
    case kColourSpaceSwatch: {
      const UID swatch = lookups.FindSwatchByName(colour.swatchName);
      if (swatch == kInvalidUID) {
        const std::u16string text =
            KInDesignCommon::FormatKey("0x113380kZevStringLogNoSuchSwatchKey", {colour.swatchName});
        ShowMissingDataAlert(ctx.run, 0, text);
        KInDesignCommon::LogLine(text);
      }
      return swatch;
    }
    case kColourSpaceLab:
      space = ColourSpace::kLab;
      break;
    case kColourSpaceCmyk:
      space = ColourSpace::kCmyk;
      break;
    case kColourSpaceRgb:
      space = ColourSpace::kRgb;
      break;
    default:
      return kInvalidUID;
  }
  UID swatch = lookups.FindSwatchByColour(space, colour.components);
  if (swatch == kInvalidUID)
    swatch = lookups.CreateSwatch(u"", colour.components, space, colour.processFlag != 0);
  if (swatch == kInvalidUID) diag::Write("ApplyColours: the colour could not be made.\n");
  return swatch;
}

void ApplyColours(EngineContext& ctx, const UIDRef& frame, const BoxDefinition& record) {
  if (UID fill = SwatchForColour(ctx, record.fillColour); fill != kInvalidUID)
    ReportFrameCommand(ctx, frame.GetUID(), "SetFillSwatch",
                       SetFillSwatch(ctx.doc, UIDList(frame), fill));
  if (UID stroke = SwatchForColour(ctx, record.borderColour); stroke != kInvalidUID)
    ReportFrameCommand(ctx, frame.GetUID(), "SetStrokeSwatch",
                       SetStrokeSwatch(ctx.doc, UIDList(frame), stroke));
}

void ApplyStrokeWeight(EngineContext& ctx, const UIDRef& frame, float weight) {
  if (weight == 0) return;
  ReportFrameCommand(ctx, frame.GetUID(), "SetStrokeWeight",
                     SetStrokeWeight(ctx.doc, UIDList(frame), weight));
}

}  // namespace tarvelin
