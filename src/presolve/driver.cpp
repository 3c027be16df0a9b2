// The presolve driver: passes over the rows and columns that changed, the
// duplicate searches when a pass finds nothing else, and the reduced LP.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <sstream>
#include <utility>

#include "bulkmem.h"
#include "phases.h"
#include "work.h"

namespace postsolve {

namespace presolve {

Presolver::Presolver(const Model& model, const PresolveOptions& options, LogWriter& log)
    : model_(model), opt_(options), log_(log), lp_(model) {
  for (int j = 0; j < lp_.n; ++j)
    if (lp_.clo[j] > lp_.cup[j] + opt_.feasTol * (1 + std::fabs(lp_.cup[j])))
      ColFails(j, "its lower bound is above its upper bound");
  for (int i = 0; i < lp_.m; ++i)
    if (lp_.rlo[i] > lp_.rup[i] + opt_.feasTol * (1 + std::fabs(lp_.rup[i])))
      RowFails(i, "its lower bound is above its upper bound");
}

bool Presolver::Within(double v, double lo, double up) const {
  return v >= lo - opt_.feasTol * (1 + std::fabs(lo)) && v <= up + opt_.feasTol * (1 + std::fabs(up));
}

double Presolver::RowTolerance(int i, double bound) const {
  return opt_.feasTol * (1 + std::max(std::fabs(bound), lp_.rowSize[i]));
}

bool Presolver::RowAdmits(int i, double v, double lo, double up) const {
  return v >= lo - RowTolerance(i, lo) && v <= up + RowTolerance(i, up);
}

void Presolver::RowFails(int i, const std::string& why) const {
  throw PresolveVerdict(model_.path + ": the LP is infeasible: row " + model_.rowNames[i] + " (index " +
                  std::to_string(i) + "): " + why, Status::Infeasible);
}

void Presolver::ColFails(int j, const std::string& why, Status verdict) const {
  throw PresolveVerdict(model_.path + ": the LP is " + (verdict == Status::Unbounded ? "unbounded" : "infeasible") + ": column " + model_.colNames[j] +
                            " (index " + std::to_string(j) + "): " + why,
                        verdict);
}

namespace {

// Times a part of the presolve into `into` as "NAME", or with a log as
// "NAME (reductions it logged)".
class PartTimer {
 public:
  PartTimer(std::vector<PhaseTiming>& into, std::string name, const LogWriter* log = nullptr)
      : into_(into), name_(std::move(name)), log_(log), wall_(std::chrono::steady_clock::now()),
        cpu_(ProcessCpuSeconds()), records_(Records()) {}
  ~PartTimer() {
    PhaseTiming t;
    t.name = log_ == nullptr ? name_ : name_ + " (" + std::to_string(Records() - records_) + ")";
    t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count();
    t.cpu = ProcessCpuSeconds() - cpu_;
    t.peakKiB = PeakResidentKiB();
    into_.push_back(std::move(t));
  }
  PartTimer(const PartTimer&) = delete;
  PartTimer& operator=(const PartTimer&) = delete;

 private:
  long Records() const {
    long n = 0;
    if (log_ != nullptr)
      for (Reduction k : kReductionKinds) n += log_->count(AsInt(k));
    return n;
  }
  std::vector<PhaseTiming>& into_;
  std::string name_;
  const LogWriter* log_;
  std::chrono::steady_clock::time_point wall_;
  double cpu_;
  long records_;
};

}  // namespace

void Presolver::Run() {
  for (int pass = 0; pass < opt_.passLimit; ++pass) {
    bool changed = false;
    {
      const PartTimer timer(passes_, "pass " + std::to_string(pass + 1), &log_);
      for (int i : lp_.TakeRows())
        changed |= NullRow(i) || SingletonRow(i) || ForcingRow(i) || DoubletonRow(i) || DominatingRow(i);
      for (int j : lp_.TakeCols()) changed |= NullCol(j) || FixedCol(j) || DominatedCol(j);
    }
    if (!changed) {
      const PartTimer timer(passes_, "duplicates " + std::to_string(pass + 1), &log_);
      const bool rows = DuplicateRows();
      const bool cols = DuplicateCols();
      if (!rows && !cols) break;
    }
  }
  UnboundedWhenNoRowLeft();
}

PresolveResult Presolver::Finish(const std::string& logName) {
  {
    const PartTimer timer(passes_, "bound shifts", &log_);
    ShiftBounds();
  }
  std::optional<PartTimer> timer(std::in_place, passes_, "reduced LP");
  PresolveResult result;
  Model& reduced = result.reduced;
  reduced.path = model_.path;
  reduced.name = model_.name;
  // Sized first, and the working matrix let go of as soon as it is copied:
  // the reduced LP takes its place rather than joining it.
  lp_.ReleaseRows();
  const auto rowsLeft = std::count_if(lp_.rowState.begin(), lp_.rowState.end(),
                                      [](char state) { return state != WorkLp::kRemoved; });
  const auto colsLeft = std::count(lp_.colLive.begin(), lp_.colLive.end(), 1);
  long entriesLeft = 0;
  for (int j = 0; j < lp_.n; ++j)
    if (lp_.colLive[j]) entriesLeft += static_cast<long>(lp_.Col(j).size());
  for (auto* v : {&reduced.rlo, &reduced.rup}) v->reserve(static_cast<std::size_t>(rowsLeft));
  for (auto* v : {&reduced.clo, &reduced.cup, &reduced.cost}) v->reserve(static_cast<std::size_t>(colsLeft));
  reduced.rowNames.reserve(static_cast<std::size_t>(rowsLeft));
  reduced.colNames.reserve(static_cast<std::size_t>(colsLeft));
  reduced.start.reserve(static_cast<std::size_t>(colsLeft) + 1);
  reduced.index.reserve(static_cast<std::size_t>(entriesLeft));
  reduced.value.reserve(static_cast<std::size_t>(entriesLeft));
  std::vector<int> colMap(lp_.n, -1), rowMap(lp_.m, -1);
  int rowsKept = 0;
  for (int i = 0; i < lp_.m; ++i)
    if (lp_.rowState[i] != WorkLp::kRemoved) rowMap[i] = rowsKept++;
  for (int j = 0; j < lp_.n; ++j) {
    if (!lp_.colLive[j]) continue;
    colMap[j] = reduced.cols();
    reduced.clo.push_back(lp_.clo[j]);
    reduced.cup.push_back(lp_.cup[j]);
    reduced.cost.push_back(lp_.cost[j]);
    for (const auto& [i, a] : lp_.Col(j)) {  // in the model's order still
      reduced.index.push_back(rowMap[i]);
      reduced.value.push_back(lp_.sign[j] * a);
    }
    reduced.start.push_back(static_cast<int>(reduced.index.size()));
  }
  lp_.ReleaseCols();
  for (int i = 0; i < lp_.m; ++i) {
    if (rowMap[i] < 0) continue;
    reduced.rowNames.push_back(model_.rowNames[i]);
    reduced.rlo.push_back(lp_.rlo[i]);
    reduced.rup.push_back(lp_.rup[i]);
  }
  for (int j = 0; j < lp_.n; ++j)
    if (colMap[j] >= 0) reduced.colNames.push_back(model_.colNames[j]);
  // The working LP is done with: it goes, with the holes it leaves in the
  // heap, before the log's largest records are made.
  lp_ = WorkLp();
  ReturnFreedMemory();
  timer.emplace(passes_, "log header and matrix");
  // Only now, with the working LP gone, the log's largest records: the
  // model's bounds, names and matrix.
  WriteHeader(log_, model_, logName);
  ReturnFreedMemory();  // the Header's bounds, copied as the log holds them
  WriteMatrix(log_, model_, model_.maximise ? -1.0 : 1.0);
  log_.ColMap(colMap);
  log_.RowMap(rowMap);
  result.stk = log_.stackBytes();
  result.bin = log_.TakeRecordBytes();
  for (int code = 0; code < kRecordCodes; ++code) result.counts[static_cast<std::size_t>(code)] = log_.count(code);
  result.entriesBefore = static_cast<long>(model_.index.size());
  result.entriesAfter = static_cast<long>(reduced.index.size());
  timer.reset();
  result.passes = std::move(passes_);
  return result;
}

}  // namespace presolve

// A reduction's value is its record code.
static_assert(AsInt(Reduction::DOMCOL) == AsInt(RecordCode::DOMCOL) && AsInt(Reduction::DUPCOL) == AsInt(RecordCode::DUPCOL) &&
              AsInt(Reduction::FIXCOL) == AsInt(RecordCode::FIXCOL) && AsInt(Reduction::NULCOL) == AsInt(RecordCode::NULCOL) &&
              AsInt(Reduction::LOWBND) == AsInt(RecordCode::LOWBND) && AsInt(Reduction::MINBND) == AsInt(RecordCode::MINBND) &&
              AsInt(Reduction::DBLROW) == AsInt(RecordCode::DBLROW) && AsInt(Reduction::DOMROW) == AsInt(RecordCode::DOMROW) &&
              AsInt(Reduction::FORROW) == AsInt(RecordCode::FORROW) && AsInt(Reduction::NULROW) == AsInt(RecordCode::NULROW) &&
              AsInt(Reduction::DUPROW) == AsInt(RecordCode::DUPROW) && AsInt(Reduction::SGLROW) == AsInt(RecordCode::SGLROW) &&
              kRecordCodes == NCODES);

std::string ReductionName(Reduction kind) { return CodeName(AsInt(kind)); }

std::vector<Reduction> ParseKinds(std::string_view list) {
  std::vector<Reduction> kinds;
  if (list == "none") return kinds;
  if (list == "all") return {kReductionKinds.begin(), kReductionKinds.end()};
  std::size_t from = 0;
  while (from <= list.size()) {
    std::size_t comma = list.find(',', from);
    if (comma == std::string_view::npos) comma = list.size();
    const std::string_view word = list.substr(from, comma - from);
    bool known = false;
    for (Reduction k : kReductionKinds) {
      if (ReductionName(k) == word) {
        kinds.push_back(k);
        known = true;
      }
    }
    if (!known)
      throw PostError("unknown reduction kind '" + std::string(word) +
                      "' (one of NULROW NULCOL FIXCOL DOMCOL SGLROW DOMROW DBLROW FORROW DUPROW "
                      "DUPCOL LOWBND MINBND, or none, or all)");
    from = comma + 1;
  }
  return kinds;
}

void PresolveOptions::Select(std::string_view only, std::string_view skip) {
  if (!only.empty()) {
    enabled.fill(false);
    for (Reduction k : ParseKinds(only)) set(k, true);
  }
  if (!skip.empty())
    for (Reduction k : ParseKinds(skip)) set(k, false);
}

PresolveResult Presolve(const Model& model, const PresolveOptions& options) {
  std::vector<PhaseTiming> parts;
  {
    const presolve::PartTimer timer(parts, "model checks");
    CheckModel(model);
  }
  // The reductions are logged first, and the model's own records put in
  // front of them at the end: the log and the working copy are never whole
  // at once.
  LogWriter log;
  log.HeaderLater(model.rows(), model.cols(), model.index.size());
  const std::string logName = model.name.substr(0, MAXNAME);
  std::optional<presolve::Presolver> presolver;
  {
    const presolve::PartTimer timer(parts, "working copy");
    presolver.emplace(model, options, log);
  }
  presolver->Run();
  PresolveResult result = presolver->Finish(logName);
  result.logName = logName;
  parts.insert(parts.end(), std::make_move_iterator(result.passes.begin()),
               std::make_move_iterator(result.passes.end()));
  result.passes = std::move(parts);
  return result;
}

void PrintPresolveSummary(const Model& model, const PresolveResult& result, std::ostream& out) {
  std::ostringstream text;
  text << "presolve " << (model.name.empty() ? model.path : model.name)
       << (model.maximise ? " (a maximisation, solved as the minimisation of the negated costs)" : "")
       << '\n';
  for (Reduction k : kReductionKinds) text << "  " << ReductionName(k) << ' ' << result.count(k) << '\n';
  text << "  before: " << model.rows() << " rows, " << model.cols() << " columns, " << result.entriesBefore
       << " entries\n";
  text << "  after:  " << result.reduced.rows() << " rows, " << result.reduced.cols() << " columns, "
       << result.entriesAfter << " entries\n";
  out << text.str();
}

}  // namespace postsolve
