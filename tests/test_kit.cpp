// postsolve-kit: exact doubles in case text, dump/pack round trips over every
// record kind and every oddity a well-formed file may hold, dump on cut files,
// check's measures on small LPs with known answers, and exports read back.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <type_traits>

#include "harness.h"
#include "kit.h"
#include "measures.h"

namespace {

std::uint64_t Bits(double v) { return std::bit_cast<std::uint64_t>(v); }

CaseFiles Lp(const std::string& name) { return kit::LoadDir(std::string(SOURCE_DIR) + "/" + name); }

std::string DumpText(const CaseFiles& files) {
  std::ostringstream out;
  kit::Dump(files, out);
  return out.str();
}

RunResult Kit(const TempDir& scratch, std::vector<std::string> args) {
  return RunProgram(KIT_EXE, scratch, std::move(args));
}

// ---- doubles ----

TEST(KitDoubles, EveryDoubleReadsBackToItsBits) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double values[] = {0.0, -0.0, 0.1, -1e30, 1e300, 4.9406564584124654e-324,
                           2.2250738585072009e-308, std::numeric_limits<double>::max(),
                           190.22356495468279,  // the JSON library's printer needs a digit more
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(), nan, -nan,
                           std::bit_cast<double>(std::uint64_t{0x7ff0000000000001}),  // signalling
                           std::bit_cast<double>(std::uint64_t{0xfff80000deadbeef})};
  for (double v : values) {
    const std::string text = CaseDouble(v);
    double back = 1;
    ASSERT_TRUE(ReadCaseDouble(text, back)) << text;
    EXPECT_EQ(Bits(back), Bits(v)) << text;
  }
  EXPECT_EQ(CaseDouble(-0.0), "-0");
  EXPECT_EQ(CaseDouble(-nan), "-nan");
  EXPECT_EQ(CaseDouble(190.22356495468279), "190.2235649546828");
  EXPECT_EQ(CaseDouble(std::bit_cast<double>(std::uint64_t{0x7ff0000000000001})),
            "nan:0x7ff0000000000001");
  double v = 0;
  for (const char* bad : {"nan:0x123", "nan:0x3ff0000000000000", "1.5x", ""})
    EXPECT_FALSE(ReadCaseDouble(bad, v)) << bad;
}

// ---- dump and pack ----

TEST(KitDump, ShippedFilesRoundTripByteForByte) {
  for (const char* name : {"examples/bakery", "tests/lp/afiro-all-kinds", "tests/lp/brandy", "tests/lp/finnis"}) {
    const CaseFiles files = Lp(name);
    const std::string text = DumpText(files);
    const CaseFiles packed = ParseCase(text);
    EXPECT_EQ(packed.sol, files.sol) << name;
    EXPECT_EQ(packed.stk, files.stk) << name;
    EXPECT_EQ(packed.bin, files.bin) << name;
    EXPECT_EQ(DumpText(packed), text) << name;
  }
}

TEST(KitDump, BakeryHoldsEveryRecordKind) {
  std::ostringstream sink;
  const kit::Census c = kit::Dump(Lp("examples/bakery"), sink);
  for (int code = 0; code < NCODES; ++code) EXPECT_EQ(c.kinds.count(code), 1u) << CodeName(code);
  EXPECT_EQ(c.m, 8);
  EXPECT_EQ(c.n, 12);
  EXPECT_EQ(c.entries, 42);
  EXPECT_EQ(c.records, 16);
  // Each kind's block reads back alone to the same record bytes.
  const std::string text = sink.str();
  for (const char* block : {"FORROW 5\n  l 3 0 0.125 -1 {0 0.0625 1 1 2 2 7 0.125}\n",
                            "DBLROW 6 6 5 0 1 -0.25 0.5 -2.8125 0 0 1 24 {0 0.5 1 6 2 4}\n",
                            "DUPCOL 2 1 2 0 30 0 80\n", "MINBND 10 60\n"})
    EXPECT_NE(text.find(block), std::string::npos) << block;
}

// A well-formed file with everything odd the format allows: leading, middle
// and trailing bytes, names with any bytes, a record code the replay skips, a
// stack not in file order with bytes before its count, bytes after the
// solution, an end marker other than -1, a MATRIX nz above its entries, a
// DBLROW without its list, a FORROW tag that is no letter, NaN payloads.
const char* const kOdd = R"(
solution 0 2 1 x [1 nan:0x7ff00000000000ab] y [-0] z [0 -nan] tail "\x00\xffjunk"
stack [1 0 2 3 4 5 7 6] tail "\x01\x02\x03\x04"
gap "lead"
MATRIX nz 3 c [1 2] (0 1) (0 -1)
gap "\x00\"\\\n"
HEADER "odd\x00name" rlo [0 -1e30] rup [0 1e30] rtype "E\x07" clo [0 -inf] cup [10 inf]
names "r\x00w" "" "co\"l\\1\n" "\xff\xfe"
gap 3
raw 77 i 5 d 1.5
DBLROW 0 0 1 1 1 1 1 1 0 0 0 0
FORROW 1 "\x00" 1 0 1 0 {0 2 end -7} e
NULROW 1 COLMAP [0 1] ROWMAP [0 -1]
gap "trailing"
)";

TEST(KitDump, OddButWellFormedFilesRoundTrip) {
  const CaseFiles files = ParseCase(kOdd);
  {
    PostData pd;  // the replay takes it: the file is well-formed
    EXPECT_NO_THROW(ReplayLog(pd, files));
  }
  const std::string text = DumpText(files);
  const CaseFiles packed = ParseCase(text);
  EXPECT_EQ(packed.sol, files.sol);
  EXPECT_EQ(packed.stk, files.stk);
  EXPECT_EQ(packed.bin, files.bin);
  EXPECT_EQ(DumpText(packed), text);
  for (const char* shown : {"stack [1 0 2 3 4 5 7 6] tail \"\\x01\\x02\\x03\\x04\"", "MATRIX nz 3",
                            "\"co\\\"l\\\\1\\x0a\"", "raw 77", "DBLROW 0 0 1 1 1 1 1 1 0 0 0 0\n",
                            "  \"\\x00\" 1 0 1 0 {0 2 end -7}", "nan:0x7ff00000000000ab", "-nan"})
    EXPECT_NE(text.find(shown), std::string::npos) << shown << "\n" << text;
}

// ---- one payload description, read alike by the replay and by dump ----

// Gives every field of a payload a value of its own: indices 0, 1, 2, 0, ..
// (inside a four-column, four-row space), reals 0.5, 1.75, 3, ..
struct Filler {
  int ints = 0, reals = 0;
  void Int(int& v) { v = ints++ % 3; }
  void Col(int& v) { Int(v); }
  void Row(int& v) { Int(v); }
  void Real(double& v) { v = 0.5 + 1.25 * reals++; }
  void Entries(EntryList&) {}
  void OptionalEntries(EntryList&) {}
};

// The fields of a payload as numbers, in file order.
struct Collector {
  std::vector<double> values;
  bool list = false;
  void Int(int& v) { values.push_back(v); }
  void Col(int& v) { Int(v); }
  void Row(int& v) { Int(v); }
  void Real(double& v) { values.push_back(v); }
  void Entries(EntryList&) { list = true; }
  void OptionalEntries(EntryList&) { list = true; }
};

template <class Payload>
std::vector<double> FieldValues(Payload p) {
  Collector c;
  p.Fields(c);
  return c.values;
}

template <class Payload>
bool HasList() {
  Collector c;
  Payload().Fields(c);
  return c.list;
}

// One record of the kind with every field filled, then its entry list.
template <class Payload>
Payload Filled() {
  Payload p;
  Filler f;
  p.Fields(f);
  if constexpr (std::is_same_v<Payload, DblRowPayload>) {
    p.flo = 1;  // binding at its lower end, x[k] = 0: the replay reads the list too
    p.lo = 0;
  }
  return p;
}

TEST(KitDump, DumpAndReplayReadEveryKindAlike) {
  const std::string header = [] {
    ByteWriter b;
    b.code(HEADER);
    b.i32(0);
    b.i32(0);
    b.name("");
    return b.s;
  }();
  for (int code = 0; code < NCODES; ++code) {
    const auto kind = static_cast<RecordCode>(code);
    ByteWriter rec;
    std::vector<double> fields;  // what every reader must find, in file order
    const bool plain = WithPlainPayload(code, [&]<class Payload>(Payload) {
      const Payload p = Filled<Payload>();
      WritePayload(rec, kind, p);
      if (HasList<Payload>()) rec.list({{0, 7.5}, {1, -2.25}});
      fields = FieldValues(p);
      InFile f = MemIn("rec", rec.s);
      f.seek(4);
      EXPECT_EQ(FieldValues(ReadFields<Payload>(f)), fields) << CodeName(code);
    });
    if (kind == FORROW) {
      const auto head = Filled<ForRowHead>();
      const auto item = Filled<ForRowItem>();
      WritePayload(rec, kind, head);
      rec.byte('l');
      FieldWriter w{rec};
      auto copy = item;
      copy.Fields(w);
      rec.list({{3, 4.5}});
      rec.byte(kForRowEnd);
      fields = FieldValues(head);
      for (double v : FieldValues(item)) fields.push_back(v);
    } else if (!plain) {
      continue;  // the data records have readers of their own
    }
    SCOPED_TRACE(CodeName(code));

    // The replay reads exactly the record's bytes, list included.
    PostData pd = Space(4, "EEEE");
    pd.fbin = MemIn(BINFILE, rec.s);
    pd.fbin.enter(0, 0);
    PostSol(iGet(pd.fbin), pd);
    EXPECT_EQ(pd.fbin.pos, rec.s.size());

    // dump prints every field, in order, and pack turns the text back into the same bytes.
    CaseFiles files;
    files.sol = SolutionBytes(0, 0, 0, {}, {}, {});
    files.bin = header + rec.s;
    files.stk = StackBytes({0, static_cast<int>(header.size())});
    const std::string text = DumpText(files);
    EXPECT_EQ(ParseCase(text).bin, files.bin) << text;
    const std::size_t at = text.find(CodeName(code) + " ");
    std::istringstream line(text.substr(at, text.find("\n\n", at) - at));
    std::string word;
    line >> word;
    std::vector<double> printed;
    while (line >> word && word[0] != '{')
      if (word.size() > 1 || std::isdigit(static_cast<unsigned char>(word[0]))) printed.push_back(std::stod(word));
    EXPECT_EQ(printed, fields) << text;
  }
}

TEST(KitPack, CaseGrammarFaultsNameTheLine) {
  const char* bad[] = {"solution 0 0 0\nHEADER \"a\" rlo [] rup [] rtype \"\" clo [] cup []\nstack [1]\n",
                       "solution 0 0 0\nNULROW 1\nstack [0 0]\n",
                       "solution 0 0 0\nDOMCOL 1 2 3 {0 1 end 4}\n",
                       "solution 0 0 0\nDOMCOL 1 2 3 {end -2 0 1}\n",
                       "solution 0 0 0\nLOWBND 1 nan:0x1\n"};
  for (const char* text : bad) EXPECT_THROW(ParseCase(text), PostError) << text;
  // Outside the grammar: integers other than decimal or 0x hex, bytes beyond 0..255,
  // gaps that are negative or absurd, escapes other than \\ \" \n \t \xHH.
  const struct {
    const char* text;
    const char* message;
  } outside[] = {
      {"solution 0 0 0\nNULROW 010\n", "case line 2: expected an integer, found '010'"},
      {"solution 0 0 0\nNULROW +1\n", "case line 2: expected an integer, found '+1'"},
      {"solution 0 0 0\nNULROW 0x-1\n", "case line 2: expected an integer, found '0x-1'"},
      {"solution 0 0 0\nraw 11 b 256\n", "case line 2: a byte value is 0 to 255, found '256'"},
      {"solution 0 0 0\nraw 11 b -1\n", "case line 2: a byte value is 0 to 255, found '-1'"},
      {"solution 0 0 0\nNULROW 1\ngap -1\n", "case line 3: a gap is 0 to 16777216 bytes, found '-1'"},
      {"solution 0 0 0\nNULROW 1\ngap 2147483647\n", "case line 3: a gap is 0 to 16777216 bytes, found '2147483647'"},
      {"solution 0 0 0\nraw 11 s \"\\x-1\"\n", "case line 2: bad \\x escape: two hex digits wanted"},
      {"solution 0 0 0\nraw 11 s \"\\x 1\"\n", "case line 2: bad \\x escape: two hex digits wanted"},
      {"solution 0 0 0\nraw 11 s \"\\q\"\n", "case line 2: unknown escape: backslash before \"q\""},
      // A token quoted in a message stays on one line and shows no control byte.
      {"solution 0 0 0\n\"a\\nb\\x1b\"\n", "case line 2: expected a record name, found \"a\\x0ab\\x1b\""},
  };
  for (const auto& c : outside) {
    try {
      ParseCase(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const PostError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
  TempDir dir;  // and through the executable: the case line, exit 1, nothing written
  dir.Write("gap.case", outside[5].text);
  const RunResult r = Kit(dir, {"pack", dir.File("gap.case"), dir.path()});
  EXPECT_EQ(r.status, kit::kFailed);
  EXPECT_EQ(r.err, "postsolve-kit: " + dir.File("gap.case") + ": " + outside[5].message + "\n");
  EXPECT_EQ(dir.List(), (std::vector<std::string>{".run-err", ".run-out", "gap.case"}));
}

TEST(KitDump, CutFilesShowWhatReadsWellThenTheFault) {
  const CaseFiles whole = Lp("examples/bakery");
  const std::string full = DumpText(whole);
  TempDir dir;
  dir.Write(SOLFILE, whole.sol);
  dir.Write(STKFILE, whole.stk);
  // Cut inside record 5 (DOMROW at 1477), inside the name section, inside the last record.
  struct Cut {
    std::size_t at;
    const char* where;
  };
  for (const Cut& cut : {Cut{1500, "record 5 DOMROW at offset 1477: short read"},
                         Cut{400, "record 0 HEADER at offset 0: short read"},
                         Cut{2050, "record 15 ROWMAP at offset 2029: map length 8 is more"}}) {
    dir.Write(BINFILE, whole.bin.substr(0, cut.at));
    const RunResult r = Kit(dir, {"dump", dir.path()});
    EXPECT_EQ(r.status, kit::kFailed);
    EXPECT_EQ(CountLines(r.err), 1) << r.err;
    EXPECT_EQ(r.err.rfind(std::string("postsolve-kit: dravfile.bin: ") + cut.where, 0), 0u) << r.err;
    // Standard output is the full dump up to the faulty record's block.
    const std::string record = std::string("# ") + std::string(cut.where).substr(0, std::string(cut.where).find(' ', 7));
    const std::size_t upto = full.find(record);
    ASSERT_NE(upto, std::string::npos) << record;
    EXPECT_EQ(r.out, full.substr(0, upto));
  }
  // A cut solution or stack file shows nothing of the records.
  dir.Write(BINFILE, whole.bin);
  dir.Write(STKFILE, whole.stk.substr(0, 10));
  const RunResult r = Kit(dir, {"dump", dir.path()});
  EXPECT_EQ(r.status, kit::kFailed);
  EXPECT_EQ(r.err.find("postsolve-kit: dravfile.stk: "), 0u) << r.err;
  EXPECT_EQ(r.out.find("# record"), std::string::npos);
}

TEST(KitDump, SummaryCountsKindsAndSizes) {
  std::ostringstream out;
  kit::Summary(Lp("examples/bakery"), out);
  const std::string s = out.str();
  EXPECT_NE(s.find("MATRIX                1          660\n"), std::string::npos) << s;
  EXPECT_NE(s.find("names                            196\n"), std::string::npos) << s;
  EXPECT_NE(s.find("problem \"bakery\": 8 rows, 12 columns, 42 entries, 16 records\n"), std::string::npos);
  EXPECT_NE(s.find("reduced problem: 3 rows, 3 columns, solution status 0\n"), std::string::npos);
}

// ---- check ----

// min -x1 - 2 x2  s.t.  cap: x1 + x2 <= 4,  x1 in [0, 3], x2 in [0, 3], nothing
// reduced: optimum x = (1, 3), y = -1, z = (0, -1), objective -7.
std::string TwoColumns(const std::string& x, const std::string& y) {
  return "solution 0 2 1 x [" + x + "] y [" + y + "] z [0 0]\n"
         "HEADER \"two\" rlo [-1e30] rup [4] rtype \"L\" clo [0 0] cup [3 3]\n"
         "names \"cap\" \"x1\" \"x2\"\n"
         "MATRIX c [-1 -2] (0 1) (0 1)\nCOLMAP [0 1]\nROWMAP [0]\n";
}

CheckResult CheckCase(const std::string& text) {
  return Check(CollectSolution(ParseCase(text)), Tolerances{});
}

const Measure& Find(const CheckResult& r, const std::string& label) {
  for (const Measure& m : r.measures)
    if (m.label == label) return m;
  throw std::runtime_error("no measure " + label);
}

TEST(KitCheck, OptimalSolutionPasses) {
  const CheckResult r = CheckCase(TwoColumns("1 3", "-1"));
  EXPECT_TRUE(r.pass());
  EXPECT_EQ(r.objective, -7);
  for (const Measure& m : r.measures) EXPECT_EQ(m.value, 0) << m.label;
}

TEST(KitCheck, PrimalInfeasibleSolution) {
  const CheckResult r = CheckCase(TwoColumns("2 3", "-1"));  // cap: 5 > 4
  EXPECT_FALSE(r.pass());
  const Measure& primal = Find(r, "row primal feasibility");
  EXPECT_EQ(primal.value, 0.25);  // 1 / max(1, 4)
  EXPECT_EQ(primal.unscaled, 1);
  EXPECT_EQ(primal.worst, "row 1 \"cap\"");
  EXPECT_EQ(Find(r, "column primal feasibility").value, 0);
  EXPECT_EQ(r.objective, -8);
}

TEST(KitCheck, ViolationsAreScaledAsSolversScaleThem) {
  // A row 1.5e-8 beyond its bound of 4 passes (1.5e-8 / 4), as a solver
  // takes it; 1e-6 beyond it does not.
  EXPECT_TRUE(CheckCase(TwoColumns("1.000000015 3", "-1")).pass());
  EXPECT_EQ(Find(CheckCase(TwoColumns("1.000001 3", "-1")), "row primal feasibility").misses, 1);
  // A column's wrong-signed dual slack is taken against max(1, |cost|).
  const char* bigCost = "HEADER \"two\" rlo [-1e30] rup [4] rtype \"L\" clo [0 0] cup [3 3]\n"
                        "names \"cap\" \"x1\" \"x2\"\n"
                        "MATRIX c [-1000 -2000] (0 1) (0 1)\nCOLMAP [0 1]\nROWMAP [0]\n";
  const std::string sol = "solution 0 2 1 x [1 3] y [-999.99995] z [0 0]\n";
  const CheckResult r = Check(CollectSolution(ParseCase(sol + bigCost)), Tolerances{});
  const Measure& dual = Find(r, "column dual feasibility");
  EXPECT_NEAR(dual.unscaled, 5e-5, 1e-9);  // z1 = -1000 + 999.99995, x1 inside its bounds
  EXPECT_NEAR(dual.value, 5e-8, 1e-12);    // over max(1, 1000)
  EXPECT_TRUE(dual.within());
}

TEST(KitCheck, DualInfeasibleSolution) {
  // y = 0 on the active row leaves x1 strictly inside its bounds with z1 = -1.
  const CheckResult r = CheckCase(TwoColumns("1 3", "0"));
  EXPECT_FALSE(r.pass());
  const Measure& sign = Find(r, "column dual feasibility");
  EXPECT_EQ(sign.value, 1);  // |z1| / max(1, |c1|)
  EXPECT_EQ(sign.misses, 1);
  EXPECT_EQ(sign.worst, "column 1 \"x1\"");
  EXPECT_DOUBLE_EQ(Find(r, "column complementarity").value, 2.0 / 3);  // |z1| / 1 times (3 - 1) / 3
  EXPECT_EQ(Find(r, "row dual feasibility").value, 0);
  EXPECT_EQ(Find(r, "row primal feasibility").value, 0);
}

TEST(KitCheck, BoundsWithinTheToleranceFixTheColumn) {
  // x1 at 1 in [1, 1 + 5e-10], on an equality row whose dual 30000 leaves
  // z1 = 1 - 30000 pushing it up, to a bound 5e-10 away: a solver leaves a
  // column so that it takes for fixed. In [1, 1.001] the same dual is a miss.
  const auto at = [](const std::string& up) {
    return CheckCase("solution 0 1 1 x [1] y [30000] z [0]\n"
                     "HEADER \"one\" rlo [1] rup [1] rtype \"E\" clo [1] cup [" + up + "]\n"
                     "names \"e\" \"x1\"\nMATRIX c [1] (0 1)\nCOLMAP [0]\nROWMAP [0]\n");
  };
  EXPECT_TRUE(at("1.0000000005").pass());
  EXPECT_EQ(Find(at("1.0000000005"), "column complementarity").value, 0);
  EXPECT_EQ(Find(at("1.001"), "column complementarity").misses, 1);
}

TEST(KitVerifyMeasures, AnActivityWithinItsOwnRoundingMeetsItsBound) {
  // e: x1 - x2 = 22.1 at x2 = 1e12 / 3, x1 = x2 + 22.1: the activity is
  // 22.1 only to within x2's rounding (2.4e-5 off), far beyond the tolerance
  // (2.2e-6), and as near as doubles come. An activity 1e-3 off is a miss.
  Model model;
  model.name = model.path = "rounding";
  model.rowNames = {"e"};
  model.colNames = {"x1", "x2"};
  model.rlo = model.rup = {22.1};
  model.clo = {0, 0};
  model.cup = {1e13, 1e13};
  model.cost = {0, 0};
  model.start = {0, 1, 2};
  model.index = {0, 0};
  model.value = {1, -1};
  const double x2 = 1e12 / 3, x1 = x2 + 22.1;
  ASSERT_NE(x1 - x2, 22.1);
  const auto rowPrimal = [&](double v1) {
    return Find(MeasureOnModel(model, OnModel(model, {v1, x2}, {0}, 0), Tolerances{}).check,
                "row primal feasibility")
        .value;
  };
  EXPECT_EQ(rowPrimal(x1), 0);
  EXPECT_GT(rowPrimal(x1 + 1e-3), 1e-7);
}

TEST(KitVerifyMeasures, ADualSlackWithinItsOwnRoundingIsZero) {
  // A free column x in two equalities whose duals are 3.3e11 and minus that
  // plus one ulp (6.1e-5): z = 0 - y1 - y2 is 6.1e-5, within the rounding of
  // its terms (4.4e-4), where a free column's |z| is held to 1e-7. A dual
  // 1e-2 off is a miss.
  Model model;
  model.name = model.path = "dual rounding";
  model.rowNames = {"e1", "e2"};
  model.colNames = {"x"};
  model.rlo = model.rup = {0, 0};
  model.clo = {-std::numeric_limits<double>::infinity()};
  model.cup = {std::numeric_limits<double>::infinity()};
  model.cost = {0};
  model.start = {0, 2};
  model.index = {0, 1};
  model.value = {1, 1};
  const double y1 = 1e12 / 3, y2 = std::nextafter(-y1, 0.0);
  const auto colDual = [&](double dual2) {
    return Find(MeasureOnModel(model, OnModel(model, {0}, {y1, dual2}, 0), Tolerances{}).check,
                "column dual feasibility")
        .value;
  };
  EXPECT_EQ(colDual(y2), 0);
  EXPECT_GT(colDual(y2 + 1e-2), 1e-7);
}

TEST(KitCheck, WrongSignOnActiveSidesAndNonFiniteValues) {
  // y = +1 on the active <= row is the wrong sign.
  EXPECT_EQ(Find(CheckCase(TwoColumns("1 3", "1")), "row dual feasibility").value, 1);
  const CheckResult r = CheckCase(TwoColumns("nan 3", "-1"));
  EXPECT_FALSE(r.pass());
  EXPECT_EQ(r.nonfinite, 2);  // x1 and the activity of cap
  EXPECT_TRUE(std::isnan(Find(r, "column primal feasibility").value));
}

TEST(KitCheck, ShippedCasesAgainstTheirKnownState) {
  TempDir scratch;
  for (const char* ok : {"examples/bakery", "tests/lp/brandy", "tests/lp/finnis"}) {
    const RunResult r = Kit(scratch, {"check", std::string(SOURCE_DIR) + "/" + ok});
    EXPECT_EQ(r.status, kit::kOk) << ok << "\n" << r.out;
  }
  const RunResult bakery = Kit(scratch, {"check", std::string(SOURCE_DIR) + "/examples/bakery"});
  EXPECT_NE(bakery.out.find("objective c.x                      -333.1875\n"), std::string::npos);
  // afiro-all-kinds: one column misses its dual feasibility after a rounding in the data.
  const CheckResult r = Check(CollectSolution(Lp("tests/lp/afiro-all-kinds")), Tolerances{});
  long outside = 0;
  for (const Measure& m : r.measures) outside += !m.within();
  EXPECT_EQ(outside, 1);
  const Measure& dual = Find(r, "column dual feasibility");
  EXPECT_EQ(dual.misses, 1);
  EXPECT_NEAR(dual.value, 110.29, 0.01);  // its cost is below 1: not scaled
  EXPECT_EQ(dual.worst, "column 5 \"X06\"");
  const RunResult afiro = Kit(scratch, {"check", std::string(SOURCE_DIR) + "/tests/lp/afiro-all-kinds"});
  EXPECT_EQ(afiro.status, kit::kOutside);
  // A looser dual tolerance lets it through.
  const std::string dir = std::string(SOURCE_DIR) + "/tests/lp/afiro-all-kinds";
  EXPECT_EQ(Kit(scratch, {"check", "--dual-tol", "111", dir}).status, kit::kOk);
  EXPECT_EQ(Kit(scratch, {"check", "--dual-tol", "110", dir}).status, kit::kOutside);
}

// ---- export ----

// Values that must survive: -0, an infinite bound, NaN with a payload, a
// number the JSON library would print with a digit too many; names that need
// CSV quoting and one that is not UTF-8.
const char* const kExport = R"(
solution 0 3 1 x [-0 nan:0x7ff8000000000abc 190.22356495468279] y [0.1] z [0 0 0]
HEADER "exp" rlo [-1e30] rup [4] rtype "L" clo [0 -1e30 -2] cup [1e30 5 2]
names "a,\"b\"" "x\n1" "\xff" "plain"
MATRIX c [1 0.3 -0] (0 1) () (0 2)
COLMAP [0 1 2]
ROWMAP [0]
)";

TEST(KitExport, JsonReadsBackToTheBits) {
  const FullSolution sol = CollectSolution(ParseCase(kExport));
  SolutionWalk walk(ParseCase(kExport));
  std::ostringstream out;
  kit::ExportJson(walk, out);
  EXPECT_NE(out.str().find("190.2235649546828,"), std::string::npos) << out.str();
  const auto doc = nlohmann::json::parse(out.str());
  auto num = [](const nlohmann::json& j) {
    double v = 0;
    if (j.is_string()) EXPECT_TRUE(ReadCaseDouble(j.get<std::string>(), v));
    else v = j.get<double>();
    return v;
  };
  ASSERT_EQ(doc["columns"].size(), 3u);
  for (std::size_t j = 0; j < 3; ++j) {
    const auto& c = doc["columns"][j];
    EXPECT_EQ(Bits(num(c["value"])), Bits(sol.cols[j].x)) << j;
    EXPECT_EQ(Bits(num(c["dual_slack"])), Bits(sol.cols[j].z)) << j;
    EXPECT_EQ(Bits(num(c["lower"])), Bits(sol.cols[j].lo)) << j;
    EXPECT_EQ(Bits(num(c["upper"])), Bits(sol.cols[j].up)) << j;
  }
  EXPECT_EQ(doc["columns"][0]["value"].dump(), "-0.0");
  EXPECT_EQ(doc["columns"][1]["value"], "nan:0x7ff8000000000abc");
  EXPECT_EQ(doc["rows"][0]["lower"], "-inf");
  EXPECT_EQ(Bits(num(doc["rows"][0]["dual"])), Bits(0.1));
  EXPECT_EQ(doc["rows"][0]["name"], "a,\"b\"");
  EXPECT_EQ(doc["columns"][1]["name"], "\xef\xbf\xbd");  // not UTF-8: U+FFFD
}

// Splits RFC 4180 text into records of fields.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (quoted) {
      if (ch == '"' && i + 1 < text.size() && text[i + 1] == '"') rows.back().back() += text[++i];
      else if (ch == '"') quoted = false;
      else rows.back().back() += ch;
    } else if (ch == '"') quoted = true;
    else if (ch == ',') rows.back().emplace_back();
    else if (ch == '\n') rows.emplace_back(1);
    else rows.back().back() += ch;
  }
  rows.pop_back();  // after the last newline
  return rows;
}

TEST(KitExport, CsvReadsBackToTheBits) {
  const FullSolution sol = CollectSolution(ParseCase(kExport));
  SolutionWalk walk(ParseCase(kExport));
  std::ostringstream out;
  kit::ExportCsv(walk, out);
  const auto rows = ParseCsv(out.str());
  auto bits = [](const std::string& s) {
    double v = 0;
    EXPECT_TRUE(ReadCaseDouble(s, v)) << s;
    return Bits(v);
  };
  ASSERT_EQ(rows.size(), 3u + sol.rows.size() + sol.cols.size());
  EXPECT_EQ(rows[0], (std::vector<std::string>{"kind", "name", "type", "lower", "upper", "value", "dual"}));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"status", "optimal", "", "", "", "0", ""}));
  EXPECT_EQ(rows[2][0], "objective");
  EXPECT_EQ(bits(rows[2][5]), Bits(Objective(sol)));
  EXPECT_EQ(rows[3][1], "a,\"b\"");
  EXPECT_EQ(rows[4][1], "x\n1");
  EXPECT_EQ(bits(rows[3][6]), Bits(sol.rows[0].dual));
  for (std::size_t j = 0; j < sol.cols.size(); ++j) {
    const auto& r = rows[4 + j];
    ASSERT_EQ(r.size(), 7u);
    EXPECT_EQ(r[0], "column");
    EXPECT_EQ(r[2], sol.cols[j].type);
    EXPECT_EQ(bits(r[3]), Bits(sol.cols[j].lo));
    EXPECT_EQ(bits(r[4]), Bits(sol.cols[j].up));
    EXPECT_EQ(bits(r[5]), Bits(sol.cols[j].x));
    EXPECT_EQ(bits(r[6]), Bits(sol.cols[j].z));
  }
}

// ---- the command line ----

TEST(KitCommand, StatusesAndOneLineErrors) {
  TempDir dir;
  EXPECT_EQ(Kit(dir, {}).status, kit::kUsage);
  EXPECT_EQ(Kit(dir, {"export", dir.path()}).status, kit::kUsage);  // no --format
  EXPECT_EQ(Kit(dir, {"export", dir.path(), "--format", "xml"}).status, kit::kUsage);
  EXPECT_EQ(Kit(dir, {"check", "--help"}).status, kit::kOk);
  const RunResult missing = Kit(dir, {"check", dir.path()});
  EXPECT_EQ(missing.status, kit::kFailed);
  EXPECT_EQ(CountLines(missing.err), 1);
  EXPECT_EQ(missing.err.rfind("postsolve-kit: " + dir.path() + "/dravfile.sol: cannot open", 0), 0u) << missing.err;

  // pack then dump through the executable, and export to a file.
  dir.Write("two.case", TwoColumns("1 3", "-1"));
  EXPECT_EQ(Kit(dir, {"pack", dir.File("two.case"), dir.path()}).status, kit::kOk);
  EXPECT_EQ(dir.Read(BINFILE), ParseCase(TwoColumns("1 3", "-1")).bin);
  EXPECT_EQ(Kit(dir, {"export", dir.path(), "--format", "csv", "-o", dir.File("out.csv")}).status, kit::kOk);
  EXPECT_EQ(dir.Read("out.csv").substr(0, 38), "kind,name,type,lower,upper,value,dual\n");
  dir.Write("bad.case", "solution 0 0 0\nNOSUCH 1\n");
  const RunResult bad = Kit(dir, {"pack", dir.File("bad.case"), dir.path()});
  EXPECT_EQ(bad.status, kit::kFailed);
  EXPECT_EQ(bad.err, "postsolve-kit: " + dir.File("bad.case") + ": case line 2: unknown record 'NOSUCH'\n");
}

// pack and export -o: every output complete or not at all, in a directory
// made when missing; a write failure names the file and the system's reason.
TEST(KitPack, OutputsAppearWholeOrNotAtAll) {
  TempDir dir;
  const std::string bakery = std::string(SOURCE_DIR) + "/examples/bakery/bakery.case";
  const std::string fresh = dir.File("new/deeper");
  ASSERT_EQ(Kit(dir, {"pack", bakery, fresh}).status, kit::kOk);
  EXPECT_EQ(ReadFile(fresh + "/" + BINFILE), ParseCase(ReadFile(bakery)).bin);
  ASSERT_EQ(Kit(dir, {"export", fresh, "--format", "json", "-o", dir.File("out/x.json")}).status, kit::kOk);

  // A file-size limit of one 512-byte block: the shell leaves SIGXFSZ at its
  // default, the kit turns it into its ordinary write error.
  dir.Write("two.case", TwoColumns("1 3", "-1"));
  const std::string set = dir.File("set");
  ASSERT_EQ(Kit(dir, {"pack", dir.File("two.case"), set}).status, kit::kOk);
  const CaseFiles before = ReadCaseFiles(set);
  auto limited = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"-c", "ulimit -f 1; exec \"$0\" \"$@\"", KIT_EXE});
    return RunProgram("/bin/sh", dir, args);
  };
  const RunResult pack = limited({"pack", bakery, set});
  EXPECT_EQ(pack.status, kit::kFailed);
  EXPECT_TRUE(pack.err.starts_with("postsolve-kit: " + set + "/.postsolve-stage.") &&
              pack.err.ends_with(": write error: File too large; " + set + " keeps its earlier result\n") &&
              CountLines(pack.err) == 1)
      << pack.err;
  const CaseFiles after = ReadCaseFiles(set);
  EXPECT_TRUE(after.sol == before.sol && after.stk == before.stk && after.bin == before.bin);
  EXPECT_EQ(TempDir::ListOf(set), (std::vector<std::string>{BINFILE, SOLFILE, STKFILE}));

  const RunResult exported = limited({"export", fresh, "--format", "json", "-o", dir.File("out/x.json")});
  EXPECT_EQ(exported.status, kit::kFailed);
  EXPECT_EQ(exported.err, "postsolve-kit: " + dir.File("out/x.json") + ": write error: File too large\n");
  EXPECT_EQ(TempDir::ListOf(dir.File("out")), std::vector<std::string>{"x.json"});
}

// ---- at scale: the commands read the files from disk as they go ----

// A log whose dump runs to megabytes: many columns, a name each, every one
// reduced away and back by a FIXCOL.
std::string WideCase(int n) {
  std::ostringstream t;
  t << "solution 0 " << n - 1 << " 2 x [";
  for (int j = 1; j < n; ++j) t << j % 7 << ' ';
  t << "] y [0.5 -1.25] z [";
  for (int j = 1; j < n; ++j) t << "0 ";
  t << "]\nHEADER \"wide\" rlo [0 -1e30] rup [1e30 8] rtype \"GL\" clo [";
  for (int j = 0; j < n; ++j) t << "0 ";
  t << "] cup [";
  for (int j = 0; j < n; ++j) t << "1e30 ";
  t << "]\nnames \"supply\" \"cap\"";
  for (int j = 0; j < n; ++j) t << " \"col" << j << '"';
  t << "\nMATRIX c [";
  for (int j = 0; j < n; ++j) t << j % 3 << ".125 ";
  t << ']';
  for (int j = 0; j < n; ++j) t << " (0 1.5 1 " << -(j % 5) << ".75)";
  t << "\nFIXCOL 0 2 0.5 {0 1.5 1 -0.75}\nCOLMAP [-1";
  for (int j = 1; j < n; ++j) t << ' ' << j - 1;
  t << "]\nROWMAP [0 1]\n";
  return t.str();
}

// Text that the workers make a chunk at a time comes out in the walk's order.
TEST(KitAtScale, FormattedWalksKeepTheWalksOrder) {
  SolutionWalk walk(ParseCase(WideCase(20000)));
  auto show = [](std::size_t index, const ColSol& c) {
    return std::to_string(index) + ' ' + c.name + ' ' + CaseDouble(c.x) + '\n';
  };
  std::string walked;
  std::size_t index = 0;
  walk.Cols([&](const ColSol& c) { walked += show(index++, c); });
  std::ostringstream formatted;
  walk.FormatCols([&](const ColSol& c, std::size_t i, std::string& text) { text += show(i, c); }, formatted);
  EXPECT_EQ(index, 20000u);  // several chunks
  EXPECT_EQ(formatted.str(), walked);
}

TEST(KitAtScale, CommandsOnDiskGiveWhatTheyGiveInMemory) {
  const CaseFiles files = ParseCase(WideCase(60000));
  TempDir dir, scratch;
  WriteCaseFiles(files, dir.path());

  // The dump is written in pieces as it is made; it must still pack back to the bytes.
  const RunResult dump = Kit(scratch, {"dump", dir.path()});
  ASSERT_EQ(dump.status, 0) << dump.err;
  ASSERT_GT(dump.out.size(), std::size_t{2} << 20);
  EXPECT_EQ(dump.out, DumpText(files));
  const CaseFiles back = ParseCase(dump.out);
  EXPECT_TRUE(back.sol == files.sol && back.stk == files.stk && back.bin == files.bin);

  std::ostringstream summary;
  kit::Summary(files, summary);
  EXPECT_EQ(Kit(scratch, {"dump", "--summary", dir.path()}).out, summary.str());

  SolutionWalk walk(files);
  std::ostringstream check, json;
  PrintCheck(Check(CollectSolution(files), Tolerances{}), check);
  EXPECT_EQ(Kit(scratch, {"check", dir.path()}).out, check.str());
  kit::ExportJson(walk, json);
  EXPECT_EQ(Kit(scratch, {"export", "--format", "json", dir.path()}).out, json.str());

  // Trailing bytes after the last record come out as gap lines, read and
  // written a piece at a time: here several pieces, some not zero.
  CaseFiles tailed = files;
  tailed.bin.append(std::size_t{3} << 20, '\0');
  tailed.bin[tailed.bin.size() - 5] = 'x';
  TempDir tailDir;
  WriteCaseFiles(tailed, tailDir.path());
  const RunResult tail = Kit(scratch, {"dump", tailDir.path()});
  ASSERT_EQ(tail.status, 0) << tail.err;
  EXPECT_EQ(tail.out, DumpText(tailed));
  EXPECT_EQ(ParseCase(tail.out).bin, tailed.bin);

  // A fault in the matrix, read before any of its text is written: the dump
  // shows the records before it and nothing of it.
  CaseFiles cut = files;
  const std::size_t matrixAt = static_cast<std::size_t>(I32(cut.stk, 4));
  cut.bin.resize(matrixAt + 100);
  TempDir cutDir;
  WriteCaseFiles(cut, cutDir.path());
  const RunResult failed = Kit(scratch, {"dump", cutDir.path()});
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.err.rfind("postsolve-kit: dravfile.bin: record 1 MATRIX at offset ", 0), 0u) << failed.err;
  EXPECT_EQ(failed.out.find("MATRIX"), std::string::npos);
  EXPECT_EQ(failed.out.find("# record 1 "), std::string::npos);
  EXPECT_NE(failed.out.find("# record 0 at offset"), std::string::npos);
}

}  // namespace
