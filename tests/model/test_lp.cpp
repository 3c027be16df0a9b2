// LP format: the reader's rules on small files made for each, its refusals,
// the writer's round trip, and the glpk examples as glpsol writes them, read
// and compared with CoinLpIO's reading.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <tuple>

#include <zlib.h>

#include <coin/CoinLpIO.hpp>
#include <coin/CoinMessageHandler.hpp>
#include <coin/CoinPackedMatrix.hpp>

#include "harness.h"
#include "modeltext.h"
#include "postsolve/model.h"
#include "readers.h"
#include "records.h"
#include "same_model.h"

namespace postsolve::modelfile {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

Model Lp(const TempDir& dir, const std::string& text, const std::string& file = "m.lp") {
  dir.Write(file, text);
  return ReadLp(dir.File(file));
}

// The one-line failure, with the scratch directory's path cut off.
std::string Refusal(const TempDir& dir, const std::string& text) {
  try {
    Lp(dir, text);
  } catch (const Error& e) {
    const std::string why = e.what();
    return why.starts_with(dir.path() + "/") ? why.substr(dir.path().size() + 1) : why;
  }
  return "read";
}

std::vector<double> Column(const Model& m, int j) {  // dense, by rows
  std::vector<double> col(static_cast<std::size_t>(m.rows()), 0);
  for (int k = m.start[j]; k < m.start[j + 1]; ++k) col[m.index[k]] = m.value[k];
  return col;
}

TEST(LpRead, SectionWordsInAnyCaseAndTheirShortForms) {
  TempDir dir;
  const Model want = Lp(dir, "Maximize\n obj: 2 x + 3 y\nSubject To\n c: x + y <= 4\nBounds\n y <= 3\n"
                             "Generals\n x\nBinaries\n z\nEnd\n");
  for (const char* text :
       {"MAXIMUM\n obj: 2 x + 3 y\nS.T.\n c: x + y <= 4\nBOUND\n y <= 3\nGEN\n x\nBIN\n z\n",
        "max obj: 2 x + 3 y st c: x + y <= 4 bounds y <= 3 integer x binary z end",
        "maximise\n obj: 2 x + 3 y\nsuch that\n c: x + y <= 4\nbounds\n y <= 3\nintegers\n x\nbinary\n z\nEND",
        "Maximise\n\\ a comment\n obj: 2 x \\ another\n + 3 y\nsubject   to c: x\n+ y\n<=\n4\nst.\nBounds y <= 3\n"
        "generals x\nbin z\nEnd\nwhatever follows End is not read [ ]"}) {
    const Model m = Lp(dir, text);
    EXPECT_TRUE(m.maximise) << text;
    EXPECT_EQ(m.colNames, want.colNames) << text;
    EXPECT_EQ(m.cost, want.cost) << text;
    EXPECT_EQ(m.cup, want.cup) << text;
    EXPECT_EQ(m.rup, want.rup) << text;
    EXPECT_EQ(m.value, want.value) << text;
    EXPECT_EQ(m.notes, want.notes) << text;
  }
  // Section words name rows where a name stands before ':'; "min" as a minimisation.
  const Model named = Lp(dir, "min\n end: x\nst\n end: x + y <= 3\n bounds: x >= 1\n st: y <= 2\nend");
  EXPECT_FALSE(named.maximise);
  EXPECT_EQ(named.rowNames, (std::vector<std::string>{"end", "bounds", "st"}));
  // and a row's name may start with a digit or a point where ':' follows at once
  const Model digits = Lp(dir, "min\n x\nst\n 1BAL: 2x + y >= 1\n ...010: 3 y <= 4\n 7: x <= 1\n");
  EXPECT_EQ(digits.rowNames, (std::vector<std::string>{"1BAL", "...010", "7"}));
  EXPECT_EQ(digits.value, (std::vector<double>{2, 1, 1, 3}));
  // semi-continuous over three tokens, and its short forms
  const Model semi = Lp(dir, "min\n x + y + z\nst\n x + y + z >= 1\nbounds\n 2 <= x <= 5\n -3 <= y <= -1\n"
                             "semi-continuous\n x\nSEMIS\n y\n");
  EXPECT_EQ(semi.clo, (std::vector<double>{0, -3, 0}));
  EXPECT_EQ(semi.cup, (std::vector<double>{5, 0, kInf}));
  EXPECT_EQ(semi.notes, std::vector<std::string>{"2 semi-continuous columns relaxed to [min(0, lower), max(0, upper)]"});
}

TEST(LpRead, ObjectiveSenseConstantAndRepeatedTerms) {
  TempDir dir;
  const Model m = Lp(dir, "\\ Problem name: plan B\nMaximize\n profit: 3 x + 2 y + 5 - x - 1.5\n - y + -2 z\nEnd\n");
  EXPECT_EQ(m.name, "plan B");
  EXPECT_TRUE(m.maximise);
  EXPECT_EQ(m.colNames, (std::vector<std::string>{"x", "y", "z"}));
  EXPECT_EQ(m.cost, (std::vector<double>{2, 1, -2}));
  EXPECT_EQ(m.objOffset, 3.5);  // as the file writes it, in the file's sense
  EXPECT_EQ(m.rows(), 0);
  // glpsol's header comment names the problem; no objective section is an objective of zero
  const Model empty = Lp(dir, "\\* Problem: cal *\\\n\n\\* WARNING: PROBLEM HAS NO ROWS/COLUMNS *\\\n\nEnd\n");
  EXPECT_EQ(empty.name, "cal");
  EXPECT_EQ(empty.cols(), 0);
  EXPECT_FALSE(empty.maximise);
  // "2x" is 2 x; "-0" keeps its sign as a cost
  const Model tight = Lp(dir, "min\n 2x - 0 y + 1e-3z + 2e1 w\nst\n x + y + z + w >= 1\n");
  EXPECT_EQ(tight.cost, (std::vector<double>{2, 0, 1e-3, 20}));
  EXPECT_TRUE(std::signbit(tight.cost[1]));
}

TEST(LpRead, ConstraintFormsNamesAndEntries) {
  TempDir dir;
  const Model m = Lp(dir, R"(Minimize
 obj: a
Subject To
 c1: a + b <= 4
 a + 2 b =< 5
 a - b < 6
 R2: a >= -1
 a => 7   b > 8
 e: a + b = 9
 rg: - 2 <= a + b <= 5
 r5: -inf <= a + b <= inf
 10 >= a - b >= -10
 g: a + b + a - b - 2 a + 3 b >= -inf
 h: 0 a + b <= INF
 end: a <= 1
)");
  EXPECT_EQ(m.rowNames,
            (std::vector<std::string>{"c1", "R1", "R3", "R2", "R4", "R5", "e", "rg", "r5", "R6", "g", "h", "end"}));
  EXPECT_EQ(m.rlo, (std::vector<double>{-kInf, -kInf, -kInf, -1, 7, 8, 9, -2, -kInf, -10, -kInf, -kInf, -kInf}));
  EXPECT_EQ(m.rup, (std::vector<double>{4, 5, 6, kInf, kInf, kInf, 9, 5, kInf, 10, kInf, kInf, 1}));
  EXPECT_EQ(m.colNames, (std::vector<std::string>{"a", "b"}));
  // a's entries of g sum to zero and h's is zero: both dropped
  EXPECT_EQ(Column(m, 0), (std::vector<double>{1, 1, 1, 1, 1, 0, 1, 1, 1, 1, 0, 0, 1}));
  EXPECT_EQ(Column(m, 1), (std::vector<double>{1, 2, -1, 0, 0, 1, 1, 1, 1, -1, 3, 1, 0}));
  EXPECT_EQ(m.start.back(), 20);
}

TEST(LpRead, BoundFormsDefaultsAndColumnOrder) {
  TempDir dir;
  const Model m = Lp(dir, R"(min
 obj: z
st
 c: y + x >= 1
bounds
 x >= 1
 y <= 4
 x <= 9
 -inf <= u
 v >= -Infinity
 -INF <= w <= +inf
 s free
 2 <= t <= 3
 5 >= q >= -5
 f = 2.5
 z <= -2
 1e30 >= n >= -1e30
 4 = k
generals
 g
)");
  EXPECT_EQ(m.colNames, (std::vector<std::string>{"z", "y", "x", "u", "v", "w", "s", "t", "q", "f", "n", "k", "g"}));
  EXPECT_EQ(m.clo, (std::vector<double>{0, 0, 1, -kInf, -kInf, -kInf, -kInf, 2, -5, 2.5, -kInf, 4, 0}));
  EXPECT_EQ(m.cup, (std::vector<double>{-2, 4, 9, kInf, kInf, kInf, kInf, 3, 5, 2.5, kInf, 4, kInf}));
  // z keeps its lower bound 0 under the negative upper bound: said in a note
  EXPECT_EQ(m.notes, (std::vector<std::string>{
                         "1 integer column read as continuous: the LP relaxation",
                         "1 column given a negative upper bound and no lower bound: the lower bound stays 0, infeasible"}));
  EXPECT_EQ(Column(m, 1), std::vector<double>{1});
  EXPECT_EQ(m.start.back(), 2);
}

TEST(LpRead, IntegersAreRelaxedAndBinariesBoundedUnlessGivenWithin01) {
  TempDir dir;
  const Model m = Lp(dir, R"(min
 a + b + c + d + e + f
st
 a + b + c + d + e + f >= 1
bounds
 b = 1
 0 <= c <= 0.5
 d <= 7
 -1 <= e
 f free
binary
 a b c d e f
general
 a g
end
)");
  EXPECT_EQ(m.clo, (std::vector<double>{0, 1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(m.cup, (std::vector<double>{1, 1, 0.5, 1, 1, 1, kInf}));
  EXPECT_EQ(m.notes, (std::vector<std::string>{
                         "7 integer columns read as continuous: the LP relaxation",
                         "6 binary columns bounded to [0, 1] (2 kept the bounds within [0, 1] the file gave)"}));
}

TEST(LpRead, RefusalsNameTheLineAndTheToken) {
  TempDir dir;
  const std::pair<std::string, std::string> cases[] = {
      {"min\n obj: x +\nEnd\n", "m.lp:3: expected a term after \"+\", found \"End\""},
      {"min\n obj: x -", "m.lp:2: expected a term after \"-\", found the end of the file"},
      {"min\n x\nst\n c1: x + y <=\n c2: x >= 1\n", "m.lp:5: expected a right-hand side after \"<=\", found \"c2\""},
      {"min\n x\nst\n c2: x @ y <= 3\n", "m.lp:4: no operator between \"x\" and \"@\""},
      {"min\n x\nst\n c2: 3 4 x <= 3\n", "m.lp:4: a constant \"3\" among a constraint's terms: only its right-hand "
                                         "side may be a number"},
      {"min\n 3 4 x\n", "m.lp:2: no operator between \"3\" and \"4\""},
      {"min\n x + y\u00e9\n", "m.lp:2: \"y?\" holds character 0xc3, which the LP format does not allow in a name"},
      {"min\n x + \x01y\n", "m.lp:2: character 0x01 is not part of the LP format"},
      {"min\n nan x\n", "m.lp:2: \"nan\" is NaN, not a number, for a cost"},
      {"min\n x\nst\n x + NaN y >= 1\n", "m.lp:4: \"NaN\" is NaN, not a number, for a coefficient"},
      {"min\n x\nst\n x >= nan\n", "m.lp:4: \"nan\" is NaN, not a number, for a right-hand side"},
      {"min\n inf x\n", "m.lp:2: the coefficient of \"x\" is infinite"},
      {"min\n x\nst\n 1e999 x >= 1\n", "m.lp:4: the coefficient of \"x\" is infinite"},
      {"min\n x - inf\n", "m.lp:2: the objective's constant \"inf\" is infinite"},
      {"min\n x\nst\n c: x >= 1\n d: x <= 2\n c: x <= 3\n", "m.lp:6: a second constraint named \"c\""},
      {"min\n x\nst\n 1.2.3 x >= 1\n", "m.lp:4: \"1.2.3\" is not a number, for a coefficient"},
      {"min\n x\nbounds\n x <= 1..5\n", "m.lp:4: \"1..5\" is not a number, for a bound"},
      {"min\n x + [ x ^ 2 ] / 2\n", "m.lp:2: \"[\" belongs to a quadratic term: only linear programs are read"},
      {"min\n x\nst\n q: x + [ x * y ] <= 1\n", "m.lp:4: \"[\" belongs to a quadratic term: only linear programs are read"},
      {"min\n x\nst\n i: b = 1 -> x + y <= 3\n", "m.lp:4: \"->\" makes an indicator constraint: only linear programs are read"},
      {"min\n x\nst\n c: x >= 1\nSOS\n s1: S1:: x:1 y:2\n", "m.lp:5: an SOS section: only linear programs are read"},
      {"min\n x\nsos2\n", "m.lp:3: an SOS section: only linear programs are read"},
      {"min\n x\nlazy constraints\n l: x <= 3\n", "m.lp:3: a lazy constraints section: not read"},
      {"min\n x\nuser cuts\n u: x <= 3\n", "m.lp:3: a user cuts section: not read"},
      {"min\n x\npwl\n", "m.lp:3: a piecewise-linear section: only linear programs are read"},
      {"x + y\n", "m.lp:1: expected a section (minimize, maximize, subject to, bounds, generals, binaries, end), found \"x\""},
      {"\\ nothing but a comment\n", "m.lp: no LP-format section: not an LP file"},
      {"min\n x\nmax\n y\n", "m.lp:3: a second objective section"},
      {"min\n x <= 3\n", "m.lp:2: expected a term or a section, found \"<=\""},
      {"min\n x\nst\n c: >= 3\n", "m.lp:4: expected a term, found \">=\""},
      {"min\n x\nst\n c: x + y\nend\n", "m.lp:5: expected an operator or a comparison after \"y\", found \"end\""},
      {"min\n x\nst\n c: x >= -2 + y\n", "m.lp:4: expected an operator or a comparison after \"y\", found the end of "
                                       "the file"},
      {"min\n x\nst\n 2 <= x\nend\n", "m.lp:5: expected a second comparison after \"x\" (a constraint that starts "
                                       "with a number is a range), found \"end\""},
      {"min\n x\nst\n 2 <= x >= 1\n", "m.lp:4: a ranged constraint takes two \"<=\" or two \">=\", not \"<=\" and \">=\""},
      {"min\n x\nst\n c: x <= -inf\n", "m.lp:4: the right-hand side -inf cannot be met"},
      {"min\n x\nst\n c: x = inf\n", "m.lp:4: the right-hand side inf cannot be met"},
      {"min\n x\nbounds\n x >= inf\n", "m.lp:4: the bound inf on \"x\" cannot be met"},
      {"min\n x\nbounds\n -x <= 3\n", "m.lp:4: expected a bound after \"-\", found \"x\""},
      {"min\n x\nbounds\n x fixed\n", "m.lp:4: expected \"free\" or a comparison after \"x\", found \"fixed\""},
      {"min\n x\nbounds\n 0 <= x >= 1\n", "m.lp:4: a bound on both sides takes two \"<=\" or two \">=\", not \"<=\" and \">=\""},
      {"min\n x\ngenerals\n x 3\n", "m.lp:4: expected a column name in the generals section, found \"3\""},
  };
  for (const auto& [text, why] : cases) EXPECT_EQ(Refusal(dir, text), why) << text;
}

TEST(LpRead, LongNamesAndLongLinesReadWhole) {
  TempDir dir;
  const std::string name = "x" + std::string(1 << 20, 'n');
  std::string text = "min\n " + name + " + y\nst\n c:";
  for (int k = 0; k < 2'000'000; ++k) text += " + y";  // 8 MB on one line, summed into one entry
  text += " >= 1\n";
  const Model m = Lp(dir, text);
  EXPECT_EQ(m.colNames, (std::vector<std::string>{name, "y"}));
  EXPECT_EQ(m.value, std::vector<double>{2'000'000});
  const std::string why = Refusal(dir, "min\n " + name + " " + name + "\n");
  EXPECT_EQ(why, "m.lp:2: no operator between \"x" + std::string(39, 'n') + "\"... and \"x" + std::string(39, 'n') + "\"...");
}

// Terms held across the blocks the reader keeps them in (each larger than
// the one before) go into the matrix in their rows and columns, each value
// where it was written.
TEST(LpRead, ManyTermsAcrossBlocksLandWhereTheyWereWritten) {
  TempDir dir;
  constexpr int kRows = 700, kTerms = 400, kColumns = 1000;
  std::string text = "min\n x0\nst\n";
  std::map<std::pair<int, int>, double> want;  // (column, row) -> value
  for (int i = 0; i < kRows; ++i) {
    text += " r" + std::to_string(i) + ":";
    for (int k = 0; k < kTerms; ++k) {
      const int j = (i * 7 + k * 13) % kColumns;
      const double value = 1 + i * 0.5 + k * 0.25;
      text += " + " + std::to_string(value) + " x" + std::to_string(j);
      want[{j, i}] += value;
    }
    text += " >= 1\n";
  }
  const Model m = Lp(dir, text + "end\n");
  ASSERT_EQ(m.rows(), kRows);
  std::map<std::pair<int, int>, double> got;
  for (int j = 0; j < m.cols(); ++j) {
    const int column = std::stoi(m.colNames[static_cast<std::size_t>(j)].substr(1));
    for (int k = m.start[j]; k < m.start[j + 1]; ++k) got[{column, m.index[k]}] += m.value[k];
  }
  EXPECT_EQ(got, want);
}

TEST(LpRead, GzippedAndCrlfFilesReadAsPlainOnes) {
  TempDir dir;
  const std::string text = "Minimize\r\n obj: x + 2 y\r\nSubject To\r\n c: x + y >= 1\r\nEnd\r\n";
  gzFile gz = gzopen(dir.File("m.lp.gz").c_str(), "wb");
  gzwrite(gz, text.data(), static_cast<unsigned>(text.size()));
  gzclose(gz);
  dir.Write("m.lp", text);
  const Model packed = ReadModel(dir.File("m.lp.gz")), plain = ReadModel(dir.File("m.lp"));
  ExpectSameModel(packed, plain, text);
  EXPECT_EQ(plain.cost, (std::vector<double>{1, 2}));
  EXPECT_EQ(packed.name, "m");  // no name in the file: its stem
}

// Every bound and row kind, a maximisation with a constant, numbers without a
// short decimal form, signed zeros, a column and a row without entries.
Model EveryKind() {
  Model m;
  m.path = "built";
  m.name = "every kind";
  m.maximise = true;
  m.objOffset = -0.1;
  m.colNames = {"x(Seattle,New~York)", "y", "free'd", "up", "fixed", "range", "empty", "neg0", "s.t"};
  m.cost = {1.0 / 3, -1, 0, -0.0, 1e-300, 5e-324, 0, 1.7976931348623157e308, 2};
  m.clo = {0, -kInf, -kInf, -kInf, 2.5, -1, 0, -0.0, 0};
  m.cup = {kInf, 4, kInf, -3, 2.5, 0.30000000000000004, kInf, kInf, -1};
  m.rowNames = {"le", "ge", "eq", "rg", "free", "none", "end", "0zeros"};
  m.rlo = {-kInf, 0.1, 7, -2, -kInf, 1, -kInf, -0.0};
  m.rup = {4, kInf, 7, 1e15, kInf, kInf, 0, 0};
  // entries by column, rows ascending
  const std::vector<std::vector<std::pair<int, double>>> cols = {
      {{0, 1}, {1, 0.1 + 0.2}, {2, -1}, {3, 2}, {4, 1}},
      {{0, -1}, {2, 3}, {6, 1e-5}},
      {{1, 1}, {3, -7}},
      {{3, 1}},
      {{4, 2}, {7, 1}},
      {{0, 1e20}},
      {},
      {{2, 1}},
      {{6, -1}}};
  for (const auto& col : cols) {
    for (const auto& [row, value] : col) {
      m.index.push_back(row);
      m.value.push_back(value);
    }
    m.start.push_back(static_cast<int>(m.index.size()));
  }
  return m;
}

TEST(LpWrite, ReadingWhatIsWrittenGivesTheSameModelBitForBit) {
  TempDir dir;
  const Model m = EveryKind();
  const std::string text = modelfile::LpText(m);
  dir.Write("w.lp", text);
  ExpectSameModel(ReadLp(dir.File("w.lp")), m, text);
  EXPECT_TRUE(ReadLp(dir.File("w.lp")).notes.empty()) << text;
  std::size_t from = 0;
  for (std::size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1)
    EXPECT_LE(end - from, 80u) << text.substr(from, end - from);
  // minimise, no constant, no rows; and a model with nothing at all
  Model small;
  small.path = "small";
  small.name = "small";
  small.colNames = {"a"};
  small.cost = {2};
  small.clo = {0};
  small.cup = {kInf};
  small.start = {0, 0};
  dir.Write("s.lp", modelfile::LpText(small));
  ExpectSameModel(ReadLp(dir.File("s.lp")), small, modelfile::LpText(small));
  Model nothing;
  nothing.name = "nothing";
  dir.Write("n.lp", modelfile::LpText(nothing));
  ExpectSameModel(ReadLp(dir.File("n.lp")), nothing, modelfile::LpText(nothing));
}

TEST(LpWrite, TheSampleModelsReadBackBitForBit) {
  TempDir dir;
  int written = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/usr/share/coin/Data/Sample")) {
    const std::string path = entry.path().string();
    if (entry.path().extension() != ".mps" || path.find("qp") != std::string::npos ||
        path.find("conic") != std::string::npos || path.find("spec_sections") != std::string::npos)
      continue;
    Model m = ReadModel(path);
    // LP text gives each column's entries by ascending row, whatever order the MPS file had
    for (int j = 0; j < m.cols(); ++j) {
      std::vector<std::pair<int, double>> col;
      for (int k = m.start[j]; k < m.start[j + 1]; ++k) col.emplace_back(m.index[k], m.value[k]);
      std::stable_sort(col.begin(), col.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
      for (std::size_t k = 0; k < col.size(); ++k)
        std::tie(m.index[m.start[j] + k], m.value[m.start[j] + k]) = col[k];
    }
    std::string text;
    try {
      text = modelfile::LpText(m);
    } catch (const Error& e) {  // brandy, e226, finnis: columns named "100001", ".ETHSD"; retail3: '[' in names
      EXPECT_NE(std::string(e.what()).find("cannot be written in LP format"), std::string::npos) << e.what();
      continue;
    }
    dir.Write("w.lp", text);
    Model back = ReadModel(dir.File("w.lp"));
    back.notes = m.notes;
    ExpectSameModel(back, m, path);
    ++written;
  }
  EXPECT_GE(written, 12);
}

TEST(LpWrite, NamesTheFormatCannotCarryAreRefused) {
  for (const char* bad : {"x y", "", "1x", ".x", "x[1]", "a:b", "a+b", "end", "Bounds", "ST", "free", "inf", "NaN",
                          "semi", "tab\tbed", "caf\u00e9"}) {
    Model m = EveryKind();
    m.colNames[1] = bad;
    try {
      modelfile::LpText(m);
      ADD_FAILURE() << bad;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "built: column name " + Shown(bad) + " cannot be written in LP format");
    }
  }
  Model m = EveryKind();
  m.rowNames[0] = "inf";
  EXPECT_THROW(modelfile::LpText(m), Error);
  for (const char* label : {"st", "1BAL", ".5"}) {  // a row's name before ':' may be a section word, or start so
    m.rowNames[0] = label;
    EXPECT_NO_THROW(modelfile::LpText(m));
  }
  m.cost[0] = std::nan("");
  EXPECT_THROW(modelfile::LpText(m), Error);
}

// ---- the glpk examples as glpsol writes them ----

struct CoinReading {
  bool read = false;
  std::vector<double> cost, clo, cup, rlo, rup;
  std::vector<std::string> colNames;
  std::map<std::pair<int, std::string>, double> entries;  // (row, column name) -> value
};

// CoinLpIO's reading, quietly; its costs are those of a minimisation, so a
// maximisation's are turned back with `sense` -1.
CoinReading ReadWithCoin(const std::string& path, double sense) {
  CoinReading coin;
  CoinMessageHandler quiet;
  quiet.setLogLevel(0);
  CoinLpIO reader;
  reader.passInMessageHandler(&quiet);
  try {
    reader.readLp(path.c_str());
  } catch (...) {
    return coin;
  }
  coin.read = true;
  const int n = reader.getNumCols(), m = reader.getNumRows();
  for (int j = 0; j < n; ++j) {
    coin.colNames.emplace_back(reader.getColNames()[j]);
    coin.cost.push_back(sense * reader.getObjCoefficients()[j]);
    coin.clo.push_back(UnloggedBound(reader.getColLower()[j]));
    coin.cup.push_back(UnloggedBound(reader.getColUpper()[j]));
  }
  for (int i = 0; i < m; ++i) {
    coin.rlo.push_back(UnloggedBound(reader.getRowLower()[i]));
    coin.rup.push_back(UnloggedBound(reader.getRowUpper()[i]));
  }
  const CoinPackedMatrix& a = *reader.getMatrixByCol();
  for (int j = 0; j < a.getMajorDim(); ++j)
    for (CoinBigIndex k = a.getVectorStarts()[j]; k < a.getVectorStarts()[j] + a.getVectorLengths()[j]; ++k)
      if (a.getElements()[k] != 0) coin.entries[{a.getIndices()[k], coin.colNames[j]}] = a.getElements()[k];
  return coin;
}

bool Near(double a, double b) { return a == b || std::fabs(a - b) <= 1e-15 * std::max(1.0, std::fabs(b)); }

TEST(LpRead, EveryGlpkExampleAsGlpsolWritesItMatchesCoinLpIO) {
  const std::string examples = "/usr/share/doc/glpk-utils/examples";
  if (std::system("command -v glpsol > /dev/null 2>&1") != 0 || !std::filesystem::is_directory(examples))
    GTEST_SKIP() << "glpsol or its examples are not installed";
  TempDir dir;
  int read = 0, compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(examples)) {
    const std::string source = entry.path().string(), stem = entry.path().stem().string();
    const std::string ext = entry.path().extension().string();
    // huge.mod is what its name says: glpsol takes too long over it
    if ((ext != ".mod" && ext != ".mps") || stem == "huge") continue;
    const std::string lp = dir.File(stem + ext.substr(1) + ".lp");
    auto translated = [&](const std::string& input) {
      const std::string command =
          "cd " + dir.path() + " && glpsol --check " + input + " " + source + " --wlp " + lp + " > /dev/null 2>&1";
      return std::system(command.c_str()) == 0;
    };
    ASSERT_TRUE(ext == ".mod" ? translated("-m") : translated("--freemps") || translated("--mps")) << source;
    const Model m = ReadLp(lp);
    ++read;
    const CoinReading coin = ReadWithCoin(lp, m.maximise ? -1 : 1);
    if (!coin.read) continue;
    ++compared;
    ASSERT_EQ(coin.colNames.size(), m.colNames.size()) << lp;
    ASSERT_EQ(coin.rlo.size(), m.rlo.size()) << lp;
    // Columns by name; by position when CoinLpIO replaced the names it
    // does not take (it names them all x0, x1, ... then).
    std::map<std::string, int> ours;
    for (int j = 0; j < m.cols(); ++j) ours[m.colNames[j]] = j;
    bool byName = true;
    for (const std::string& name : coin.colNames) byName = byName && ours.count(name) > 0;
    for (std::size_t j = 0; j < coin.colNames.size(); ++j) {
      const int o = byName ? ours[coin.colNames[j]] : static_cast<int>(j);
      EXPECT_TRUE(Near(m.cost[o], coin.cost[j]) && Near(m.clo[o], coin.clo[j]) && Near(m.cup[o], coin.cup[j]))
          << lp << " " << coin.colNames[j];
    }
    for (int i = 0; i < m.rows(); ++i)
      EXPECT_TRUE(Near(m.rlo[i], coin.rlo[i]) && Near(m.rup[i], coin.rup[i])) << lp << " row " << i;
    std::size_t entries = 0;
    for (int j = 0; j < m.cols(); ++j)
      for (int k = m.start[j]; k < m.start[j + 1]; ++k, ++entries) {
        const auto at = coin.entries.find({m.index[k], byName ? m.colNames[j] : coin.colNames[j]});
        ASSERT_NE(at, coin.entries.end()) << lp << " " << m.colNames[j];
        EXPECT_TRUE(Near(m.value[k], at->second)) << lp;
      }
    EXPECT_EQ(entries, coin.entries.size()) << lp;
    // and our writer's text reads back to the same model
    dir.Write("again.lp", modelfile::LpText(m));
    Model back = ReadLp(dir.File("again.lp"));
    back.notes = m.notes;
    ExpectSameModel(back, m, lp);
  }
  EXPECT_EQ(read, 66);  // every .mod but huge.mod, every .mps
  EXPECT_GE(compared, 60) << "of " << read;
}

}  // namespace
}  // namespace postsolve::modelfile
