#include "engine/frame_fitting.h"

#include "core/diagnostics.h"
#include "framefile/box_definition.h"
#include "host/application/layout_service.h"
#include "host/documents/document.h"
#include "host/documents/page_item.h"
#include "host/objects/database.h"

namespace tarvelin {

namespace {

constexpr const char* kNoChildren =
    "There are no children in the newly created inline frame. Picture placement probably "
    "failed.\n";

bool HasPicture(const Database& db, UID frame) {
  return ImageOf(db, frame) != kInvalidUID;
}

}  // namespace

ErrorCode FitFrames(EngineContext& ctx, const UIDList& frames, int fitType) {
  if (fitType < 0 || fitType > 6) {
    diag::Printf("Unknown fit type %d.\n", fitType);
    return kInvalidArgument;
  }
  if (frames.empty() || frames.DataBase() == nullptr) {
    diag::Write("No item is selected.\n");
    return kFailure;
  }
  Database& db = *frames.DataBase();
  UIDList targets(&db);
  const bool onPictures = fitType == 0 || (fitType >= 2 && fitType <= 4);
  for (UID frame : frames) {
    if (fitType == 1 || HasPicture(db, frame)) {
      targets.Append(frame);
    } else if (!onPictures) {
      diag::Write(kNoChildren);
      return kNotFound;
    }
  }
  if (targets.empty()) {
    diag::Write("No item with graphics is selected.\n");
    return kFailure;
  }
  LayoutService* layout = ctx.services.layout;
  if (!layout) {
    diag::Write("Fitting: the host has no layout service.\n");
    return kFailure;
  }
  ErrorCode result = kSuccess;
  for (UID frame : targets) {
    double width = 0;
    if (fitType == 6) {
      width = ctx.lifetime.lastColumnWidth;
      auto item = db.Query<IPageItem>(frame);
      auto picture = db.Query<IPageItem>(ImageOf(db, frame));
      if (item && picture) {
        const double parentWidth = item->Bounds().Width();
        const double pictureWidth = picture->Bounds().Width();
        diag::Printf("parent width = %f, picture width = %f, aspect = %f\n", parentWidth,
                     pictureWidth, pictureWidth != 0 ? parentWidth / pictureWidth : 0.0);
        diag::Printf("picture height = %f\n", picture->Bounds().Height());
      }
    }
    ErrorCode e = layout->Fit(ctx.doc, {&db, frame}, static_cast<FitType>(fitType), width);
    if (e != kSuccess && result == kSuccess) result = e;
  }
  return result;
}

ErrorCode FitFrame(EngineContext& ctx, const UIDRef& frame, int selector) {
  if (frame.IsNull() || !HasPicture(*frame.DataBase(), frame.GetUID())) {
    diag::Write(kNoChildren);
    return kNotFound;
  }
  const UIDList list(frame);
  switch (selector) {
    case 1:
      return FitFrames(ctx, list, 3);
    case 0:
      return FitFrames(ctx, list, 0);
    case -2:
      if (ErrorCode e = FitFrames(ctx, list, 5); e != kSuccess) return e;
      return FitFrames(ctx, list, 4);
    case -3:
    case -4:
      return FitFrames(ctx, list, 6);
    default:
      diag::Printf("FitFrame: unknown fitting selector %d.\n", selector);
      return kInvalidArgument;
  }
}

ErrorCode FitAfterCreation(EngineContext& ctx, const BoxDefinition& record, const UIDRef& frame) {
  const bool picture = record.kind == BoxKind::kPicture;
  const bool placed = record.engineValue == 1;
  if (record.height == 0) {
    if (!picture || !placed) return FitFrames(ctx, UIDList(frame), 1);
    return FitFrame(ctx, frame, record.fittingSelector);
  }
  if (picture && placed) return FitFrame(ctx, frame, 1);
  return kSuccess;
}

}  // namespace tarvelin
