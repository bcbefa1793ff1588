#include "host/application/layout_service.h"

#include <algorithm>
#include <cmath>

#include "host/documents/document.h"
#include "host/documents/page_item.h"

namespace tarvelin {

std::optional<double> UniformColumnWidth(const std::vector<ColumnFrame>& columns) {
  if (columns.empty()) return std::nullopt;
  const double first = columns.front().bounds.Width();
  const bool uniform = std::all_of(columns.begin(), columns.end(), [&](const ColumnFrame& c) {
    return std::fabs(c.bounds.Width() - first) < 1e-6;
  });
  return uniform ? std::optional<double>(first) : std::nullopt;
}

std::optional<double> WidthOfColumnHolding(const std::vector<ColumnFrame>& columns, int32_t index) {
  const int32_t column = ColumnHoldingIndex(columns, index);
  if (column < 0) return std::nullopt;
  return columns[static_cast<size_t>(column)].bounds.Width();
}

std::optional<double> LayoutService::ColumnWidthAt(Document& doc, UID story, int32_t index) {
  const std::vector<ColumnFrame> list = StoryFrameList(doc, story);
  if (list.empty()) return std::nullopt;
  if (auto width = UniformColumnWidth(list)) return width;
  Compose(doc);
  return WidthOfColumnHolding(StoryFrameList(doc, story), index);
}

}  // namespace tarvelin
