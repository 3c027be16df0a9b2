// The MPS reader on files large enough to be read in many blocks, each in
// parts on several threads: every section read as its lines say, failures at
// the line they are in, set names wherever the lines of another set start,
// each the same read a line at a time and in small blocks; and the word
// splitting the blocks use, against the plain one.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "harness.h"
#include "mps_reading.h"
#include "mpslines.h"
#include "postsolve/error.h"
#include "postsolve/model.h"
#include "readers.h"
#include "same_model.h"

namespace postsolve::modelfile {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// A free MPS model of some megabytes, as lines (line k is lines[k - 1]), with
// what it holds: rows R<i> of types L, G, E in turn, columns C<j> with a cost
// and three entries, right-hand sides, a range on every tenth row, a bound of
// one of five kinds on every column.
struct Large {
  static constexpr int kRows = 40'000, kColumns = 80'000;
  std::vector<std::string> lines;
  Model want;
  long columnsLine = 0, rhsLine = 0, boundsLine = 0;  // their section lines

  Large() {
    lines = {"NAME LARGE FREE", "ROWS", " N obj"};
    want.name = "LARGE";
    for (int i = 0; i < kRows; ++i) {
      lines.push_back(std::string(" ") + "LGE"[i % 3] + " R" + std::to_string(i));
      want.rowNames.push_back("R" + std::to_string(i));
    }
    lines.push_back("COLUMNS");
    columnsLine = static_cast<long>(lines.size());
    want.start = {0};
    for (int j = 0; j < kColumns; ++j) {
      const std::string c = " C" + std::to_string(j);
      want.colNames.push_back(c.substr(1));
      want.cost.push_back(j % 13 - 6);
      const int rows[3] = {j * 7 % kRows, (j * 7 + 1) % kRows, (j * 7 + 5) % kRows};
      const double values[3] = {j % 17 + 0.25, -(j % 5) - 0.5, j % 11 + 1.0};
      lines.push_back(c + " obj " + std::to_string(j % 13 - 6) + " R" + std::to_string(rows[0]) + " " +
                      std::to_string(values[0]));
      lines.push_back(c + " R" + std::to_string(rows[1]) + " " + std::to_string(values[1]) + " R" +
                      std::to_string(rows[2]) + " " + std::to_string(values[2]));
      for (int k = 0; k < 3; ++k) {
        want.index.push_back(rows[k]);
        want.value.push_back(values[k]);
      }
      want.start.push_back(static_cast<int>(want.index.size()));
    }
    lines.push_back("RHS");
    rhsLine = static_cast<long>(lines.size());
    std::vector<double> rhs(kRows);
    for (int i = 0; i < kRows; ++i) {
      rhs[static_cast<std::size_t>(i)] = i % 50 - 25;
      lines.push_back(" rhs R" + std::to_string(i) + " " + std::to_string(i % 50 - 25));
    }
    lines.push_back("RANGES");
    for (int i = 0; i < kRows; i += 10) lines.push_back(" rng R" + std::to_string(i) + " " + std::to_string(i % 7 + 1));
    for (int i = 0; i < kRows; ++i) {
      const double r = rhs[static_cast<std::size_t>(i)], range = i % 10 == 0 ? i % 7 + 1 : 0;
      switch (i % 3) {
        case 0: want.rlo.push_back(range != 0 ? r - range : -kInf), want.rup.push_back(r); break;
        case 1: want.rlo.push_back(r), want.rup.push_back(range != 0 ? r + range : kInf); break;
        default: want.rlo.push_back(r), want.rup.push_back(r + range); break;
      }
    }
    lines.push_back("BOUNDS");
    boundsLine = static_cast<long>(lines.size());
    for (int j = 0; j < kColumns; ++j) {
      const std::string c = " C" + std::to_string(j);
      double lo = 0, up = kInf;
      switch (j % 5) {
        case 0: lines.push_back(" UP bnd" + c + " " + std::to_string(j % 9 + 1)), up = j % 9 + 1; break;
        case 1: lines.push_back(" LO bnd" + c + " " + std::to_string(-(j % 3))), lo = -(j % 3) + 0.0; break;
        case 2: lines.push_back(" FR bnd" + c), lo = -kInf; break;
        case 3: lines.push_back(" FX bnd" + c + " 2.5"), lo = up = 2.5; break;
        default: lines.push_back(" MI bnd" + c), lo = -kInf; break;
      }
      want.clo.push_back(lo);
      want.cup.push_back(up);
    }
    lines.push_back("ENDATA");
  }

  std::string Text(const std::string& end = "\n") const {
    std::string text;
    for (const std::string& line : lines) text += line + end;
    return text;
  }
};

const Large& TheLarge() {
  static const Large large;
  return large;
}

constexpr Reading kOneByOne{false}, kSmallBlocks{true, 300, 2000};

Model ReadText(const TempDir& dir, const std::string& text, const Reading& reading = kMpsReading) {
  return Read(dir, "large.mps", text, ModelFormat::Mps, reading);
}

// The model of `text` read in blocks, which reading it a line at a time and
// in small blocks gives as well, notes included.
Model ReadEveryWay(const TempDir& dir, const std::string& text, const std::string& what) {
  const Model slow = ReadText(dir, text, kOneByOne);
  for (const Reading& reading : {kMpsReading, kSmallBlocks}) {
    const Model m = ReadText(dir, text, reading);
    ExpectSameModel(m, slow, what + ", in blocks of " + std::to_string(reading.block));
    EXPECT_EQ(m.notes, slow.notes) << what;
  }
  return slow;
}

// The failure reading `text` a line at a time, which reading it in blocks
// (the default and small ones) gives as well.
std::string RefusalEveryWay(const TempDir& dir, const std::string& text) {
  const std::string slow = Refusal(dir, text, ModelFormat::Mps, kOneByOne);
  EXPECT_EQ(Refusal(dir, text), slow);
  EXPECT_EQ(Refusal(dir, text, ModelFormat::Mps, kSmallBlocks), slow);
  return slow;
}

TEST(MpsBlocks, EverySectionReadsAsItsLinesSayWhateverTheLineEndingsAndComments) {
  const Large& large = TheLarge();
  TempDir dir;
  ExpectSameModel(ReadEveryWay(dir, large.Text(), "plain"), large.want, "plain");
  ExpectSameModel(ReadEveryWay(dir, large.Text("\r\n"), "CRLF"), large.want, "CRLF");
  // Comments, blank lines and markers every so often stop the blocks' lines
  // and are read on their own; the lines after them go on in blocks.
  std::string text;
  for (std::size_t k = 0; k < large.lines.size(); ++k) {
    const auto number = static_cast<long>(k) + 1;
    if (number > large.columnsLine + 1 && number < large.rhsLine && number % 997 == 0 && k % 2 == 0)
      text += "    MARKER                 'MARKER'                 'INTORG'\n"
              "    MARKER                 'MARKER'                 'INTEND'\n";
    if (k % 1009 == 0) text += "* a comment\n   \n\n";
    text += large.lines[k] + "\n";
  }
  const Model decorated = ReadEveryWay(dir, text, "comments and markers");
  ExpectSameModel(decorated, large.want, "comments and markers");
  EXPECT_FALSE(HasNote(decorated, "integer"));
}

TEST(MpsBlocks, AFailureDeepInALargeFileNamesItsLine) {
  const Large& large = TheLarge();
  TempDir dir;
  // The line `number` replaced.
  const auto with = [&](long number, const std::string& line) {
    Large copy = large;
    copy.lines[static_cast<std::size_t>(number) - 1] = line;
    return copy.Text();
  };
  const long column = large.columnsLine + 100'001, rhs = large.rhsLine + 30'000, bound = large.boundsLine + 60'000;
  EXPECT_EQ(RefusalEveryWay(dir, with(column, " C50000 NOPE 1")),
            ":" + std::to_string(column) + ": row \"NOPE\" of column \"C50000\" is not in ROWS");
  EXPECT_EQ(RefusalEveryWay(dir, with(column, " C50000 R3 1x")),
            ":" + std::to_string(column) +
                ": \"1x\" is not a number, for the coefficient of column \"C50000\" in row \"R3\"");
  EXPECT_EQ(RefusalEveryWay(dir, with(column, " C50000 R3 1 R4")),
            ":" + std::to_string(column) +
                ": a COLUMNS line is a column name and one or two pairs of row name and value");
  EXPECT_EQ(RefusalEveryWay(dir, with(column, " C7 R3 1")),
            ":" + std::to_string(column) +
                ": column \"C7\" has entries again after other columns: a column's entries must be together");
  EXPECT_EQ(RefusalEveryWay(dir, with(column, "FOO")), ":" + std::to_string(column) + ": unknown section \"FOO\"");
  EXPECT_EQ(RefusalEveryWay(dir, with(rhs, " rhs R5 nan")),
            ":" + std::to_string(rhs) + ": \"nan\" is NaN, not a number, for the right-hand side of row \"R5\"");
  // The columns go into their table while RHS is read: a column named twice
  // is still the fault told, before a later one.
  Large twice = large;
  twice.lines[static_cast<std::size_t>(column) - 1] = " C7 R3 1";
  twice.lines[static_cast<std::size_t>(rhs) - 1] = " rhs R5 nan";
  EXPECT_EQ(RefusalEveryWay(dir, twice.Text()),
            ":" + std::to_string(column) +
                ": column \"C7\" has entries again after other columns: a column's entries must be together");
  EXPECT_EQ(RefusalEveryWay(dir, with(bound, " UP bnd CNOPE 1")),
            ":" + std::to_string(bound) + ": column \"CNOPE\" of the bound is not in COLUMNS");
  // A file that ends without ENDATA fails at its last line, however it was read.
  EXPECT_EQ(RefusalEveryWay(dir, with(static_cast<long>(large.lines.size()), "* no end")),
            ":" + std::to_string(large.lines.size()) + ": no ENDATA line: the MPS file is incomplete");
  EXPECT_EQ(RefusalEveryWay(dir, with(30'000, " L R5")), ":30000: row \"R5\" is declared twice");
  EXPECT_EQ(RefusalEveryWay(dir, with(30'000, " L obj")), ":30000: row \"obj\" is declared twice");
}

TEST(MpsBlocks, ColumnsOfManyLinesReadAsTheirLinesSayAcrossParts) {
  // Columns of ten to thirteen lines, so that columns run across the parts
  // and blocks a file is read in: a cost given on two lines (summed), an
  // entry given again (summed) and one that sums to zero (dropped), among
  // lines whose entries are applied a part at a time.
  constexpr int kRows = 1000, kColumns = 20'000;
  std::string text = "NAME LONG FREE\nROWS\n N obj\n";
  Model want;
  want.name = "LONG";
  for (int i = 0; i < kRows; ++i) {
    text += " L R" + std::to_string(i) + "\n";
    want.rowNames.push_back("R" + std::to_string(i));
    want.rlo.push_back(-kInf);
    want.rup.push_back(0);
  }
  text += "COLUMNS\n";
  long repeats = 0;
  for (int j = 0; j < kColumns; ++j) {
    const std::string c = " C" + std::to_string(j) + " ";
    const auto row = [](int i) { return "R" + std::to_string(i % kRows); };
    text += c + row(j) + " 1.5\n" + c + "obj 2 " + row(j + 1) + " 2.5\n";
    for (int k = 0; k < 8; ++k) text += c + row(j + 10 + k) + " " + std::to_string(k + 1) + "\n";
    double cost = 2, first = 1.5, second = 2.5;
    if (j % 3 == 0) text += c + "obj 0.25\n", cost += 0.25, ++repeats;
    if (j % 5 == 0) text += c + row(j) + " -1.5\n", first += -1.5, ++repeats;
    if (j % 7 == 0) text += c + row(j + 1) + " 1\n", second += 1, ++repeats;
    want.colNames.push_back("C" + std::to_string(j));
    want.cost.push_back(cost);
    want.clo.push_back(0);
    want.cup.push_back(kInf);
    if (first != 0) want.index.push_back(j % kRows), want.value.push_back(first);
    want.index.push_back((j + 1) % kRows), want.value.push_back(second);
    for (int k = 0; k < 8; ++k) want.index.push_back((j + 10 + k) % kRows), want.value.push_back(k + 1);
    want.start.push_back(static_cast<int>(want.index.size()));
  }
  text += "ENDATA\n";
  TempDir dir;
  const Model m = ReadEveryWay(dir, text, "long columns");
  ExpectSameModel(m, want, "long columns");
  EXPECT_TRUE(HasNote(m, std::to_string(repeats) + " repeated entries of the same row and column summed"));
}

TEST(MpsBlocks, LinesOfALaterSetAreIgnoredWhereverTheyStand) {
  const Large& large = TheLarge();
  Large copy = large;
  // Lines of other sets among the first set's, after many blocks of them: not
  // read, whether they name rows and columns there are or not.
  for (long k = 1; k <= 500; ++k) {
    const std::string row = k % 2 == 0 ? "NOPE" : "R5", column = k % 2 == 0 ? "CNOPE" : "C5";
    copy.lines.insert(copy.lines.begin() + large.boundsLine + 70'000, " UP alt " + column + " " + std::to_string(k));
    copy.lines.insert(copy.lines.begin() + large.rhsLine + 35'000, " other " + row + " " + std::to_string(k));
  }
  TempDir dir;
  const Model m = ReadEveryWay(dir, copy.Text(), "other sets");
  ExpectSameModel(m, large.want, "other sets");
  EXPECT_TRUE(HasNote(m, "500 lines of RHS sets after the first ignored"));
  EXPECT_TRUE(HasNote(m, "500 lines of BOUNDS sets after the first ignored"));
}

TEST(MpsLines, AMappedSplitGivesThePlainSplitsWords) {
  std::mt19937 random(7);
  const std::string bytes = std::string(" \t\r\v\f  ab\x80\xff\x01-9.e") + '\0';
  std::string text;
  std::vector<std::pair<std::size_t, std::size_t>> lines;
  for (int k = 0; k < 20'000; ++k) {
    const std::size_t length = random() % (k % 10 == 0 ? 200 : 40), from = text.size();
    for (std::size_t i = 0; i < length; ++i) text += bytes[random() % bytes.size()];
    lines.emplace_back(from, text.size());
    text += '\n';
  }
  ByteMap map;
  map.Map(text);
  std::size_t at = 0;
  for (const auto& [from, to] : lines) {
    ASSERT_EQ(map.LineEnd(at), to);
    Words mapped, plain;
    map.Split(from, to, mapped);
    Split(std::string_view(text).substr(from, to - from), plain);
    ASSERT_EQ(mapped.count, plain.count) << from;
    for (std::size_t w = 0; w < std::min(plain.count, Words::kKept); ++w) ASSERT_EQ(mapped.at[w], plain.at[w]) << from;
    at = to + 1;
  }
  EXPECT_EQ(map.LineEnd(at), text.size());
}

}  // namespace
}  // namespace postsolve::modelfile
