#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <random>
#include <string>

#include "pdf/pdf_syntax.h"

namespace tarvelin::pdf {
namespace {

// The exact conversion, trimmed as page content wants it.
std::string Exact(double v, int decimals) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  std::string s(buf, end);
  if (decimals > 0) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s == "-0" ? "0" : s;
}

TEST(PdfSyntaxTest, NumbersAreThoseOfTheExactConversion) {
  std::vector<double> values = {0,     -0.0,    0.5,      1.5,      2.5,         -2.5,
                                0.125, 0.03125, -0.03125, 12.34565, 0.000049999, 1e7,
                                -1e7,  3.4e-5,  0.1,      0.7,      1234567.891, 0.015625};
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> any(-2e4, 2e4);
  std::uniform_int_distribution<int> steps(-2'000'000, 2'000'000);
  for (int i = 0; i < 20000; ++i) {
    values.push_back(any(random));
    values.push_back(steps(random) / 64.0);    // layout positions
    values.push_back(steps(random) / 1000.0);  // values with ties in the last decimal
  }
  for (double v : values) {
    for (int decimals = 0; decimals <= 6; ++decimals) {
      std::string got;
      AppendNumber(got, v, decimals);
      ASSERT_EQ(got, Exact(v, decimals)) << v << " with " << decimals << " decimals";
    }
  }
}

}  // namespace
}  // namespace tarvelin::pdf
