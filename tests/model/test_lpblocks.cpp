// The LP reader on files large enough that their constraints are read a block
// at a time, each in parts on several threads: the rows come out as the
// parser reads them one by one, whatever form they take and however the
// blocks and parts cut them, and a fault far into the file fails at its line.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness.h"
#include "postsolve/error.h"
#include "postsolve/model.h"
#include "readers.h"
#include "same_model.h"

namespace postsolve::modelfile {
namespace {

// Rows of many forms, each as its first token (`head`) and the rest: named
// and unnamed, ranges either way, equalities, signs repeated, exponents,
// "=<" and "=>", terms over several lines, comments and blank lines between.
struct Rows {
  std::vector<std::string> heads, rests;

  explicit Rows(int count) {
    for (int i = 0; i < count; ++i) {
      const std::string x = "x" + std::to_string(i % 997), y = "y" + std::to_string((i * 7) % 1009);
      std::string row = i % 5 == 3 ? "" : "c" + std::to_string(i) + ": ";
      switch (i % 6) {
        case 0: row += "2.5 " + x + " - 1e-3 " + y + " >= -" + std::to_string(i); break;
        case 1: row += "-" + std::to_string(i) + " <= " + x + " + " + y + "\n + 3 z" + std::to_string(i % 13) + " <= 40"; break;
        case 2: row += "- - " + x + "\n\n \\ a comment\n - 0.5E+2 " + y + " = 7"; break;
        case 3: row += "4 " + x + " + " + y + " =< 1.5"; break;
        case 4: row += "9 >= " + y + " \\ a range\n - " + x + " >= -9"; break;
        default: row += "1 " + x + " + 2 " + y + " + 3 " + x + " => 0"; break;
      }
      const std::size_t blank = row.find(' ');
      heads.push_back(row.substr(0, blank));
      rests.push_back(row.substr(blank));
    }
  }

  // The file, each row on lines of its own, or (`joined`) each row's head at
  // the end of the line before it, so that no row starts a line.
  std::string Text(bool joined) const {
    std::string text = "\\ Problem name: big\nMinimize\n obj: x0 + y0\nSubject To\n";
    for (std::size_t i = 0; i < heads.size(); ++i) {
      if (joined) text += heads[i] + "\n" + rests[i] + " ";
      else text += " " + heads[i] + rests[i] + "\n";
    }
    return text + "\nBounds\n x0 <= 4\nEnd\n";
  }
};

Model Read(const TempDir& dir, const std::string& text, const std::string& file) {
  dir.Write(file, text);
  return ReadLp(dir.File(file));
}

std::string Failure(const TempDir& dir, const std::string& text) {
  try {
    Read(dir, text, "bad.lp");
  } catch (const Error& e) {
    return std::string(e.what()).substr(dir.path().size() + 1);
  }
  return "read";
}

TEST(LpBlocks, RowsReadAsTheParserReadsThemOneByOne) {
  TempDir dir;
  const Rows rows(60'000);
  const std::string ahead = rows.Text(false);
  ASSERT_GT(ahead.size(), std::size_t{2} << 20);  // many blocks of many parts
  const Model fast = Read(dir, ahead, "a.lp"), slow = Read(dir, rows.Text(true), "a.lp");
  ASSERT_EQ(fast.rows(), 60'000);
  ExpectSameModel(fast, slow, "rows read ahead against rows read one by one");
  // Unnamed rows take the names after the named ones' (R1, R2, ...).
  EXPECT_EQ(fast.rowNames[3], "R1");
  EXPECT_EQ(fast.rowNames[8], "R2");
  // c1: -1 <= x1 + y7 + 3 z1 <= 40
  EXPECT_EQ(fast.rlo[1], -1);
  EXPECT_EQ(fast.rup[1], 40);
}

TEST(LpBlocks, AFaultFarIntoTheFileFailsAtItsLine) {
  TempDir dir;
  const Rows rows(40'000);
  std::string text = rows.Text(false);
  const std::string row = " " + rows.heads[30'000] + rows.rests[30'000];  // one line
  const std::size_t at = text.find("\n" + row + "\n") + 1;
  ASSERT_NE(at, std::string::npos + 1);
  const long line = std::count(text.begin(), text.begin() + static_cast<long>(at), '\n') + 1;
  const auto with = [&](const std::string& other) { return text.substr(0, at) + other + text.substr(at + row.size()); };
  const std::string where = "bad.lp:" + std::to_string(line) + ": ";
  EXPECT_EQ(Failure(dir, with(" c7: x1 >= 2")), where + "a second constraint named \"c7\"");
  EXPECT_EQ(Failure(dir, with(" c30000: x1 + y\x01 >= 2")),
            where + "\"y?\" holds character 0x01, which the LP format does not allow in a name");
  EXPECT_EQ(Failure(dir, with(" c30000: x1 >= inf")), where + "the right-hand side inf cannot be met");
  EXPECT_EQ(Failure(dir, with(" c30000: 1 <= x1 >= 2")),
            where + "a ranged constraint takes two \"<=\" or two \">=\", not \"<=\" and \">=\"");
  EXPECT_EQ(Failure(dir, with(" c30000: x1 + 2 >= 2")),
            where + "a constant \"2\" among a constraint's terms: only its right-hand side may be a number");
  // A row the blocks leave to the parser, and rows read ahead again after it.
  const Model two = Read(dir, with(" c30000: x1 >= 2 c30000b: y1 <= 3"), "two.lp");
  EXPECT_EQ(two.rows(), 40'001);
  EXPECT_EQ(two.rowNames[30'001], "c30000b");
  EXPECT_EQ(two.rowNames[40'000], "c39999");
}

TEST(LpBlocks, AFileThatEndsInsideARowOrWithoutItsLastLineBreak) {
  TempDir dir;
  const Rows rows(20'000);
  std::string text = rows.Text(false);
  text = text.substr(0, text.find("\nBounds"));
  ASSERT_EQ(text.back(), '\n');
  text.pop_back();
  EXPECT_EQ(Read(dir, text, "open.lp").rows(), 20'000);  // no End, no final '\n'
  const std::string cut = text + "\n c_last: x1 + y1";
  EXPECT_EQ(Failure(dir, cut), "bad.lp:" + std::to_string(std::count(cut.begin(), cut.end(), '\n') + 1) +
                                   ": expected an operator or a comparison after \"y1\", found the end of the file");
}

}  // namespace
}  // namespace postsolve::modelfile
