#include <gtest/gtest.h>

#include "bench/report.h"

namespace eracuni::bench {
namespace {

TEST(FiguresTest, RoundTripAndIgnoreOtherLines) {
  Figures f = {{"run_seconds", 1.25}, {"xml_bytes", 123456789}};
  Figures back = ParseFigures(FormatFigures(f) + "noise\n=3\nlines=abc\nlines=4x\n");
  EXPECT_EQ(back, f);
}

Figures Size(double invoices, double run, double plain_write, double read, double plain_read,
             double peak_mib) {
  return {{fig::kInvoices, invoices},       {fig::kRunSeconds, run},
          {fig::kPlainWriteSeconds, plain_write}, {fig::kOpenSeconds, read / 2},
          {fig::kSyncedOnceWriteSeconds, 2 * plain_write},
          {fig::kWalkSeconds, read / 2},    {fig::kPlainReadSeconds, plain_read},
          {fig::kPeakBytes, peak_mib * 1024 * 1024}};
}

Figures Writer(double lines, double peak_mib) {
  return {{fig::kLines, lines}, {fig::kPeakBytes, peak_mib * 1024 * 1024}};
}

std::vector<bool> Met(const std::vector<Verdict>& verdicts) {
  std::vector<bool> met;
  for (const Verdict& v : verdicts) met.push_back(v.met);
  return met;
}

TEST(JudgeTest, TargetsAtTheirLimitsAreMet) {
  // write ratio 3 (1.5 against one sync), read ratio 3, 63 MiB, 1.2x per invoice, +1 MiB
  // over the lines
  std::vector<Figures> sizes = {Size(1000, 3, 1, 0.3, 0.1, 10), Size(20000, 72, 24, 6, 2, 63)};
  EXPECT_EQ(Met(Judge(sizes, {Writer(100, 6), Writer(10000, 7)})),
            (std::vector<bool>{true, true, true, true, true, true}));
}

TEST(JudgeTest, WorstSizeDecidesAndEachTargetFailsOnItsOwn) {
  std::vector<Figures> sizes = {Size(1000, 3.1, 1, 0.31, 0.1, 10), Size(20000, 75, 24, 6, 2, 64)};
  EXPECT_EQ(Met(Judge(sizes, {Writer(100, 6), Writer(10000, 7.5)})),
            (std::vector<bool>{false, false, false, false, false, false}));
}

TEST(JudgeTest, MissingMeasurementsAreNotMet) {
  for (const Verdict& v : Judge({}, {})) EXPECT_FALSE(v.met) << v.target;
  std::vector<Figures> no_baseline = {{{fig::kInvoices, 1000}, {fig::kRunSeconds, 1}}};
  EXPECT_FALSE(Judge(no_baseline, {})[0].met);
  EXPECT_FALSE(Judge(no_baseline, {})[1].met);
}

TEST(ReportTest, NamesEveryTargetAndWarnsOfMessages) {
  Figures size = Size(1000, 3, 1, 0.3, 0.1, 10);
  size[fig::kMessages] = 2;
  std::string report = FormatReport("test machine", {size}, {Writer(100, 6)});
  EXPECT_NE(report.find("machine: test machine"), std::string::npos);
  EXPECT_NE(report.find("NOT MET  cost per invoice"), std::string::npos);
  EXPECT_NE(report.find("showed 2 messages"), std::string::npos);
}

TEST(ReportTest, RowShowsRatesAndRatiosOfItsSize) {
  Figures f = Size(1000, 2, 1, 0.5, 0.25, 12);
  f[fig::kHeaders] = 1000;
  f[fig::kLines] = 25000;
  f[fig::kXmlBytes] = 50e6;
  std::string report = FormatReport("m", {f}, {});
  // 26,000 records in 0.5 s, ratio 2.00; 500 invoices/s, 25.0 MB/s, ratio 2.00, 2000 us each
  EXPECT_NE(report.find("    1000      52000"), std::string::npos) << report;
  EXPECT_NE(report.find("  2.00"), std::string::npos) << report;
  EXPECT_NE(report.find("      500    25.0"), std::string::npos) << report;
  EXPECT_NE(report.find("    2000    12.0"), std::string::npos) << report;
}

}  // namespace
}  // namespace eracuni::bench
