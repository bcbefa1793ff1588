#include "layout/fitting.h"

#include <algorithm>
#include <cmath>

#include "host/documents/document.h"
#include "host/documents/page_item.h"
#include "host/documents/page_item_commands.h"
#include "layout/composer.h"

namespace tarvelin {

namespace {

bool Positive(double v) {
  return std::isfinite(v) && v > 0;
}

PMRect Centred(const PMRect& frame, double w, double h) {
  double cx = (frame.left + frame.right) / 2, cy = (frame.top + frame.bottom) / 2;
  return {cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2};
}

}  // namespace

std::optional<PMRect> FittedPictureBounds(FitType type, const PMRect& frame, const PMRect& picture,
                                          double naturalWidth, double naturalHeight, double width) {
  if (!frame.IsValid() || !picture.IsValid()) return std::nullopt;
  switch (type) {
    case FitType::kContentToFrame:
      return frame;
    case FitType::kCentreContent:
      return Centred(frame, picture.Width(), picture.Height());
    case FitType::kContentProportionally:
    case FitType::kFillProportionally: {
      if (!Positive(naturalWidth) || !Positive(naturalHeight)) return std::nullopt;
      double sx = frame.Width() / naturalWidth, sy = frame.Height() / naturalHeight;
      double s = type == FitType::kContentProportionally ? std::min(sx, sy) : std::max(sx, sy);
      return Centred(frame, naturalWidth * s, naturalHeight * s);
    }
    case FitType::kPictureToWidth: {
      if (!Positive(width) || !Positive(picture.Width()) || !Positive(picture.Height()))
        return std::nullopt;
      double h = width * picture.Height() / picture.Width();
      return PMRect{frame.left, frame.top, frame.left + width, frame.top + h};
    }
    default:
      return std::nullopt;
  }
}

double TextFrameContentHeight(Composer& composer, Document& doc, UID frame) {
  Database& db = doc.DataBase();
  auto text = db.Query<ITextFrame>(frame);
  if (!text) return 0;
  auto story = composer.Prepare(text->Story());
  if (!story) return 0;
  std::vector<ColumnFrame> columns = FrameColumns(db, frame);
  const double width = columns.empty() ? 1 : columns.front().bounds.Width();
  const Insets& in = text->TextInsets();
  double height = MeasureTextHeight(composer, *story, width);
  if (columns.size() > 1) {
    // The least height at which n columns hold the text: between height / n and height.
    auto fits = [&](double h) {
      std::vector<ColumnFrame> trial = columns;
      for (ColumnFrame& c : trial) c.bounds = {c.bounds.left, 0, c.bounds.right, h};
      composer.Place(*story, trial);
      return !story->overset;
    };
    double lo = height / static_cast<double>(columns.size()), hi = height;
    if (fits(lo)) {
      hi = lo;
    } else {
      for (int i = 0; i < 60 && hi - lo > 0.05; ++i) {
        double mid = (lo + hi) / 2;
        (fits(mid) ? hi : lo) = mid;
      }
    }
    height = hi;
  }
  return height + in.top + in.bottom;
}

ErrorCode ApplyFit(Document& doc, Composer& composer, const UIDRef& ref, FitType type,
                   double width) {
  if (ref.IsNull() || ref.DataBase() != &doc.DataBase()) return kInvalidArgument;
  if (static_cast<int32_t>(type) < 0 || static_cast<int32_t>(type) > 6) return kInvalidArgument;
  Database& db = doc.DataBase();
  auto frame = db.Query<IPageItem>(ref.GetUID());
  if (!frame || !db.Query<ITextFrame>(ref.GetUID())) return kInvalidArgument;
  const FrameKind kind = KindOf(db, ref.GetUID());
  const PMRect bounds = frame->Bounds();

  const UID image = ImageOf(db, ref.GetUID());
  auto image_item = image != kInvalidUID ? db.Query<IPageItem>(image) : nullptr;
  auto image_data = image != kInvalidUID ? db.Query<IImageItem>(image) : nullptr;

  if (type == FitType::kFrameToContent) {
    if (kind == FrameKind::kText) {
      double h = TextFrameContentHeight(composer, doc, ref.GetUID());
      return SetBounds(doc, ref, {bounds.left, bounds.top, bounds.right, bounds.top + h});
    }
    if (kind == FrameKind::kPicture && image_item) return SetBounds(doc, ref, image_item->Bounds());
    return kNotFound;
  }
  if (!image_item || !image_data) return kNotFound;
  const PMRect picture = image_item->Bounds();

  if (type == FitType::kFrameToPictureHeight) {
    // The picture is moved up to the frame's top so that the frame shows all of it.
    PMRect moved{picture.left, bounds.top, picture.right, bounds.top + picture.Height()};
    if (ErrorCode e = SetImageBounds(doc, ref, moved); e != kSuccess) return e;
    return SetBounds(doc, ref,
                     {bounds.left, bounds.top, bounds.right, bounds.top + picture.Height()});
  }
  auto fitted = FittedPictureBounds(type, bounds, picture, image_data->NaturalWidth(),
                                    image_data->NaturalHeight(), width);
  if (!fitted) return kInvalidArgument;
  if (ErrorCode e = SetImageBounds(doc, ref, *fitted); e != kSuccess) return e;
  if (type == FitType::kPictureToWidth) return SetBounds(doc, ref, *fitted);
  return kSuccess;
}

}  // namespace tarvelin
