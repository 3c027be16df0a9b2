// LP format: the reader's rules on small files made for each, its refusals,
// the writer's round trip, and the glpk examples as glpsol writes them, read
// and compared with CoinLpIO's reading.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>

#include <coin/CoinLpIO.hpp>
#include <coin/CoinMessageHandler.hpp>
#include <coin/CoinPackedMatrix.hpp>

#include "harness.h"
#include "postsolve/model.h"
#include "readers.h"
#include "records.h"

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

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

void ExpectSameModel(const Model& back, const Model& m, const std::string& what) {
  EXPECT_EQ(back.name, m.name) << what;
  EXPECT_EQ(back.maximise, m.maximise) << what;
  EXPECT_TRUE(SameBits({back.objOffset}, {m.objOffset})) << what;
  EXPECT_EQ(back.rowNames, m.rowNames) << what;
  EXPECT_EQ(back.colNames, m.colNames) << what;
  EXPECT_TRUE(SameBits(back.rlo, m.rlo) && SameBits(back.rup, m.rup)) << what;
  EXPECT_TRUE(SameBits(back.clo, m.clo) && SameBits(back.cup, m.cup)) << what;
  EXPECT_TRUE(SameBits(back.cost, m.cost)) << what;
  EXPECT_EQ(back.start, m.start) << what;
  EXPECT_EQ(back.index, m.index) << what;
  EXPECT_TRUE(SameBits(back.value, m.value)) << what;
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
                         "1 column with a negative upper bound and no lower bound keep the lower bound 0: infeasible"}));
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

}  // namespace
}  // namespace postsolve::modelfile
