// The MPS reader: each reading rule on a small file made for it, the
// refusals word for word, and the sample models against CoinMpsIO's reading.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

#include <coin/CoinMpsIO.hpp>
#include <coin/CoinPackedMatrix.hpp>
#include <zlib.h>

#include "harness.h"
#include "modeltext.h"
#include "mps_reading.h"
#include "same_model.h"
#include "postsolve/error.h"
#include "postsolve/model.h"
#include "readers.h"
#include "records.h"

namespace postsolve::modelfile {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
using Doubles = std::vector<double>;
using Names = std::vector<std::string>;

TEST(MpsRows, SensesRangesRightHandSidesAndTheObjective) {
  TempDir dir;
  const Model m = Read(dir, "rows.mps",
                       "* a comment\n"
                       "NAME demo problem\n"  // the first word is the name
                       "OBJSENSE MAX\n"
                       "OBJNAME obj\n"
                       "ROWS\n"
                       " N spare\n"  // OBJNAME names the objective, so this N row is a free row
                       " N obj\n"
                       " E up $ a comment\n E down\n E flat\n L le\n G ge\n E plain\n"
                       "COLUMNS\n"
                       " x obj 1 up 1\r\n x down 1 flat 1\n\tx\tle 1 ge 1\n x plain 1 spare 3\n"
                       "RHS\n"
                       " rhs obj 2.5 up 1\n"
                       " down 2 flat 3\n"  // no set name: the set read
                       " rhs le 4 ge 5 $ both\n rhs spare 9\n"
                       " other plain 100\n"  // a second set: ignored
                       "RANGES\n"
                       " rng up 2 down -2\n rng flat 0 le -3\n rng ge 3 spare 1\n"
                       "ENDATA\n"
                       "anything after ENDATA\n",
                       ModelFormat::Mps);
  EXPECT_EQ(m.name, "demo");
  EXPECT_TRUE(m.maximise);
  EXPECT_EQ(m.objOffset, -2.5);
  EXPECT_EQ(m.rowNames, (Names{"spare", "up", "down", "flat", "le", "ge", "plain"}));
  EXPECT_EQ(m.rlo, (Doubles{-kInf, 1, 0, 3, 1, 5, 0}));
  EXPECT_EQ(m.rup, (Doubles{kInf, 3, 2, 3, 4, 8, 0}));
  EXPECT_EQ(m.cost, Doubles{1});
  EXPECT_EQ(m.index, (std::vector<int>{1, 2, 3, 4, 5, 6, 0}));
  EXPECT_TRUE(HasNote(m, "1 N row besides the objective kept as free rows"));
  EXPECT_TRUE(HasNote(m, "2 RHS or RANGES values on N rows ignored"));
  EXPECT_TRUE(HasNote(m, "1 line of RHS sets after the first ignored"));

  // OBJSENSE with the sense on the next line; no RHS on the objective: +0.
  const Model min = Read(dir, "min.mps", "NAME\nOBJSENSE\n    MINIMIZE\nOBJNAME\n    c\nROWS\n N c\n"
                                         "COLUMNS\n x c 1\nRHS\n r c 0\nENDATA\n");
  EXPECT_FALSE(min.maximise);
  EXPECT_EQ(min.name, "");
  EXPECT_EQ(min.objOffset, 0);
  EXPECT_FALSE(std::signbit(min.objOffset));
  const Model max = Read(dir, "max.mps", "OBJSENSE\nMAX\nROWS\n N c\nCOLUMNS\n x c 1\nENDATA\n");
  EXPECT_TRUE(max.maximise);
  EXPECT_FALSE(std::signbit(max.objOffset));
}

TEST(MpsColumns, MarkersDuplicatesZerosAndColumnsWithoutEntries) {
  TempDir dir;
  const Model m = Read(dir, "cols.mps",
                       "NAME cols FREE\nROWS\n N obj\n L r\n L s\nCOLUMNS\n"
                       " M1 'MARKER' 'INTORG'\n"
                       " x obj 1 r 2\n x r 3 s 0\n x obj 1\n"  // (r, x) and the cost twice; an explicit zero
                       " M2 'MARKER' 'INTEND'\n"
                       " RHS obj 5\n"  // a column called RHS, only a cost
                       " y s 1 r -1\n y r 1\n"  // summed to zero: dropped
                       "RHS\n rhs r 1\nENDATA\n");
  EXPECT_EQ(m.colNames, (Names{"x", "RHS", "y"}));
  EXPECT_EQ(m.cost, (Doubles{2, 5, 0}));
  EXPECT_EQ(m.start, (std::vector<int>{0, 1, 1, 2}));
  EXPECT_EQ(m.index, (std::vector<int>{0, 1}));
  EXPECT_EQ(m.value, (Doubles{5, 1}));
  EXPECT_EQ(m.clo, (Doubles{0, 0, 0}));
  EXPECT_EQ(m.cup, (Doubles{kInf, kInf, kInf}));
  EXPECT_TRUE(HasNote(m, "1 integer column read as continuous: the LP relaxation (integer columns without "
                         "bounds keep [0, +inf))"));
  EXPECT_TRUE(HasNote(m, "3 repeated entries of the same row and column summed"));

  EXPECT_EQ(Refusal(dir, "ROWS\n N c\nCOLUMNS\n x c 1\n y c 1\n x c 2\nENDATA\n"),
            ":6: column \"x\" has entries again after other columns: a column's entries must be together");
}

TEST(MpsBounds, EveryTypeTheNegativeUpperRuleAndTheFirstSet) {
  TempDir dir;
  const Model m = Read(dir, "bounds.mps",
                       "NAME b FREE\nROWS\n N obj\nCOLUMNS\n"
                       " up obj 1\n neg obj 1\n neglo obj 1\n lo obj 1\n fx obj 1\n fr obj 1\n mi obj 1\n"
                       " pl obj 1\n bv obj 1\n li obj 1\n ui obj 1\n sc obj 1\n sc0 obj 1\n si obj 1\n big obj 1\n"
                       " a obj 1\n"
                       "BOUNDS\n"
                       " UP BND up 4\n"
                       " UP neg -2\n"  // no set name, the value after the column
                       " LO BND neglo -5\n UP BND neglo -2\n"
                       " LO BND lo -3\n FX BND fx 2.5\n FR BND fr\n MI mi\n UP BND pl 3\n PL BND pl\n"
                       " BV BND bv\n LI BND li -4\n UI BND ui 9\n SC BND sc 7\n LO BND sc 2\n SC BND sc0 0\n"
                       " SI BND si 3\n UP BND big 1e30\n LO BND big -1e31\n"
                       " FR BND1 a\n"  // a second set: ignored
                       "ENDATA\n");
  EXPECT_EQ(m.clo, (Doubles{0, -kInf, -5, -3, 2.5, -kInf, -kInf, 0, 0, -4, 0, 0, 0, 0, -kInf, 0}));
  EXPECT_EQ(m.cup, (Doubles{4, -2, -2, kInf, 2.5, kInf, kInf, kInf, 1, kInf, 9, 7, kInf, 3, kInf, kInf}));
  EXPECT_TRUE(HasNote(m, "1 column with a negative UP bound and no lower bound given read with lower bound -inf "
                         "(the first: \"neg\")"));
  EXPECT_TRUE(HasNote(m, "4 integer columns read as continuous"));
  EXPECT_TRUE(HasNote(m, "3 semi-continuous columns (SC or SI) relaxed to [min(0, lower), upper]"));
  EXPECT_TRUE(HasNote(m, "1 line of BOUNDS sets after the first ignored"));

  // Names starting with '$' where every line has a name; -0 read as 0, as a writer leaving 0 out reads back.
  const Model z = Read(dir, "z.mps", "ROWS\n N obj\n E $r\nCOLUMNS\n $x $r 1\nRHS\n rhs $r -0\n"
                                     "BOUNDS\n LO BND $x -0\n UP BND $x 4 $ a comment\nENDATA\n");
  EXPECT_EQ(z.colNames, Names{"$x"});
  EXPECT_EQ(z.cup, Doubles{4});
  EXPECT_FALSE(std::signbit(z.clo[0]));
  EXPECT_FALSE(std::signbit(z.rlo[0]) || std::signbit(z.rup[0]));
}

// What `glpsol --wfreemps` writes: bounds with the set name BND1, markers named M..., names with brackets.
TEST(MpsFormats, GlpsolFreeMpsShape) {
  TempDir dir;
  const Model m = Read(dir, "glpsol.mps",
                       "* Problem:    shape\n*\nNAME shape\nROWS\n N cost\n L c[1]\n G c[2]\nCOLUMNS\n"
                       " M0000001 'MARKER' 'INTORG'\n z c[1] 1\n M0000002 'MARKER' 'INTEND'\n"
                       " x[a,b] cost 0.225 c[1] 1\n x[a,b] c[2] 1\n y c[2] -1\n"
                       "RHS\n RHS1 c[1] 350 c[2] -7\n"
                       "BOUNDS\n FR BND1 x[a,b]\n MI BND1 y\n UP BND1 y 4\n BV BND1 z\nENDATA\n");
  EXPECT_EQ(m.colNames, (Names{"z", "x[a,b]", "y"}));
  EXPECT_EQ(m.clo, (Doubles{0, -kInf, -kInf}));
  EXPECT_EQ(m.cup, (Doubles{1, kInf, 4}));
  EXPECT_EQ(m.rlo, (Doubles{-kInf, -7}));
  EXPECT_EQ(m.rup, (Doubles{350, kInf}));
}

// A fixed-MPS line: each field at its column (2, 5, 15, 25, 40, 50), trailing blanks left off.
std::string Card(std::string_view type, std::string_view name = "", std::string_view name2 = "",
                 std::string_view number = "", std::string_view name3 = "", std::string_view number2 = "") {
  std::string line;
  const std::pair<std::size_t, std::string_view> fields[] = {{2, type},  {5, name},   {15, name2},
                                                              {25, number}, {40, name3}, {50, number2}};
  for (const auto& [column, text] : fields)
    if (!text.empty()) {
      line.resize(column - 1, ' ');
      line += text;
    }
  return line + "\n";
}

TEST(MpsFormats, FixedColumnsNamesWithBlanksCommentsAndDetection) {
  // Fields at columns 2-3, 5-12, 15-22, 25-36, 40-47, 50-61; a blank column name continues the column.
  const std::string fixed = "NAME          FIXED ONE\nROWS\n" + Card("N", "COST", "$ the objective") +
                            Card("L", "MY ROW") + Card("G", " R2") /* a column late */ + "COLUMNS\n" +
                            Card("", "COL A", "COST", "1.5", "MY ROW", "2.0") +
                            Card("", "", "R2", "1.0", "$ a comment in field 5", "7") +
                            Card("", "B", "MY ROW", "-1.0") + "RHS\n" +
                            Card("", "RHS", "MY ROW", "4.0", "R2", "1.0") + "BOUNDS\n" +
                            Card("UP", "BND", "COL A", "3.0") + "ENDATA\n";
  TempDir dir;
  for (const ModelFormat format : {ModelFormat::FixedMps, ModelFormat::Mps}) {
    const Model m = Read(dir, "fixed.mps", fixed, format);
    EXPECT_EQ(m.name, "FIXED");
    EXPECT_EQ(m.rowNames, (Names{"MY ROW", "R2"}));
    EXPECT_EQ(m.colNames, (Names{"COL A", "B"}));
    EXPECT_EQ(m.cost, (Doubles{1.5, 0}));
    EXPECT_EQ(m.start, (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(m.value, (Doubles{2, 1, -1}));
    EXPECT_EQ(m.rup, (Doubles{4, kInf}));
    EXPECT_EQ(m.cup, (Doubles{3, kInf}));
  }
  // Forced free, the same file does not read; a FREE name line forces free too.
  EXPECT_EQ(Refusal(dir, fixed, ModelFormat::FreeMps), ":4: a ROWS line is a row type and a row name");
  EXPECT_EQ(Refusal(dir, "NAME x FREE\nROWS\n N  COST\n L  MY ROW\nENDATA\n"),
            ":4: a ROWS line is a row type and a row name");
  // Free MPS with names longer than fixed fields reads as free.
  const Model free = Read(dir, "free.mps", "NAME\nROWS\n N objective_row\n L a_long_row_name\nCOLUMNS\n"
                                           " a_long_column_name a_long_row_name 1 objective_row 2\nENDATA\n");
  EXPECT_EQ(free.colNames, Names{"a_long_column_name"});
  EXPECT_EQ(free.cost, Doubles{2});
}

// COLUMNS lines are taken in batches from the buffered part of the file: a
// long file whose lines turn fixed far in, with markers, comments and blank
// lines among them, reads as line by line, and a refusal names its line.
TEST(MpsFormats, ManyColumnLinesReadAsOneByOneWhereverTheFormatTurns) {
  constexpr int kColumns = 5000, kTurn = 3000, kBad = 4000;
  const auto file = [&](bool bad, long& badLine) {
    std::string text = "NAME          BATCHES\nROWS\n" + Card("N", "COST");
    for (int i = 0; i < 7; ++i) text += Card("L", "R" + std::to_string(i));
    text += "COLUMNS\n";
    long line = 12;  // the first COLUMNS line
    for (int j = 0; j < kColumns; ++j) {
      if (j == 1000) text += Card("", "M", "'MARKER'", "", "'INTORG'"), ++line;
      if (j == 1010) text += Card("", "M", "'MARKER'", "", "'INTEND'"), ++line;
      if (j % 97 == 0) text += "* a comment\n\n", line += 2;
      const std::string column = (j == kTurn ? "C " : "C") + std::to_string(j);
      const std::string row = bad && j == kBad ? "NOPE" : "R" + std::to_string(j % 7);
      text += Card("", column, row, std::to_string(j) + ".5");
      if (j == kBad) badLine = line;
      ++line;
    }
    return text + "ENDATA\n";
  };
  TempDir dir;
  long badLine = 0;
  const Model m = Read(dir, "batches.mps", file(false, badLine));
  ASSERT_EQ(m.cols(), kColumns);
  EXPECT_EQ(m.colNames[kTurn], "C " + std::to_string(kTurn));
  EXPECT_TRUE(HasNote(m, "10 integer columns"));
  for (int j = 0; j < kColumns; ++j) {
    ASSERT_EQ(m.start[static_cast<std::size_t>(j) + 1], j + 1) << j;
    ASSERT_EQ(m.index[static_cast<std::size_t>(j)], j % 7) << j;
    ASSERT_EQ(m.value[static_cast<std::size_t>(j)], j + 0.5) << j;
  }
  EXPECT_EQ(Refusal(dir, file(true, badLine)), ":" + std::to_string(badLine) + ": row \"NOPE\" of column \"C" +
                                                   std::to_string(kBad) + "\" is not in ROWS");
}

TEST(MpsFormats, GzipLongLinesAndLongNames) {
  TempDir dir;
  const std::string name(1 << 20, 'n');
  const std::string text = "NAME\nROWS\n N obj\n L " + name + "\nCOLUMNS\n x obj 1 " + name + " 2\n" +
                           " y obj 1" + std::string(20'000'000, ' ') + "\nRHS\n rhs " + name + " 3\nENDATA\n";
  gzFile gz = gzopen(dir.File("long.mps.gz").c_str(), "wb");
  gzwrite(gz, text.data(), static_cast<unsigned>(text.size()));
  gzclose(gz);
  const Model m = ReadMps(dir.File("long.mps.gz"), ModelFormat::Mps);
  EXPECT_EQ(m.rowNames, Names{name});
  EXPECT_EQ(m.rup, Doubles{3});
  EXPECT_EQ(m.cost, (Doubles{1, 1}));
  // A long name in a message is clipped.
  EXPECT_EQ(Refusal(dir, "ROWS\n N obj\nCOLUMNS\n x " + name + " 1\nENDATA\n"),
            ":4: row \"" + name.substr(0, 40) + "\"... of column \"x\" is not in ROWS");
}

TEST(MpsWrite, ManyColumnsComeBackInOrderAndAFailureNamesItsColumn) {
  // enough columns for the matrix to be written in runs, in parallel
  Model m;
  m.path = "many";
  m.name = "many";
  m.rowNames = {"r0", "r1", "r2"};
  m.rlo = {-kInf, 1, 0};
  m.rup = {10, kInf, 0};
  m.start = {0};
  for (int j = 0; j < 30000; ++j) {
    m.colNames.push_back("c" + std::to_string(j));
    m.cost.push_back(j % 7 == 0 ? 0 : 1.0 / (j + 1));
    m.clo.push_back(0);
    m.cup.push_back(j % 3 == 0 ? kInf : j);
    for (int i = 0; i < 3; ++i)
      if ((j + i) % 4 != 0) {
        m.index.push_back(i);
        m.value.push_back((j + 1) * (i + 1) / 3.0);
      }
    m.start.push_back(static_cast<int>(m.index.size()));
  }
  const TempDir dir;
  ExpectSameModel(Read(dir, "many.mps", MpsText(m, false)), m, "many.mps");
  m.value[static_cast<std::size_t>(m.start[25000])] = std::nan("");
  try {
    MpsText(m, false);
    ADD_FAILURE() << "a NaN entry was written";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("the entry of column c25000 in row"), std::string::npos) << e.what();
  }
}

// The objective row takes a name no row has, whatever order the rows that
// could clash come in (a fuzzed file had "obj_" before "obj").
TEST(MpsWrite, TheObjectiveRowTakesANameNoRowHas) {
  for (const Names& rows : {Names{"obj_", "obj"}, Names{"obj", "obj__", "obj_"}, Names{"obj", "objx", "obj_x"}}) {
    Model m;
    m.path = m.name = "clash";
    m.rowNames = rows;
    m.rlo.assign(rows.size(), 0);
    m.rup.assign(rows.size(), kInf);
    m.colNames = {"x"};
    m.cost = {2};
    m.clo = {0};
    m.cup = {kInf};
    m.start = {0};
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
      m.index.push_back(i);
      m.value.push_back(i + 1.0);
    }
    m.start.push_back(static_cast<int>(m.index.size()));
    const TempDir dir;
    for (const bool fixed : {false, true}) ExpectSameModel(Read(dir, "clash.mps", MpsText(m, fixed)), m, rows[0]);
  }
}

TEST(MpsRefusals, OneLineNamingTheFileTheLineAndTheReason) {
  TempDir dir;
  const std::string head = "NAME\nROWS\n N obj\n L r\nCOLUMNS\n";
  EXPECT_EQ(Refusal(dir, head + " x r NaN\nENDATA\n"),
            ":6: \"NaN\" is NaN, not a number, for the coefficient of column \"x\" in row \"r\"");
  EXPECT_EQ(Refusal(dir, head + " x obj 1.5.2\nENDATA\n"), ":6: \"1.5.2\" is not a number, for the cost of column \"x\"");
  EXPECT_EQ(Refusal(dir, head + " x r -1e30\nENDATA\n"),
            ":6: \"-1e30\" is infinite, for the coefficient of column \"x\" in row \"r\"");
  EXPECT_EQ(Refusal(dir, head + " x r 1 q 2\nENDATA\n"), ":6: row \"q\" of column \"x\" is not in ROWS");
  EXPECT_EQ(Refusal(dir, head + " x r 1\nRHS\n rhs q 2\nENDATA\n"), ":8: row \"q\" of the right-hand side is not in ROWS");
  EXPECT_EQ(Refusal(dir, head + " x r 1\nBOUNDS\n UP b y 2\nENDATA\n"),
            ":8: column \"y\" of the bound is not in COLUMNS");
  EXPECT_EQ(Refusal(dir, head + " x r 1\nBOUNDS\n XX b x 2\nENDATA\n"), ":8: \"XX\" is not a bound type");
  EXPECT_EQ(Refusal(dir, head + " x r 1\nBOUNDS\n LO b x 1e30\nENDATA\n"),
            ":8: the LO bound of column \"x\" leaves it no finite value");
  EXPECT_EQ(Refusal(dir, "ROWS\n N obj\n L r\n G r\nENDATA\n"), ":4: row \"r\" is declared twice");
  EXPECT_EQ(Refusal(dir, "ROWS\n L r\n N o\n G o\nENDATA\n"), ":4: row \"o\" is declared twice");
  EXPECT_EQ(Refusal(dir, "ROWS\n L r\n N r\nENDATA\n"), ":3: row \"r\" is declared twice");
  EXPECT_EQ(Refusal(dir, "ROWS\n L r\nROWS\n N r\nENDATA\n"), ":4: row \"r\" is declared twice");
  EXPECT_EQ(Refusal(dir, "ROWS\n N obj\n X r\nENDATA\n"), ":3: \"X\" is not a row type (N, E, L or G)");
  EXPECT_EQ(Refusal(dir, head + " x r 1\nQUADOBJ\n x x 1\nENDATA\n"),
            ":7: QUADOBJ section: only linear programs are read");
  EXPECT_EQ(Refusal(dir, head + " x r 1\nINDICATORS\nENDATA\n"), ":7: INDICATORS section: only linear programs are read");
  EXPECT_EQ(Refusal(dir, head + " x r 1\nLAZYCONS\nENDATA\n"), ":7: unknown section \"LAZYCONS\"");
  EXPECT_EQ(Refusal(dir, head + " x r 1\n"), ":6: no ENDATA line: the MPS file is incomplete");
  EXPECT_EQ(Refusal(dir, ""), ": no ENDATA line: the MPS file is incomplete");
  EXPECT_EQ(Refusal(dir, " x r 1\nENDATA\n"), ":1: a data line outside any section");
  EXPECT_EQ(Refusal(dir, "OBJSENSE\n    UP\nENDATA\n"), ":2: \"UP\" is not an objective sense (MAX or MIN)");
  EXPECT_EQ(Refusal(dir, head + " M 'MARKER' 'SOSORG'\nENDATA\n"),
            ":6: \"'SOSORG'\" is not a marker this reader knows ('INTORG' or 'INTEND')");
  EXPECT_EQ(Refusal(dir, "ROWS\n N obj\n E r\nRHS\n rhs r 1e30\nENDATA\n"),
            ": the right-hand side and range of row \"r\" leave it no finite side to hold");
  EXPECT_EQ(Refusal(dir, "OBJNAME\n c\nROWS\n N obj\nENDATA\n"),
            ":5: the objective row \"c\" named by OBJNAME is not in ROWS");
  try {
    ReadMps(dir.File("none.mps"), ModelFormat::Mps);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), dir.File("none.mps") + ": cannot open: No such file or directory");
  }
}

// ---- the samples ----

// CoinMpsIO's reading of a file, in the model's shape: bounds at 1e30 or beyond infinite.
bool CoinReading(const std::string& path, Model& model, std::vector<char>& integer) {
  CoinMpsIO io;
  io.messageHandler()->setLogLevel(0);
  if (io.readMps(path.c_str(), "") != 0) return false;
  const int m = io.getNumRows(), n = io.getNumCols();
  for (int i = 0; i < m; ++i) {
    model.rowNames.emplace_back(io.rowName(i));
    model.rlo.push_back(UnloggedBound(io.getRowLower()[i]));
    model.rup.push_back(UnloggedBound(io.getRowUpper()[i]));
  }
  const CoinPackedMatrix& a = *io.getMatrixByCol();
  for (int j = 0; j < n; ++j) {
    model.colNames.emplace_back(io.columnName(j));
    model.clo.push_back(UnloggedBound(io.getColLower()[j]));
    model.cup.push_back(UnloggedBound(io.getColUpper()[j]));
    model.cost.push_back(io.getObjCoefficients()[j]);
    integer.push_back(io.isInteger(j));
    for (CoinBigIndex k = a.getVectorStarts()[j]; k < a.getVectorStarts()[j] + a.getVectorLengths()[j]; ++k) {
      model.index.push_back(a.getIndices()[k]);
      model.value.push_back(a.getElements()[k]);
    }
    model.start.push_back(static_cast<int>(model.index.size()));
  }
  model.objOffset = 0.0 - io.objectiveOffset();
  model.name = io.getProblemName();
  return true;
}

// The same double, or one at most two steps away: CoinMpsIO's decimal
// conversion can miss the correctly rounded value by a bit or two.
bool SameNumber(double ours, double coin) {
  if (ours == coin || (std::isnan(ours) && std::isnan(coin))) return ours == coin || std::isnan(ours);
  return std::nextafter(std::nextafter(coin, ours), ours) == ours || std::nextafter(coin, ours) == ours;
}

testing::AssertionResult SameNumbers(const char* what, const Doubles& ours, const Doubles& coin) {
  if (ours.size() != coin.size())
    return testing::AssertionFailure() << what << ": " << ours.size() << " values, CoinMpsIO " << coin.size();
  for (std::size_t k = 0; k < ours.size(); ++k)
    if (!SameNumber(ours[k], coin[k]))
      return testing::AssertionFailure() << what << "[" << k << "]: " << ours[k] << ", CoinMpsIO " << coin[k];
  return testing::AssertionSuccess();
}

TEST(MpsSamples, EverySampleReadsAsCoinMpsIoReadsIt) {
  int compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/usr/share/coin/Data/Sample")) {
    const std::string path = entry.path().string();
    if (!path.ends_with(".mps")) continue;
    Model coin;
    std::vector<char> integer;
    if (!CoinReading(path, coin, integer)) continue;
    Model ours;
    try {
      ours = ReadMps(path, ModelFormat::Mps);
    } catch (const Error& e) {
      // Only what a linear reader refuses.
      EXPECT_NE(std::string(e.what()).find("only linear programs are read"), std::string::npos) << e.what();
      continue;
    }
    ++compared;
    SCOPED_TRACE(path);
    EXPECT_EQ(ours.name, coin.name);
    EXPECT_EQ(ours.rowNames, coin.rowNames);
    EXPECT_EQ(ours.colNames, coin.colNames);
    EXPECT_EQ(ours.start, coin.start);
    EXPECT_EQ(ours.index, coin.index);
    // An integer column without bounds: [0, +inf) here, [0, 1] in CoinMpsIO.
    for (std::size_t j = 0; j < integer.size() && j < ours.cup.size(); ++j)
      if (integer[j] && coin.cup[j] == 1 && ours.cup[j] == kInf) coin.cup[j] = kInf;
    EXPECT_TRUE(SameNumbers("rlo", ours.rlo, coin.rlo));
    EXPECT_TRUE(SameNumbers("rup", ours.rup, coin.rup));
    EXPECT_TRUE(SameNumbers("clo", ours.clo, coin.clo));
    EXPECT_TRUE(SameNumbers("cup", ours.cup, coin.cup));
    EXPECT_TRUE(SameNumbers("cost", ours.cost, coin.cost));
    EXPECT_TRUE(SameNumbers("value", ours.value, coin.value));
    EXPECT_TRUE(SameNumber(ours.objOffset, coin.objOffset));
    EXPECT_EQ(std::signbit(ours.objOffset), std::signbit(coin.objOffset));
  }
  EXPECT_GE(compared, 20);
}

// Fixed MPS with '$' comments and blank column fields; the sizes their headers give
// (rows with the objective, non-zeros with the costs).
TEST(MpsSamples, GlpkExamplesReadWithTheirComments) {
  const std::string examples = "/usr/share/doc/glpk-utils/examples/";
  struct Size {
    const char* name;
    int rows, cols;
    long nonzeros;
  };
  for (const Size& s : {Size{"alloy", 22, 20, 203}, Size{"furnace", 18, 18, 90}, Size{"icecream", 17, 27, 264},
                        Size{"plan", 8, 7, 48}}) {
    const Model m = ReadMps(examples + s.name + ".mps", ModelFormat::Mps);
    EXPECT_EQ(m.rows() + 1, s.rows) << s.name;
    EXPECT_EQ(m.cols(), s.cols) << s.name;
    EXPECT_EQ(static_cast<long>(m.value.size()) + std::count_if(m.cost.begin(), m.cost.end(), [](double c) { return c != 0; }),
              s.nonzeros)
        << s.name;
  }
}

}  // namespace
}  // namespace postsolve::modelfile
