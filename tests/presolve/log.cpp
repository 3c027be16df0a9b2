// The log as a whole: its records read back, pack to the same bytes, come in
// the order the replay expects and as counted.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "kit.h"
#include "postsolve/logwriter.h"
#include "presolve_helpers.h"

using namespace presolve_test;

TEST(PresolveLog, OnlyNoneLogsTheModelUnreduced) {
  const Model model = ReadModel(kSamples + "afiro.mps");
  const PresolveResult result = Presolve(model, NoReduction());  // no reduction kind
  LoggedProblem logged;
  const CaseFiles files{SolutionBytes(0, model.cols(), model.rows(), std::vector<double>(model.cols()),
                                      std::vector<double>(model.rows()), std::vector<double>(model.cols())),
                        result.stk, result.bin};
  CollectSolution(files, &logged);
  EXPECT_EQ(logged.cost, model.cost);
  EXPECT_EQ(logged.clo, model.clo);
  std::ostringstream summary;
  kit::Summary(files, summary);
  EXPECT_NE(summary.str().find(", 4 records"), std::string::npos) << summary.str();
  EXPECT_EQ(result.reduced.value, model.value);
  EXPECT_EQ(result.reduced.rowNames, model.rowNames);
}

TEST(PresolveLog, EveryRecordReadsBackAndPacksToTheSameBytes) {
  for (const std::string& path : kModels) {
    const PresolveResult result = Presolve(ReadModel(path), {});
    const CaseFiles files{SolutionBytes(0, 0, 0, {}, {}, {}), result.stk,
                          result.bin};
    std::ostringstream text;
    kit::Dump(files, text);  // throws at a record that does not read as its kind
    const CaseFiles packed = ParseCase(text.str());
    EXPECT_EQ(packed.bin, result.bin) << path;
    EXPECT_EQ(packed.stk, result.stk) << path;
    // In file order: HEADER, MATRIX, the reductions as counted, then the maps
    // (which the replay takes first).
    std::vector<std::string> kinds;
    std::istringstream lines(text.str());
    for (std::string line; std::getline(lines, line);)
      if (line.rfind("# record ", 0) == 0) kinds.push_back(line.substr(line.rfind(": ") + 2));
    ASSERT_GE(kinds.size(), 4u) << path;
    EXPECT_EQ(kinds[0], "HEADER");
    EXPECT_EQ(kinds[1], "MATRIX");
    EXPECT_EQ(kinds[kinds.size() - 2], "COLMAP");
    EXPECT_EQ(kinds.back(), "ROWMAP");
    for (Reduction k : kReductionKinds)
      EXPECT_EQ(std::count(kinds.begin(), kinds.end(), ReductionName(k)), result.count(k)) << path;
  }
}

TEST(PresolveLog, TheWriterCountsEachRecordByCodeButNotOneItRefuses) {
  LogWriter log;
  EXPECT_THROW(log.NullRow(0), Error);  // the Header must come first
  EXPECT_EQ(log.count(AsInt(Reduction::NULROW)), 0);
  log.Header("t", {0}, {1}, "R", {0}, {1}, {"r"}, {"c"});
  log.Matrix({1}, {0, 1}, {0}, {1.0});
  log.NullRow(0);
  log.NullRow(0);
  log.FixedColumn(0, 0, 1, {{0, 1.0}});
  EXPECT_EQ(log.count(AsInt(RecordCode::HEADER)), 1);
  EXPECT_EQ(log.count(AsInt(RecordCode::MATRIX)), 1);
  EXPECT_EQ(log.count(AsInt(Reduction::NULROW)), 2);
  EXPECT_EQ(log.count(AsInt(Reduction::FIXCOL)), 1);
  EXPECT_EQ(log.count(AsInt(Reduction::DOMCOL)), 0);
  EXPECT_EQ(log.count(-1), 0);
  EXPECT_EQ(log.count(kRecordCodes), 0);
  // the presolver's counts are the writer's, the records around the reductions too
  const PresolveResult result = Presolve(ReadModel(kSamples + "brandy.mps"), {});
  for (RecordCode code : {RecordCode::HEADER, RecordCode::MATRIX, RecordCode::COLMAP, RecordCode::ROWMAP})
    EXPECT_EQ(result.counts[static_cast<std::size_t>(AsInt(code))], 1) << CodeName(AsInt(code));
}

// Each pass, duplicate search and the final shifts are timed, with the
// reductions each made: together, every reduction.
TEST(PresolveLog, ThePartsAreTimedWithTheReductionsEachMade) {
  const PresolveResult result = Presolve(ReadModel("/usr/share/coin/Data/Sample/finnis.mps"));
  std::vector<std::string> names;
  long made = 0, total = 0;
  for (const PhaseTiming& part : result.passes) {
    names.push_back(part.name.substr(0, part.name.find(" (")));
    if (part.name.find('(') != std::string::npos) made += std::stol(part.name.substr(part.name.find('(') + 1));
    EXPECT_GE(part.wall, 0);
    EXPECT_GE(part.cpu, 0);
  }
  ASSERT_GE(names.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 3),
            (std::vector<std::string>{"model checks", "working copy", "pass 1"}));
  EXPECT_EQ(std::vector<std::string>(names.end() - 3, names.end()),
            (std::vector<std::string>{"bound shifts", "reduced LP", "log header and matrix"}));
  for (Reduction k : kReductionKinds) total += result.count(k);
  EXPECT_EQ(made, total);
}
