// The LP reader on files large enough that their objective terms, constraints
// and bounds are read a block at a time, each in parts on several threads:
// whatever form the statements take and however blocks and parts cut them,
// the model (or the failure, at its line) is the one the parser gives reading
// a statement at a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <zlib.h>

#include "harness.h"
#include "postsolve/error.h"
#include "postsolve/model.h"
#include "readers.h"
#include "same_model.h"

namespace postsolve::modelfile {
namespace {

constexpr Reading kOneByOne{false}, kSmallBlocks{true, 300, 2000};

// A file of `count` statements in each section, of many forms: objective
// lines of terms (constants and repeated columns among them), rows named and
// unnamed, ranges either way, equalities, signs repeated, exponents, "=<" and
// "=>", terms over several lines, comments and blank lines between; bounds of
// every form, on columns of the rows and on new ones, one over two lines.
std::string Text(int count) {
  std::string text = "\\ Problem name: big\nMaximize\n obj: 3 x0";
  for (int i = 1; i < count; ++i) {
    text += i % 4 == 0 ? "\n" : " ";
    text += (i % 3 ? "+ " : "- ") + (i % 5 ? std::to_string(i % 7 + 1) + " " : std::string()) + "x" +
            std::to_string(i % 1500);
    if (i % 97 == 0) text += " + 5";  // a constant
  }
  text += "\nSubject To\n";
  for (int i = 0; i < count; ++i) {
    const std::string x = "x" + std::to_string(i % 997), y = "y" + std::to_string((i * 7) % 1009);
    text += i % 5 == 3 ? " " : " c" + std::to_string(i) + ": ";
    switch (i % 6) {
      case 0: text += "2.5 " + x + " - 1e-3 " + y + " >= -" + std::to_string(i); break;
      case 1: text += "-" + std::to_string(i) + " <= " + x + " + " + y + "\n + 3 z" + std::to_string(i % 13) + " <= 40"; break;
      case 2: text += "- - " + x + "\n\n \\ a comment\n - 0.5E+2 " + y + " = 7"; break;
      case 3: text += "4 " + x + " + " + y + " =< 1.5"; break;
      case 4: text += "9 >= " + y + " \\ a range\n - " + x + " >= -9"; break;
      default: text += "1 " + x + " + 2 " + y + " + 3 " + x + " => 0"; break;
    }
    text += "\n";
  }
  text += "Bounds\n";
  for (int i = 0; i < count; ++i) {
    const std::string x = (i % 11 == 10 ? "w" : "x") + std::to_string(i % 1700);
    switch (i % 7) {
      case 0: text += " 0 <= " + x + " <= " + std::to_string(i % 50 + 1); break;
      case 1: text += " " + x + " free"; break;
      case 2: text += " " + x + " >= -inf"; break;
      case 3: text += " -" + std::to_string(i % 9) + " <= " + x + "\n <= 1e3"; break;
      case 4: text += " " + x + " = 2.5"; break;
      case 5: text += " 4 >= " + x + " >= -4 \\ both sides"; break;
      default: text += " -inf <= " + x; break;
    }
    text += "\n";
  }
  return text + "End\n";
}

Model Read(const TempDir& dir, const std::string& text, const Reading& reading = kLpReading) {
  dir.Write("big.lp", text);
  return ReadLp(dir.File("big.lp"), reading);
}

// The failure reading `file` as it is (gzipped, say), or "read".
std::string FailureOf(const std::string& file, const Reading& reading = kLpReading) {
  try {
    ReadLp(file, reading);
  } catch (const Error& e) {
    return e.what();
  }
  return "read";
}

// The failure's message (without the scratch directory), or "read".
std::string Failure(const TempDir& dir, const std::string& text, const Reading& reading = kLpReading) {
  try {
    Read(dir, text, reading);
  } catch (const Error& e) {
    return std::string(e.what()).substr(dir.path().size() + 1);
  }
  return "read";
}

// The failure reading `text` one statement at a time, which reading it ahead
// (in the default blocks and in small ones) gives as well.
std::string FailureEveryWay(const TempDir& dir, const std::string& text) {
  const std::string slow = Failure(dir, text, kOneByOne);
  EXPECT_EQ(Failure(dir, text), slow);
  EXPECT_EQ(Failure(dir, text, kSmallBlocks), slow);
  return slow;
}

TEST(LpBlocks, StatementsReadAsTheParserReadsThemOneByOne) {
  TempDir dir;
  const std::string text = Text(30'000);
  ASSERT_GT(text.size(), std::size_t{1} << 20);  // many blocks of many parts
  const Model slow = Read(dir, text, kOneByOne);
  ASSERT_EQ(slow.rows(), 30'000);
  ExpectSameModel(Read(dir, text), slow, "read ahead");
  ExpectSameModel(Read(dir, text, kSmallBlocks), slow, "read ahead in small blocks");
  // Unnamed rows take the names after the named ones' (R1, R2, ...).
  EXPECT_EQ(slow.rowNames[3], "R1");
  EXPECT_EQ(slow.rowNames[8], "R2");
}

TEST(LpBlocks, AFaultFarIntoTheFileFailsAtItsLine) {
  TempDir dir;
  const std::string text = Text(20'000);
  // Each fault replaces a line far into its section (the reason, where given,
  // is checked too).
  const std::size_t rows = text.find("\nSubject To"), bounds = text.find("\nBounds");
  const std::size_t term = text.rfind("\n+ ", rows - 300) + 1, row = text.find("\n c15000: ") + 1,
                    bound = text.rfind("\n 0 <= ", text.size() - 300) + 1;
  struct Fault {
    std::size_t line;
    std::string with, reason;
  };
  const std::vector<Fault> faults = {
      {term, "+ 4 x19 x1", "no operator between \"x19\" and \"x1\""},
      {term, "- 1e999999 x19", "the coefficient of \"x19\" is infinite"},
      {term, "+ 2 x19 + [ x1 ^ 2 ]", ""},
      {row, " c7: x1 >= 2", "a second constraint named \"c7\""},
      {row, " c15000: y\x01 + x1 >= 2", "\"y?\" holds character 0x01, which the LP format does not allow in a name"},
      {row, " c15000: x1 >= inf", "the right-hand side inf cannot be met"},
      {row, " c15000: 1 <= x45 >= 3", "a ranged constraint takes two \"<=\" or two \">=\", not \"<=\" and \">=\""},
      {row, " c15000: 2.5 x45 + 2 >= 1", "a constant \"2\" among a constraint's terms: only its right-hand side may be a number"},
      {row, " c15000: x45 + bounds >= 1", ""},
      {bound, " 0 <= x1190 >= 1", "a bound on both sides takes two \"<=\" or two \">=\", not \"<=\" and \">=\""},
      {bound, " x1191 <= -inf", ""},
      {bound, " x1191 <= 1e3x", ""},
      {bound, " 2 <= x1191 <=", ""},
  };
  ASSERT_TRUE(term < rows && row > rows && row < bounds && bound > bounds);
  for (const Fault& fault : faults) {
    const std::size_t end = text.find('\n', fault.line);
    const std::string bad = text.substr(0, fault.line) + fault.with + text.substr(end);
    const std::string slow = FailureEveryWay(dir, bad);
    const long line = std::count(text.begin(), text.begin() + static_cast<long>(fault.line), '\n') + 1;
    if (!fault.reason.empty()) {
      EXPECT_EQ(slow, "big.lp:" + std::to_string(line) + ": " + fault.reason);
    }
    EXPECT_NE(slow, "read") << fault.with;
  }
}

TEST(LpBlocks, StatementsLeftToTheParserAndFilesThatEndInsideOne) {
  TempDir dir;
  std::string text = Text(10'000);
  const auto same = [&](const std::string& file) {
    if (FailureEveryWay(dir, file) == "read") ExpectSameModel(Read(dir, file), Read(dir, file, kOneByOne), file.substr(file.size() - 40));
  };
  // Two rows on a line, and two bounds, which the parser reads; the lines
  // after them are read ahead again.
  const std::size_t row = text.find("\n c6000: "), bound = text.rfind("\n x1191 free");
  std::string two = text;
  two.insert(bound, "\n x1 <= 3 x2 <= 4");
  two.insert(row, "\n c_a: x1 >= 2 c_b: y1 <= 3");
  const Model both = Read(dir, two);
  EXPECT_EQ(both.rows(), 10'002);
  EXPECT_EQ(both.rowNames[6001], "c_b");
  same(two);
  // No End and no final '\n'; the file ending inside a row, a bound, the objective.
  text = text.substr(0, text.rfind("End"));
  same(text);
  text.pop_back();
  same(text);
  same(text + "\n 0 <= x1 <=");
  same(text.substr(0, text.find("Bounds")) + " c_last: x1 + y1");
  same(text.substr(0, text.find("\nSubject To")) + "\n + 2");
  // A gzipped file cut short fails at the line it stops in, after the whole
  // lines before it are read.
  const std::string gz = dir.File("cut.lp.gz");
  gzFile out = gzopen(gz.c_str(), "wb");
  gzwrite(out, text.data(), static_cast<unsigned>(text.size()));
  gzclose(out);
  std::string packed = ReadFile(gz);
  dir.Write("cut.lp.gz", packed.substr(0, packed.size() * 2 / 3));
  const std::string slow = FailureOf(gz, kOneByOne);
  EXPECT_NE(slow.find("cannot decompress"), std::string::npos) << slow;
  EXPECT_EQ(FailureOf(gz), slow);
  EXPECT_EQ(FailureOf(gz, kSmallBlocks), slow);
}

}  // namespace
}  // namespace postsolve::modelfile
