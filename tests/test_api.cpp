// The public library: the log writer against the case format's pack, the
// replay against the kit's in-process solution and the program's report and
// messages.
#include <cstdint>
#include <cstring>
#include <limits>

#include "harness.h"
#include "kit.h"
#include "measures.h"
#include "postsolve/postsolve.h"

namespace {

const std::string kLpCases[] = {"examples/bakery", "tests/lp/afiro-all-kinds", "tests/lp/brandy",
                                "tests/lp/finnis"};

std::string Source(const std::string& rel) { return std::string(SOURCE_DIR) + "/" + rel; }

std::uint64_t Bits(double v) {
  std::uint64_t u;
  std::memcpy(&u, &v, sizeof u);
  return u;
}

// Every record kind with distinct values in every field, so that a field
// written out of order or in the wrong record shows.
TEST(LibraryLogWriter, WritesTheBytesPackWritesForEveryKind) {
  const CaseFiles packed = ParseCase(R"(
    solution 3 2 1 x [1.5 2.5] y [-3] z [0.25 -0]
    HEADER "every" rlo [1 -1e30] rup [2 3] rtype "EL" clo [0 -4 5] cup [6 7 1e30]
    names "r0" "r1" "c0" "c1" "c2"
    MATRIX c [1 2 3] (0 1.5) () (1 -2 0 3)
    DOMCOL 0 1.5 2 {0 1}
    FIXCOL 1 2.5 3 {}
    DUPCOL 2 1 0.5 -1 1e30 -2 3
    NULCOL 2 4 5
    LOWBND 0 -1
    MINBND 1 7
    DBLROW 0 1 2 3 4 5 6 7 1 8 0 9 {1 2}
    DOMROW 1 0 2 3 4 {0 5 2 6}
    NULROW 1
    DUPROW 0 1 0.25
    SGLROW 1 2 3 4 5 {0 6}
    FORROW 0 l 1 2 3 4 {0 5} u 2 6 7 8 {} e
    COLMAP [0 1 -1]
    ROWMAP [0 -1]
  )");
  LogWriter log;
  // Infinite bounds become the log's 1e30.
  constexpr double inf = std::numeric_limits<double>::infinity();
  log.Header("every", {1, -inf}, {2, 3}, "EL", {0, -4, 5}, {6, 7, inf}, {"r0", "r1"}, {"c0", "c1", "c2"});
  log.Matrix({1, 2, 3}, {{{0, 1.5}}, {}, {{1, -2}, {0, 3}}});
  log.DominatedColumn(0, 1.5, 2, {{0, 1}});
  log.FixedColumn(1, 2.5, 3, {});
  log.DuplicateColumn(2, 1, 0.5, -1, inf, -2, 3);
  log.NullColumn(2, 4, 5);
  log.LowerBound(0, -1);
  log.MinusBound(1, 7);
  log.DoubletonRow(0, 1, 2, 3, 4, 5, 6, 7, true, 8, false, 9, {{1, 2}});
  log.DominatedRow(1, 0, 2, 3, 4, {{0, 5}, {2, 6}});
  log.NullRow(1);
  log.DuplicateRow(0, 1, 0.25);
  log.SingletonRow(1, 2, 3, 4, 5, {{0, 6}});
  log.ForcingRow(0, {{'l', 1, 2, 3, 4, {{0, 5}}}, {'u', 2, 6, 7, 8, {}}});
  log.ColMap({0, 1, -1});
  log.RowMap({0, -1});
  EXPECT_EQ(log.records(), 16);
  EXPECT_TRUE(log.recordBytes() == packed.bin);
  EXPECT_TRUE(log.stackBytes() == packed.stk);
  EXPECT_TRUE(SolutionFileBytes({3, {1.5, 2.5}, {-3}, {0.25, -0.0}}) == packed.sol);

  TempDir dir;
  log.Save(dir.path(), {3, {1.5, 2.5}, {-3}, {0.25, -0.0}});
  const CaseFiles saved = ReadCaseFiles(dir.path());
  EXPECT_TRUE(saved.sol == packed.sol && saved.stk == packed.stk && saved.bin == packed.bin);
}

TEST(LibraryLogWriter, RefusesWhatWouldNotReplay) {
  const std::vector<double> one{0}, two{0, 0};
  EXPECT_THROW(LogWriter().Matrix({1}, {{}}), Error) << "a record before the header";
  EXPECT_THROW(LogWriter().Header("x", one, two, "E", one, one, {"r"}, {"c"}), Error) << "rup too long";
  EXPECT_THROW(LogWriter().Header("x", one, one, "EL", one, one, {"r"}, {"c"}), Error) << "rtype too long";
  EXPECT_THROW(LogWriter().Header("x", one, one, "E", one, one, {"r"}, {}), Error) << "a column name missing";
  EXPECT_THROW(LogWriter().Header("twenty-bytes-of-name", one, one, "E", one, one, {"r"}, {"c"}), Error);
  LogWriter log;
  log.Header("x", one, one, "E", one, one, {"r"}, {"c"});
  EXPECT_THROW(log.Header("x", one, one, "E", one, one, {"r"}, {"c"}), Error) << "a second header";
  EXPECT_THROW(log.Matrix({1, 2}, {{}}), Error) << "a cost without its column";
  EXPECT_THROW(log.Matrix({1}, {0, 2}, {0}, {1.0}), Error) << "start beyond the entries";
  EXPECT_THROW(log.Matrix({1, 1}, {0, 1, 0}, {0}, {1.0}), Error) << "start falling";
  EXPECT_THROW(log.ForcingRow(0, {{'e', 0, 0, 0, 0, {}}}), Error) << "the end tag as a column's tag";
  EXPECT_THROW(SolutionFileBytes({0, {1}, {}, {}}), Error) << "x and z of different lengths";
  EXPECT_EQ(log.records(), 1);
}

// The replay from a directory and from bytes give what the kit's replay
// gives, bit for bit, and the report the program writes.
TEST(LibraryReplay, MatchesTheKitAndTheProgram) {
  for (const std::string& name : kLpCases) {
    SCOPED_TRACE(name);
    const Solution s = Replay(Source(name));
    const CaseFiles files = ReadCaseFiles(Source(name));
    const Solution m = Replay(files.sol, files.stk, files.bin);
    const FullSolution k = CollectSolution(files);
    ASSERT_EQ(s.rows(), static_cast<int>(k.rows.size()));
    ASSERT_EQ(s.cols(), static_cast<int>(k.cols.size()));
    EXPECT_EQ(s.name(), k.name);
    EXPECT_EQ(s.status(), k.status);
    EXPECT_EQ(s.warnings(), k.warnings);
    for (std::size_t i = 0; i < k.rows.size(); ++i) {
      const RowSol& r = k.rows[i];
      EXPECT_EQ(s.rowNames()[i], r.name);
      EXPECT_EQ(s.rowTypes()[i], r.type);
      EXPECT_EQ(Bits(s.rowLower()[i]), Bits(r.lo));
      EXPECT_EQ(Bits(s.rowUpper()[i]), Bits(r.up));
      EXPECT_EQ(Bits(s.rowActivity()[i]), Bits(r.act));
      EXPECT_EQ(Bits(s.y()[i]), Bits(r.dual));
      EXPECT_EQ(Bits(m.y()[i]), Bits(r.dual));
    }
    for (std::size_t j = 0; j < k.cols.size(); ++j) {
      const ColSol& c = k.cols[j];
      EXPECT_EQ(s.colNames()[j], c.name);
      EXPECT_EQ(s.colTypes()[j], c.type);
      EXPECT_EQ(Bits(s.colLower()[j]), Bits(c.lo));
      EXPECT_EQ(Bits(s.colUpper()[j]), Bits(c.up));
      EXPECT_EQ(Bits(s.x()[j]), Bits(c.x));
      EXPECT_EQ(Bits(s.z()[j]), Bits(c.z));
      EXPECT_EQ(Bits(m.z()[j]), Bits(c.z));
      EXPECT_EQ(Bits(s.cost()[j]), Bits(c.c));
    }
    EXPECT_EQ(Bits(s.objective()), Bits(Check(k, Tolerances{}).objective));

    // Twice, to show the second report reads the names afresh.
    TempDir out;
    for (int round = 0; round < 2; ++round) {
      const std::string report = WriteReport(s, out.path());
      EXPECT_EQ(report, out.File(ReportName(s.name())));
      EXPECT_TRUE(ReadFile(report) == ReadFile(Source(name) + "/expected.report"));
    }
  }
}

// A failure is an Error whose message is the program's line; a run with
// degenerate data completes and carries the program's warnings.
TEST(LibraryReplay, FailsAndWarnsAsTheProgramDoes) {
  const CaseFiles good = ReadCaseFiles(Source("examples/bakery"));
  CaseFiles cut = good;
  cut.bin.resize(cut.bin.size() / 2);
  TempDir dir;
  WriteCaseFiles(cut, dir.path());
  const RunResult program = RunPostsolve(dir.path());
  ASSERT_EQ(program.status, 1);
  try {
    InDir in(dir.path());
    Replay(".");
    ADD_FAILURE() << "a cut record file replayed";
  } catch (const Error& e) {
    EXPECT_EQ("postsolve: " + std::string(e.what()) + "\n", program.err);
  }
  try {
    Replay(cut.sol, cut.stk, cut.bin);
    ADD_FAILURE() << "a cut record file replayed from memory";
  } catch (const Error& e) {
    EXPECT_EQ("postsolve: " + std::string(e.what()) + "\n", program.err);
  }
  try {
    Replay(dir.File("missing"));
    ADD_FAILURE() << "a missing directory replayed";
  } catch (const Error& e) {
    EXPECT_TRUE(std::string(e.what()).starts_with(dir.File("missing/dravfile.sol") + ": ")) << e.what();
  }

  TempDir degenerate;
  const RunResult warned = RunCase(degenerate, ReadFile(Source("fuzz/cases/degenerate.case")));
  ASSERT_EQ(warned.status, 2);
  InDir in(degenerate.path());
  const Solution s = Replay(".");
  std::string lines;
  for (const std::string& w : s.warnings()) lines += "postsolve: warning: " + w + "\n";
  EXPECT_EQ(lines, warned.err);
}

}  // namespace
