// Damaged copies of well-formed cases, made systematically: cuts of each
// input file at every length (a dense sample of a long one), and single-byte
// changes to the fixed fields of every record, to the offset stack and to the
// solution counts. However damaged, a run either completes with a whole report
// or fails cleanly with one message naming the damaged file, leaving nothing
// behind; a cut that removes only bytes the run never reads changes nothing.
// The bulk runs in-process from memory; a sample runs the executable, which
// must keep the console contract and agree with the in-process run exactly.
// Under the sanitizers a seeded sample of the damage runs (see DamageSample):
// every byte position, each with one replacement, and one cut in every few.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "harness.h"

namespace {

const std::string kFiles[] = {SOLFILE, STKFILE, BINFILE};

// A sampled run tries one cut length in this many consecutive ones, and one
// of a byte's replacement values (there are never more than seven).
constexpr std::size_t kCutStretch = 8;
constexpr std::size_t kAllReplacements = 7;

struct Case {
  std::string name;
  CaseFiles files;
  bool small;  // every record and every stack entry gets damaged, not a sample
};

// The example (all sixteen record kinds), the case files, and real LPs.
std::vector<Case> WellFormed() {
  std::vector<Case> cases;
  cases.push_back({"bakery", ParseCase(ReadFile(std::string(SOURCE_DIR) + "/examples/bakery/bakery.case")), true});
  for (const char* name : {"mixed", "unread-tail"}) cases.push_back({name, ParseCase(CaseText(name)), true});
  for (const char* lp : {"afiro-all-kinds", "brandy", "finnis"})
    cases.push_back({lp, ReadCaseFiles(std::string(SOURCE_DIR) + "/tests/lp/" + lp), false});
  return cases;
}

// Every length below `size` for a short file; for a long one every length in
// its first and last `edge` bytes and every `stride`th between.
std::vector<std::size_t> CutLengths(std::size_t size, std::size_t edge, std::size_t stride) {
  std::vector<std::size_t> lens;
  for (std::size_t len = 0; len < size; ++len)
    if (size <= 4096 || len < edge || len + edge >= size || len % stride == 0) lens.push_back(len);
  return lens;
}

// `count` of the items, spread evenly, the first and last included.
template <class T>
std::vector<T> Spread(const std::vector<T>& all, std::size_t count) {
  if (all.size() <= count) return all;
  std::vector<T> some;
  for (std::size_t k = 0; k < count; ++k) some.push_back(all[k * (all.size() - 1) / (count - 1)]);
  return some;
}

// A failure must name the file that was damaged. A damaged offset stack may
// also point the replay at the wrong bytes of the record file, and damaged
// solution counts may disagree with its maps.
bool NamesTheFile(const Outcome& o, const std::string& file, bool orRecords = false) {
  return o.message.starts_with(file + ": ") || (orRecords && o.message.starts_with(std::string(BINFILE) + ": "));
}

// The inputs again on the executable, a few runs at a time: each run keeps
// the console contract and ends exactly as the in-process run from memory.
void ExecutableAgrees(const std::vector<CaseFiles>& inputs, const std::vector<std::string>& labels) {
  std::vector<Outcome> inMemory;
  {
    TempDir dir;
    for (const CaseFiles& f : inputs) inMemory.push_back(RunInMemory(f, dir));
  }
  std::vector<std::string> problems(inputs.size());
  ForEachInParallel(inputs.size(), [&](const TempDir& dir, std::size_t i) {
    Outcome exe;
    testing::AssertionResult clean = RunsCleanly(inputs[i], dir, exe);
    if (!clean) problems[i] = clean.message();
    else if (!(exe == inMemory[i]))
      problems[i] = testing::PrintToString(exe) + "\n  in memory: " + testing::PrintToString(inMemory[i]);
  });
  for (std::size_t i = 0; i < inputs.size(); ++i)
    EXPECT_TRUE(problems[i].empty()) << labels[i] << ": " << problems[i];
}

// Counts mismatches, reporting only the first few of a battery in full.
class Tally {
 public:
  explicit Tally(std::string what) : what_(std::move(what)) {}
  ~Tally() {
    EXPECT_EQ(bad_, 0u) << bad_ << " of " << runs_ << " runs of " << what_ << " went wrong"
                        << DamageSample::Get().Repeat();
  }
  Tally(const Tally&) = delete;
  Tally& operator=(const Tally&) = delete;
  void Check(bool ok, const std::string& label, const Outcome& o) {
    ++runs_;
    if (ok) return;
    if (++bad_ <= 5) ADD_FAILURE() << what_ << ", " << label << ": " << o;
  }

 private:
  std::string what_;
  std::size_t runs_ = 0, bad_ = 0;
};

// ---- the sample the sanitizer build tries ----

TEST(DamageSample, ReachesEveryStretchAndRepeatsFromItsSeed) {
  std::vector<int> all(20);
  for (int k = 0; k < 20; ++k) all[k] = k;
  EXPECT_EQ(DamageSample(true, 5).Thin(all, 8), all);
  DamageSample sample(false, 5), again(false, 5), other(false, 6);
  std::vector<int> picks, otherPicks;
  for (int round = 0; round < 200; ++round) {
    const std::vector<int> some = sample.Thin(all, 8);
    ASSERT_EQ(some.size(), 3u);  // two whole stretches and the last four items
    for (std::size_t s = 0; s < some.size(); ++s) {
      EXPECT_GE(some[s], static_cast<int>(8 * s));
      EXPECT_LT(some[s], static_cast<int>(8 * s + 8));
    }
    EXPECT_EQ(again.Thin(all, 8), some);
    picks.insert(picks.end(), some.begin(), some.end());
    const std::vector<int> others = other.Thin(all, 8);
    otherPicks.insert(otherPicks.end(), others.begin(), others.end());
  }
  EXPECT_NE(picks, otherPicks);
  // Over many draws every item comes up, the last one of the short stretch too.
  for (int k = 0; k < 20; ++k) EXPECT_NE(std::count(picks.begin(), picks.end(), k), 0) << k;
}

// ---- cuts ----

TEST(DamageCut, EveryCutOfEveryFileCompletesUnchangedOrFailsNamingTheFile) {
  const std::string junk = "\x01\xff\x7f\x80junk after the end";
  std::vector<CaseFiles> sample;
  std::vector<std::string> labels;
  TempDir dir;
  for (const Case& c : WellFormed()) {
    // Laid out as written, a cut removes the records replayed first; in replay
    // order it lets every record before it replay and fails in the one it cuts.
    for (bool replayOrder : {false, true}) {
      const CaseFiles layout = replayOrder ? InReplayOrder(c.files) : c.files;
      const Outcome intact = RunInMemory(layout, dir);
      ASSERT_NE(intact.status, 1) << c.name << ": " << intact;
      for (const std::string& file : kFiles) {
        // Bytes after what the counts and records say are never read; the
        // count of the offset stack is its last int32, so it has no such tail.
        CaseFiles base = layout;
        if (file != STKFILE) FileOf(base, file) += junk;
        const std::size_t whole = FileOf(layout, file).size();
        const std::string what = c.name + (replayOrder ? " in replay order" : "") + ", " + file;
        Tally tally(what + " cut");
        // Laid out as written, a cut of the record file short of its end fails
        // in the first record replayed; the cuts that reach deep are in replay order.
        const bool deep = replayOrder || file != BINFILE;
        const std::vector<std::size_t> lens = DamageSample::Get().Thin(
            CutLengths(FileOf(base, file).size(), deep ? 1024 : 256, deep ? 127 : 1021), kCutStretch);
        CaseFiles cut = base;
        for (std::size_t len : lens) {
          FileOf(cut, file).assign(FileOf(base, file), 0, len);
          const Outcome o = RunInMemory(cut, dir);
          // A run that completes read nothing that was cut: it is the intact run.
          const bool ok = len >= whole ? o == intact : o.status == 1 ? NamesTheFile(o, file, file == STKFILE) : o == intact;
          tally.Check(ok, "cut to " + std::to_string(len) + " bytes", o);
        }
        for (std::size_t len : Spread(lens, 6)) {
          sample.push_back(base);
          FileOf(sample.back(), file).resize(len);
          labels.push_back(what + " cut to " + std::to_string(len) + " bytes");
        }
      }
    }
  }
  ExecutableAgrees(sample, labels);
}

TEST(DamageCut, CuttingBytesTheRunNeverReadsChangesNothing) {
  // Laid out in replay order, the file ends with the non-binding doubleton
  // row of unread-tail, whose column list is never read.
  const CaseFiles f = InReplayOrder(ParseCase(CaseText("unread-tail")));
  const std::size_t dblrow = Offsets(f)[1], listStart = dblrow + 4 + 3 * 4 + 5 * 8 + 2 * (4 + 8);
  ASSERT_EQ(I32(f.bin, dblrow), AsInt(DBLROW));
  ASSERT_GT(f.bin.size(), listStart);
  TempDir dir;
  const Outcome intact = RunInMemory(f, dir);
  ASSERT_EQ(intact.status, 2) << intact;
  std::vector<CaseFiles> cuts;
  std::vector<std::string> labels;
  for (std::size_t len = listStart; len < f.bin.size(); ++len) {
    CaseFiles cut = f;
    cut.bin.resize(len);
    EXPECT_EQ(RunInMemory(cut, dir), intact) << "cut to " << len;
    cuts.push_back(cut);
    labels.push_back("record file cut to " + std::to_string(len));
  }
  // One byte less and the record's last field is gone.
  CaseFiles cut = f;
  cut.bin.resize(listStart - 1);
  const Outcome o = RunInMemory(cut, dir);
  EXPECT_TRUE(o.message.starts_with(std::string(BINFILE) + ": record 1 DBLROW at offset " + std::to_string(dblrow) +
                                    ": short read"))
      << o;
  cuts.push_back(cut);
  labels.push_back("record file cut inside the last field");
  ExecutableAgrees(cuts, labels);
}

// ---- single-byte changes ----

// Bytes of the fields a record has before any list or array: its code,
// indices, counts and scalars; for FORROW those of its first item too, for
// MATRIX a few of its column counts.
std::vector<std::size_t> FixedFieldBytes(const std::string& bin, std::size_t off) {
  static const std::size_t kFixed[NCODES] = {
      24,  // DOMCOL: code j xval cj
      52,  // DUPCOL: code k j alpha lok upk loj upj
      24,  // FIXCOL: code j xval cj
      24,  // NULCOL: code j xval zval
      16,  // LOWBND: code j l
      12,  // MATRIX: code nz ncols
      16,  // MINBND: code j u
      16,  // HEADER: code m n len
      80,  // DBLROW: code r j k b aj ak cj ck flo lo fup up
      36,  // DOMROW: code r j b a cj
      8,   // FORROW: code r
      8,   // NULROW: code r
      20,  // DUPROW: code r s v
      36,  // SGLROW: code r j xval a cj
      8,   // COLMAP: code N
      8,   // ROWMAP: code N
  };
  const int code = I32(bin, off);
  std::vector<std::size_t> at;
  for (std::size_t b = 0; b < kFixed[code]; ++b) at.push_back(off + b);
  if (code == AsInt(FORROW) && bin[off + 8] != 'e')
    for (std::size_t b = 8; b < 8 + 1 + 4 + 3 * 8; ++b) at.push_back(off + b);  // tag j xval a cj
  if (code == AsInt(MATRIX)) {
    const int ncols = I32(bin, off + 8);
    std::size_t p = off + 12 + static_cast<std::size_t>(ncols) * 8;
    for (int e = 0; e < ncols; ++e) {
      if (e < 3 || e == ncols - 1)
        for (std::size_t b = 0; b < 4; ++b) at.push_back(p + b);
      p += 4 + static_cast<std::size_t>(I32(bin, p)) * 12;
    }
  }
  return at;
}

// The values a byte is changed to: the extremes, the sign-bit boundary, one
// step either way and the high bit flipped; its own value left out.
std::vector<char> Replacements(char was) {
  const auto b = static_cast<unsigned char>(was);
  std::vector<char> to;
  for (int v : {0x00, 0xff, 0x7f, 0x80, (b + 1) & 0xff, (b - 1) & 0xff, b ^ 0x80})
    if (v != b && std::find(to.begin(), to.end(), static_cast<char>(v)) == to.end()) to.push_back(static_cast<char>(v));
  return to;
}

// The records to damage: all of a small case; of a real LP the first record
// of each kind.
std::vector<std::size_t> RecordsToDamage(const Case& c) {
  const std::vector<std::size_t> off = Offsets(c.files);
  std::vector<std::size_t> recs;
  for (std::size_t i = 0; i < off.size(); ++i) {
    const int code = I32(c.files.bin, off[i]);
    bool first = true;
    for (std::size_t k = 0; k < i; ++k)
      if (I32(c.files.bin, off[k]) == code) first = false;
    if (c.small || first) recs.push_back(i);
  }
  return recs;
}

// Damages each byte of `where` in `file` of every case with each replacement.
void EveryByteChange(const std::string& file,
                     const std::function<std::vector<std::size_t>(const Case&)>& where) {
  std::vector<CaseFiles> sample;
  std::vector<std::string> labels;
  TempDir dir;
  for (const Case& c : WellFormed()) {
    Tally tally(c.name + ", " + file + " byte changes");
    std::size_t n = 0;
    for (std::size_t at : where(c)) {
      for (char to : DamageSample::Get().Thin(Replacements(FileOf(c.files, file)[at]), kAllReplacements)) {
        CaseFiles damaged = c.files;
        FileOf(damaged, file)[at] = to;
        const Outcome o = RunInMemory(damaged, dir);
        const std::string label = "byte " + std::to_string(at) + " set to " + std::to_string(static_cast<unsigned char>(to));
        tally.Check(o.status != 1 || NamesTheFile(o, file, file != BINFILE), label, o);
        if (n++ % 37 == 0) {
          sample.push_back(damaged);
          labels.push_back(c.name + ", " + file + " " + label);
        }
      }
    }
  }
  ExecutableAgrees(sample, labels);
}

TEST(DamageByte, FixedFieldsOfEveryRecordKind) {
  EveryByteChange(BINFILE, [](const Case& c) {
    std::vector<std::size_t> at;
    for (std::size_t rec : RecordsToDamage(c))
      for (std::size_t b : FixedFieldBytes(c.files.bin, Offsets(c.files)[rec])) at.push_back(b);
    return at;
  });
}

TEST(DamageByte, OffsetStackEntriesAndCount) {
  EveryByteChange(STKFILE, [](const Case& c) {
    // Of a long stack its first and last three entries and the count.
    std::vector<std::size_t> at;
    for (std::size_t b = 0; b < c.files.stk.size(); ++b)
      if (c.small || b < 12 || b + 16 >= c.files.stk.size()) at.push_back(b);
    return at;
  });
}

TEST(DamageByte, SolutionStatusAndCounts) {
  EveryByteChange(SOLFILE, [](const Case&) {
    std::vector<std::size_t> at;
    for (std::size_t b = 0; b < 12; ++b) at.push_back(b);
    return at;
  });
}

}  // namespace
