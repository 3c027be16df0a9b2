// postsolve-kit presolve and run end to end.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "kit.h"
#include "presolve_helpers.h"

using namespace presolve_test;

TEST(PresolveCommand, OnlyNoneAndSkipThroughTheCommand) {
  TempDir scratch;
  const RunResult none =
      RunProgram(KIT_EXE, scratch, {"presolve", kSamples + "p0201.mps", scratch.File("none"), "--only", "none"});
  ASSERT_EQ(none.status, 0) << none.err;
  const Model model = ReadModel(kSamples + "p0201.mps");
  const Model reduced = ReadModel(scratch.File("none/reduced.mps"));
  EXPECT_EQ(reduced.colNames, model.colNames);
  EXPECT_EQ(reduced.rowNames, model.rowNames);
  EXPECT_EQ(reduced.index, model.index);
  EXPECT_EQ(reduced.value, model.value);
  EXPECT_EQ(reduced.rup, model.rup);
  EXPECT_NE(none.out.find("after:  133 rows, 201 columns"), std::string::npos) << none.out;
  const RunResult skip =
      RunProgram(KIT_EXE, scratch, {"presolve", kSamples + "p0201.mps", scratch.File("skip"), "--skip", "DUPCOL"});
  ASSERT_EQ(skip.status, 0) << skip.err;
  EXPECT_NE(skip.out.find("DUPCOL 0\n"), std::string::npos) << skip.out;
  const RunResult all = RunProgram(KIT_EXE, scratch, {"presolve", kSamples + "p0201.mps", scratch.File("all")});
  EXPECT_NE(all.out.find("DUPCOL 18\n"), std::string::npos) << all.out;
}

TEST(PresolveCommand, RunOnEverySampleAndThePostsolveProgramGivesTheSameReport) {
  TempDir scratch;
  for (std::size_t q = 0; q < kModels.size(); ++q) {
    const std::string dir = scratch.File("run" + std::to_string(q));
    const RunResult run = RunProgram(KIT_EXE, scratch, {"run", kModels[q], dir});
    ASSERT_EQ(run.status, 0) << kModels[q] << "\n" << run.out << run.err;
    EXPECT_NE(run.out.find("all measures within their tolerances"), std::string::npos) << run.out;
    const std::string report = run.out.substr(run.out.find("postsolve: report ") + 18);
    const std::string reportPath = report.substr(0, report.find('\n'));
    const std::string written = ReadFile(reportPath);
    std::filesystem::remove(reportPath);
    ASSERT_EQ(RunPostsolve(dir).status, 0) << kModels[q];
    EXPECT_EQ(ReadFile(reportPath), written) << kModels[q];
  }
}

TEST(PresolveCommand, WhatTheLogCannotCarryIsKeptBeside) {
  TempDir scratch;
  scratch.Write("long.mps", "NAME          A_NAME_LONGER_THAN_THE_LOG_KEEPS\nOBJSENSE\n    MAX\nROWS\n N  obj\n"
                            " L  r\n L  s\nCOLUMNS\n    x  obj  1  r  1\n    x  s  3\n    y  obj  1  r  2\n"
                            "    y  s  1\nRHS\n    rhs  obj  -5  r  4\n    rhs  s  6\nENDATA\n");
  const RunResult run = RunProgram(KIT_EXE, scratch, {"run", scratch.File("long.mps"), scratch.File("out")});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("a maximisation"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("objective, maximised, constant 5: 7.8"), std::string::npos) << run.out;
  EXPECT_TRUE(scratch.Exists("out/A_NAME_LONGER_THAN_.rpt"));
  const std::string problem = ReadFile(scratch.File("out/problem.json"));
  for (const char* kept : {"\"name\": \"A_NAME_LONGER_THAN_THE_LOG_KEEPS\"", "\"log_name\": \"A_NAME_LONGER_THAN_\"",
                           "\"objective_constant\": 5", "\"maximise\": true"})
    EXPECT_NE(problem.find(kept), std::string::npos) << kept << " not in " << problem;
}

TEST(PresolveCommand, AnInfeasibleModelLeavesNoDirectory) {
  TempDir scratch;
  scratch.Write("bad.lp", "Minimize\n obj: x\nSubject To\n r: 0 x >= 1\nEnd\n");
  const RunResult run = RunProgram(KIT_EXE, scratch, {"presolve", scratch.File("bad.lp"), scratch.File("out")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(CountLines(run.err), 1) << run.err;
  EXPECT_FALSE(std::filesystem::exists(scratch.File("out")));
  const RunResult unknown = RunProgram(KIT_EXE, scratch, {"presolve", scratch.File("bad.lp"), "--only", "NOPE"});
  EXPECT_EQ(unknown.status, kit::kUsage);
  EXPECT_NE(unknown.err.find("NOPE"), std::string::npos);
}
