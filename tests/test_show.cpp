// show: the picture of a log tells what the log holds.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "harness.h"
#include "kit.h"
#include "records.h"

namespace postsolve {
namespace {

TEST(Show, TheLegendCountsWhatTheLogHoldsAndThePictureIsWholeSvg) {
  TempDir scratch;
  for (const char* name : {"tests/lp/afiro-all-kinds", "tests/lp/brandy", "tests/lp/finnis"}) {
    SCOPED_TRACE(name);
    const std::string dir = std::string(SOURCE_DIR) + "/" + name;
    std::ostringstream ignored;
    const kit::Census census = kit::Dump(dir, ignored);
    const kit::ShowSummary drawn = kit::Show(dir, scratch.File("p.svg"), 64);
    EXPECT_EQ(drawn.rows, census.m);
    EXPECT_EQ(drawn.cols, census.n);
    EXPECT_EQ(drawn.entries, census.entries);
    EXPECT_EQ(drawn.rowsAfter, census.nr);
    EXPECT_EQ(drawn.colsAfter, census.nc);
    for (const auto& [code, kind] : census.kinds) {
      if (code == AsInt(RecordCode::HEADER) || code == AsInt(RecordCode::MATRIX) ||
          code == AsInt(RecordCode::COLMAP) || code == AsInt(RecordCode::ROWMAP))
        continue;
      EXPECT_EQ(drawn.records.at(CodeName(code)), kind.count) << CodeName(code);
    }
    const std::string svg = ReadFile(scratch.File("p.svg"));
    EXPECT_TRUE(svg.starts_with("<?xml")) << svg.substr(0, 40);
    EXPECT_TRUE(svg.ends_with("</svg>\n"));
  }
}

TEST(Show, ADamagedLogFailsWithoutAPicture) {
  TempDir scratch;
  CaseFiles files = kit::LoadDir(std::string(SOURCE_DIR) + "/tests/lp/brandy");
  files.bin.resize(files.bin.size() / 2);
  WriteCaseFiles(files, scratch.path());
  EXPECT_THROW(kit::Show(scratch.path(), scratch.File("p.svg")), Error);
  EXPECT_FALSE(std::filesystem::exists(scratch.File("p.svg")));
  EXPECT_THROW(kit::Show(std::string(SOURCE_DIR) + "/tests/lp/brandy", scratch.File("p.svg"), 8), Error);
}

}  // namespace
}  // namespace postsolve
