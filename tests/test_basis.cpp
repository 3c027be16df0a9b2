// Bases: statuses read off a point, the MPS basis file written and read back,
// and Clp started from a basis (the bridge, `solve --basis`, the basis `run`
// writes, and Clp's own program reading it).
#include <gtest/gtest.h>

#include <filesystem>

#include "harness.h"
#include "kit.h"
#include "postsolve/basis.h"

namespace {

const std::string kSamples = "/usr/share/coin/Data/Sample/";
constexpr double kInf = std::numeric_limits<double>::infinity();
using S = BasisStatus;

RunResult Kit(const TempDir& scratch, std::vector<std::string> args) {
  return RunProgram(KIT_EXE, scratch, std::move(args));
}

// Two rows, three columns: rows [-inf, 4] and [2, 2]; columns [0, 3], [0, inf), (-inf, inf).
struct Point {
  std::vector<double> rlo{-kInf, 2}, rup{4, 2}, act, y;
  std::vector<double> clo{0, 0, -kInf}, cup{3, kInf, kInf}, x, z;
  Basis Statuses() const { return BasisOfPoint(rlo, rup, act, y, clo, cup, x, z); }
};

TEST(BasisOfPoint, AVertexGivesItsOwnStatuses) {
  // Row 1 inside its side and row 2 an equality; x1 at its upper bound, x2
  // at 0, x3 free: two basics for two rows.
  Point p{.act = {3.5, 2}, .y = {0, -1}, .x = {3, 0, 1}, .z = {-2, 1, 0}};
  const Basis b = p.Statuses();
  EXPECT_EQ(b.rows, (std::vector<S>{S::Basic, S::Fixed}));
  EXPECT_EQ(b.cols, (std::vector<S>{S::AtUpper, S::AtLower, S::Basic}));
  EXPECT_TRUE(b.complete());
}

TEST(BasisOfPoint, DegenerateAndOffVertexPointsGetTheCountRight) {
  // Too few basics: row 1 sits at its side with a zero dual and x2 at 0 with
  // a zero dual slack; the column is made basic first.
  Point few{.act = {4, 2}, .y = {0, -1}, .x = {3, 0, 1}, .z = {-2, 0, 0}};
  const Basis b = few.Statuses();
  EXPECT_EQ(b.rows[0], S::AtUpper);
  EXPECT_EQ(b.cols[1], S::Basic);
  EXPECT_TRUE(b.complete());
  // Without a zero dual, the smallest goes in, whatever its kind.
  few.y[0] = -1e-3;
  few.z[1] = 1e-2;
  EXPECT_EQ(few.Statuses().rows[0], S::Basic);
  // Too many: row 1, x1, x2 and x3 all between their bounds; the two nearest
  // a bound, scaled (row 1: 0.5 / 4, then x1: 1.5 / 3 before x2: 0.5 / 1), are
  // left off it, nonbasic; the free x3 stays basic.
  Point many{.act = {3.5, 2}, .y = {0, 0}, .x = {1.5, 0.5, 1}, .z = {0, 0, 0}};
  const Basis c = many.Statuses();
  EXPECT_EQ(c.rows[0], S::Free);
  EXPECT_EQ(c.cols, (std::vector<S>{S::Free, S::Basic, S::Basic}));
  EXPECT_EQ(c.basics(), 2);
  // Values within the tolerance of a bound sit at it; sizes must agree.
  Point near{.act = {4 + 3e-7, 2}, .y = {-1, 0}, .x = {3, 0, 1}, .z = {0, 1, 0}};
  EXPECT_EQ(near.Statuses().rows[0], S::AtUpper);
  near.x.pop_back();
  EXPECT_THROW(near.Statuses(), Error);
}

// A model with the names of Point, for the file.
Model Named() {
  Model m;
  m.path = "named.mps";
  m.name = "NAMED";
  m.rowNames = {"cap", "bal"};
  m.colNames = {"x1", "x2", "x3"};
  m.rlo = {-kInf, 2};
  m.rup = {4, 2};
  m.clo = {0, 0, -kInf};
  m.cup = {3, kInf, kInf};
  m.cost = {1, 1, 0};
  m.start = {0, 2, 3, 4};
  m.index = {0, 1, 0, 1};
  m.value = {1, 1, 1, 1};
  return m;
}

TEST(BasisFile, WrittenAndReadBack) {
  TempDir dir;
  const Model m = Named();
  const Basis b{{S::AtUpper, S::Basic, S::Basic}, {S::AtUpper, S::Fixed}};
  const std::string path = dir.File("b.bas");
  WriteBasisFile(b, m.name, m.colNames, m.rowNames, path);
  EXPECT_EQ(dir.Read("b.bas"), "NAME          NAMED\n UL x1 _dummy_\n XU x2 cap\n XL x3 bal\nENDATA\n");
  const Basis back = ReadBasisFile(path, m);
  EXPECT_EQ(back.cols, b.cols);
  EXPECT_EQ(back.rows, b.rows);
  // What a file leaves out keeps the default: rows basic, columns at a finite bound or free.
  dir.Write("empty.bas", "NAME x\n* a comment\nENDATA\n");
  const Basis empty = ReadBasisFile(dir.File("empty.bas"), m);
  EXPECT_EQ(empty.rows, (std::vector<S>{S::Basic, S::Basic}));
  EXPECT_EQ(empty.cols, (std::vector<S>{S::AtLower, S::AtLower, S::Free}));
  // A name MPS cannot carry is refused before anything is written.
  EXPECT_THROW(WriteBasisFile(b, "n", {"x 1", "x2", "x3"}, m.rowNames, dir.File("c.bas")), Error);
  EXPECT_FALSE(dir.Exists("c.bas"));
}

TEST(BasisFile, MalformedFilesNameTheLine) {
  TempDir dir;
  const Model m = Named();
  const auto why = [&](const std::string& text) {
    dir.Write("bad.bas", text);
    try {
      ReadBasisFile(dir.File("bad.bas"), m);
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  const std::string at = dir.File("bad.bas");
  EXPECT_EQ(why("NAME x\n XU x9 cap\nENDATA\n"), at + ": line 2: column \"x9\" is not in named.mps");
  EXPECT_EQ(why("NAME x\n XU x1 row9\nENDATA\n"), at + ": line 2: row \"row9\" is not in named.mps");
  EXPECT_EQ(why("NAME x\n BS x1\nENDATA\n"), at + ": line 2: \"BS\": XU, XL, UL or LL expected");
  EXPECT_EQ(why("NAME x\n XL x1\nENDATA\n"), at + ": line 2: XL needs a column and a row");
  EXPECT_EQ(why(" UL x1\nENDATA\n"), at + ": line 1: a NAME line must come first");
  EXPECT_EQ(why("NAME x\n UL x1\n"), at + ": line 2: no ENDATA line");
  EXPECT_EQ(why("NAME x\nENDATA\n UL x1\n"), at + ": line 3: text after ENDATA");
  EXPECT_EQ(why("NAME x\nROWS\n"), at + ": line 2: \"ROWS\": NAME or ENDATA expected");
}

TEST(WarmStart, ClpFromAnOptimalBasisTakesNoIteration) {
  const Model afiro = ReadModel(kSamples + "afiro.mps");
  Basis optimal, again;
  const ClpAnswer cold = SolveFromBasis(afiro, Basis{std::vector<S>(afiro.clo.size(), S::AtLower),
                                                     std::vector<S>(afiro.rlo.size(), S::Basic)},
                                        {}, optimal);
  EXPECT_GT(cold.iterations, 0);
  EXPECT_TRUE(optimal.complete());
  const ClpAnswer warm = SolveFromBasis(afiro, optimal, {}, again);
  EXPECT_EQ(warm.iterations, 0);
  EXPECT_EQ(warm.objective, cold.objective);
  EXPECT_THROW(SolveFromBasis(afiro, Basis{{S::Basic}, {}}, {}, again), Error);
}

TEST(WarmStart, RunWritesABasisThatSolveAndClpStartFrom) {
  TempDir dir;
  for (const char* name : {"afiro", "brandy"}) {
    const std::string model = kSamples + name + ".mps", out = dir.File(name), plain = dir.File(std::string(name) + "-none");
    const RunResult run = Kit(dir, {"run", model, out});
    ASSERT_EQ(run.status, kit::kOk) << run.out << run.err;
    EXPECT_NE(run.out.find("basis: " + out + "/basis.bas"), std::string::npos) << run.out;
    // `solve --basis` on the unreduced model (presolve with no reduction) takes no iteration.
    ASSERT_EQ(Kit(dir, {"presolve", "--only", "none", model, plain}).status, kit::kOk);
    const RunResult solve = Kit(dir, {"solve", plain, "--basis", out + "/basis.bas"});
    ASSERT_EQ(solve.status, kit::kOk) << solve.err;
    EXPECT_NE(solve.out.find(", 0 iterations,"), std::string::npos) << name << ": " << solve.out;
    // Clp's own program reads the file and starts from it.
    if (std::filesystem::exists("/usr/bin/clp")) {
      const RunResult clp = RunProgram("/usr/bin/clp", dir, {model, "-presolve", "off", "-basisI",
                                                            out + "/basis.bas", "-primalS"});
      EXPECT_NE(clp.out.find(" - 0 iterations"), std::string::npos) << name << ": " << clp.out;
    }
  }
  // The kit command on a replayed directory writes the same file where asked.
  const RunResult basis = Kit(dir, {"basis", kSamples + "afiro.mps", dir.File("afiro"), "-o", dir.File("again.bas")});
  ASSERT_EQ(basis.status, kit::kOk) << basis.err;
  EXPECT_EQ(dir.Read("again.bas"), dir.Read("afiro/basis.bas"));
  const RunResult wrong = Kit(dir, {"solve", dir.File("afiro-none"), "--basis", dir.File("brandy/basis.bas")});
  EXPECT_EQ(wrong.status, kit::kFailed);
  EXPECT_NE(wrong.err.find("basis.bas: line 2: column"), std::string::npos) << wrong.err;
}

}  // namespace
