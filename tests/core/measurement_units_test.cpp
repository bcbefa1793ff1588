#include "core/measurement_units.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/diagnostics.h"

namespace tarvelin {
namespace {

constexpr double kMm = 72.0 / 25.4;

TEST(MeasurementUnitsTest, ConvertsEveryUnitToPoints) {
  struct Case {
    std::u16string_view text;
    double points;
  };
  const Case cases[] = {
      {u"12", 12},        {u"12pt", 12},     {u" 12 PT ", 12},
      {u"-3.5", -3.5},    {u"+2", 2},        {u"\u22122", -2},  // minus sign
      {u".5", 0.5},       {u"5.", 5},        {u"1,5", 1.5},
      {u"1p6", 18},       {u"p6", 6},        {u"2p", 24},
      {u"1.5p", 18},      {u"-1p6", -18},    {u"2 picas", 24},
      {u"1in", 72},       {u"0.5 inch", 36}, {u"2\"", 144},
      {u"1i", 72},        {u"25.4mm", 72},   {u"10 MM", 10 * kMm},
      {u"2.54cm", 72},    {u"1c", 12.78788}, {u"1c6", 12.78788 * 1.5},
      {u"c12", 12.78788}, {u"2ag", 10.28},   {u"10px", 10},
      {u"4q", kMm},       {u"4h", kMm},      {u"8ha", 2 * kMm},
  };
  for (const Case& c : cases) {
    bool error = true;
    float v = MeasurementToPoints(c.text, &error);
    EXPECT_FALSE(error) << testing::PrintToString(std::u16string(c.text));
    EXPECT_NEAR(v, c.points, 1e-3 * std::max(1.0, std::fabs(c.points)))
        << testing::PrintToString(std::u16string(c.text));
  }
}

TEST(MeasurementUnitsTest, TextNoUnitAcceptsGivesZeroAndTheErrorFlag) {
  const std::u16string_view bad[] = {
      u"",           u"  ",   u"abc",
      u"12furlongs", u"1p6p", u"1..2",
      u"--1",        u"p",    u"1 2",
      u"mm",         u"1e5",  u"1c6x",
      u"2 m m",      u"1p 6", u"999999999999999999999999999999999999999999999999999"};
  for (std::u16string_view text : bad) {
    bool error = false;
    EXPECT_EQ(MeasurementToPoints(text, &error), 0.0f)
        << testing::PrintToString(std::u16string(text));
    EXPECT_TRUE(error) << testing::PrintToString(std::u16string(text));
  }
  // Longer than any number we read, and larger than a float holds.
  std::u16string huge(100, u'9');
  bool error = false;
  EXPECT_EQ(MeasurementToPoints(huge, &error), 0.0f);
  EXPECT_TRUE(error);
  std::u16string big = std::u16string(50, u'9') + u"in";
  EXPECT_EQ(MeasurementToPoints(big, &error), 0.0f);
  EXPECT_TRUE(error);
}

TEST(MeasurementUnitsTest, PointsAreTriedFirstAndEachTriedUnitIsNamed) {
  ASSERT_FALSE(MeasurementUnits().empty());
  EXPECT_EQ(MeasurementUnits().front().Name(), "Points");
  {
    diag::Capture capture;
    MeasurementToPoints(u"7");
    EXPECT_EQ(capture.Text(), "Points\n");
  }
  diag::Capture capture;
  MeasurementToPoints(u"1in");
  EXPECT_EQ(capture.Text(), "Points\nPicas\nInches\n");
}

}  // namespace
}  // namespace tarvelin
