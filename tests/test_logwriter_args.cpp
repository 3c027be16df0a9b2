// The public log writer's arguments, checked where they come in: nonsense is
// refused with an Error naming the call and the argument, and nothing is
// written; what the log allows (infinite bounds) still goes through. The
// library prints nothing of its own.
#include <cmath>
#include <functional>
#include <limits>

#include "harness.h"
#include "postsolve/postsolve.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Two rows, three columns, the matrix written.
LogWriter Started() {
  LogWriter log;
  log.Header("p", {1, -kInf}, {kInf, 4}, "GL", {0, 0, -kInf}, {10, 1e30, kInf}, {"r0", "r1"}, {"a", "b", "c"});
  log.Matrix({1, 2, 3}, {{{0, 1.0}}, {{0, 1.0}, {1, 2.0}}, {{1, 1.0}}});
  return log;
}

TEST(LogWriterArguments, RefusalsNameTheCallAndTheArgument) {
  struct Case {
    std::function<void(LogWriter&)> call;
    std::string message;  // after "log writer: "
  };
  const TempDir scratch;  // where a Save would go, were it not refused
  const std::string dir = scratch.path();
  const Entries col{{0, 1.0}};
  const std::vector<Case> cases = {
      {[](LogWriter& w) { w.DominatedColumn(0, kNaN, 1, {}); }, "DominatedColumn: xval is NaN"},
      {[](LogWriter& w) { w.FixedColumn(0, 1, kInf, {}); }, "FixedColumn: cj is infinite; it must be a finite number"},
      {[](LogWriter& w) { w.FixedColumn(3, 1, 1, {}); }, "FixedColumn: j is 3, outside the 3 columns"},
      {[&](LogWriter& w) { w.FixedColumn(0, 1, 1, {{0, 1.0}, {2, 1.0}}); },
       "FixedColumn: column[1] index is 2, outside the 2 rows"},
      {[](LogWriter& w) { w.DuplicateColumn(1, 1, 2, 0, 1, 0, 1); },
       "DuplicateColumn: k and j are both 1; they must differ"},
      {[](LogWriter& w) { w.DuplicateColumn(0, 1, 2, 0, kNaN, 0, 1); }, "DuplicateColumn: upk is NaN"},
      {[](LogWriter& w) { w.LowerBound(0, -kInf); }, "LowerBound: l is infinite; it must be a finite number"},
      {[](LogWriter& w) { w.DoubletonRow(0, 1, 1, 1, 1, 1, 0, 0, false, 0, false, 0, {}); },
       "DoubletonRow: j and k are both 1; they must differ"},
      {[](LogWriter& w) { w.DoubletonRow(0, 0, 1, 1, 1, 1, 0, 0, true, kNaN, false, 0, {}); },
       "DoubletonRow: lo is NaN"},
      {[](LogWriter& w) { w.DominatedRow(0, 1, 1, 1, 0, {{5, 1.0}}); },
       "DominatedRow: row[0] index is 5, outside the 3 columns"},
      {[](LogWriter& w) { w.DuplicateRow(1, 1, 2); }, "DuplicateRow: r and s are both 1; they must differ"},
      {[](LogWriter& w) { w.NullRow(-1); }, "NullRow: r is -1, outside the 2 rows"},
      {[&](LogWriter& w) { w.ForcingRow(0, {{'l', 0, 1, 1, 0, col}, {'x', 1, 1, 1, 0, col}}); },
       "ForcingRow: columns[1].tag is 'x'; it must be 'l' or 'u' (the row's bound it was forced at)"},
      {[&](LogWriter& w) { w.ForcingRow(0, {{'\0', 0, 1, 1, 0, col}}); }, "ForcingRow: columns[0].tag is byte 0"},
      {[](LogWriter& w) { w.ColMap({0, 0, -1}); }, "ColMap: map[1] is 0, as map[0] is; the map must be one to one"},
      {[](LogWriter& w) { w.ColMap({0, 1}); }, "ColMap: map has 2 entries for the Header's 3 columns"},
      {[](LogWriter& w) { w.RowMap({0, 7}); }, "RowMap: map[1] is 7, beyond the 2 rows a reduced problem can keep"},
      {[&](LogWriter& w) {
         w.ColMap({0, 1, -1});
         w.RowMap({0, 1});
         w.Save(dir, {0, {1}, {1, 1}, {0}});
       },
       "Save: x has 1 values; ColMap maps a column to reduced column 1"},
      {[&](LogWriter& w) {
         w.ColMap({-1, -1, -1});
         w.RowMap({-1, -1});
         w.Save(dir, {0, {}, {kNaN}, {}});
       },
       "Save: y[0] is NaN"},
  };
  for (const Case& c : cases) {
    LogWriter log = Started();
    try {
      c.call(log);
      ADD_FAILURE() << "accepted: " << c.message;
    } catch (const Error& e) {
      EXPECT_TRUE(std::string(e.what()).starts_with("log writer: " + c.message)) << e.what();
    }
  }
  EXPECT_EQ(scratch.List(), std::vector<std::string>{});
  // A refused call writes nothing: the log is as it was.
  LogWriter log = Started();
  const std::string before = log.recordBytes();
  EXPECT_THROW(log.FixedColumn(0, kNaN, 1, {}), Error);
  EXPECT_EQ(log.recordBytes(), before);
  EXPECT_EQ(log.records(), 2);
  // NaN in the Header and Matrix too, named with the entry's column and row.
  EXPECT_THROW(LogWriter().Header("p", {kNaN}, {1}, "L", {0}, {1}, {"r"}, {"c"}), Error);
  LogWriter header;
  header.Header("p", {0}, {1}, "L", {0}, {1}, {"r"}, {"c"});
  try {
    header.Matrix({1}, {{{0, kNaN}}});
    ADD_FAILURE() << "a NaN entry accepted";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "log writer: Matrix: value[0] (column c, row r) is NaN");
  }
  EXPECT_THROW(header.Matrix({kInf}, {{}}), Error);
}

// Reductions written before their Header and Matrix (HeaderLater) make the
// same record file and stack as the same calls in order; until the Matrix
// comes they are checked against the counts given, and the log is refused.
TEST(LogWriterArguments, RecordsHeldBackForALaterHeaderGoBehindIt) {
  const auto reductions = [](LogWriter& w) {
    w.FixedColumn(2, 1, 3, {{1, 1.0}});
    w.DuplicateRow(0, 1, 2);
  };
  LogWriter inOrder = Started();
  reductions(inOrder);
  inOrder.ColMap({0, 1, -1});
  inOrder.RowMap({-1, 0});

  for (const std::size_t entries : {std::size_t{0}, std::size_t{4}, std::size_t{1000}}) {  // the room is a guess
    LogWriter later;
    later.HeaderLater(2, 3, entries);
    reductions(later);
    EXPECT_EQ(later.records(), 2);
    EXPECT_THROW(later.FixedColumn(3, 1, 1, {}), Error);  // the counts given hold already
    EXPECT_THROW(later.Matrix({1, 2, 3}, {{}, {}, {}}), Error);  // the Header first
    EXPECT_THROW(later.stackBytes(), Error);
    EXPECT_THROW(later.TakeRecordBytes(), Error);
    later.Header("p", {1, -kInf}, {kInf, 4}, "GL", {0, 0, -kInf}, {10, 1e30, kInf}, {"r0", "r1"}, {"a", "b", "c"});
    EXPECT_THROW(later.NullRow(0), Error);  // only the Matrix may follow that Header
    EXPECT_THROW(later.recordBytes(), Error);
    later.Matrix({1, 2, 3}, {{{0, 1.0}}, {{0, 1.0}, {1, 2.0}}, {{1, 1.0}}});
    later.ColMap({0, 1, -1});
    later.RowMap({-1, 0});
    EXPECT_EQ(later.recordBytes(), inOrder.recordBytes());
    EXPECT_EQ(later.stackBytes(), inOrder.stackBytes());
    EXPECT_EQ(later.count(AsInt(RecordCode::FIXCOL)), 1);
  }
  LogWriter other;
  other.HeaderLater(2, 3);
  EXPECT_THROW(other.Header("p", {0}, {1}, "L", {0}, {1}, {"r"}, {"c"}), Error);  // other counts
  LogWriter tooLate = Started();
  EXPECT_THROW(tooLate.HeaderLater(2, 3), Error);
}

// Infinite bounds, and the log's own 1e30, go through wherever a bound is
// taken; the log replays.
TEST(LogWriterArguments, InfiniteBoundsStayAccepted) {
  const TempDir dir;
  LogWriter log = Started();
  log.DuplicateColumn(0, 1, 2, -kInf, kInf, 0, 1e30);
  log.DoubletonRow(1, 2, 1, 4, 1, 2, 3, 2, false, -kInf, false, kInf, {});
  log.ColMap({-1, 0, -1});
  log.RowMap({0, -1});
  log.Save(dir.path(), {0, {1}, {1}, {0}});
  const Solution s = Replay(dir.path());
  EXPECT_EQ(s.cols(), 3);
  EXPECT_TRUE(std::isinf(s.colUpper()[1]));
}

// A duplicate column's factor too small to divide by: the library's error
// says it, and nothing goes to standard output (the program prints its line).
TEST(LogWriterArguments, TheReplayPrintsNothingOfItsOwn) {
  const TempDir dir;
  LogWriter log = Started();
  log.DuplicateColumn(0, 1, 0, 0, 1, 0, 1);
  log.ColMap({-1, 0, 1});
  log.RowMap({0, 1});
  log.Save(dir.path(), {0, {1, 1}, {1, 1}, {0, 0}});
  testing::internal::CaptureStdout();
  std::string message;
  try {
    Replay(dir.path());
  } catch (const Error& e) {
    message = e.what();
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_NE(message.find("duplicate column 0 of column 1 has factor 0"), std::string::npos) << message;
  const RunResult program = RunPostsolve(dir.path());
  EXPECT_EQ(program.status, 1);
  EXPECT_EQ(program.out, kBanner + std::string(" err data for duplicate column.\n"));
}

}  // namespace
