// The public replay: the program's own replay and products over the state,
// kept whole inside the Solution so that its vectors are handed out without
// a copy and the report can still be written from it.

#include <utility>

#include "state.h"

namespace postsolve {

void Solution::State::Complete() {
  const auto m = static_cast<std::size_t>(pd.m), n = static_cast<std::size_t>(pd.n);
  namesAt = pd.fbin.pos;
  warnings = pd.warnings.Lines();
  rowLower.resize(m);
  rowUpper.resize(m);
  rowTypes.reserve(m);
  rowNames.reserve(m);
  for (std::size_t i = 0; i < m; ++i) {
    const RowView row = ViewRow(pd, i);
    rowLower[i] = row.lo;
    rowUpper[i] = row.up;
    rowTypes.emplace_back(row.cls.type);
    rowNames.emplace_back(NextName(pd.fbin, "row", static_cast<int>(i)));
  }
  colLower.resize(n);
  colUpper.resize(n);
  colTypes.reserve(n);
  colNames.reserve(n);
  for (std::size_t j = 0; j < n; ++j) {
    const ColView col = ViewColumn(pd, j);
    colLower[j] = col.lo;
    colUpper[j] = col.up;
    colTypes.emplace_back(col.cls.type);
    colNames.emplace_back(NextName(pd.fbin, "column", static_cast<int>(j)));
    pd.z[j] = col.z;  // what the report prints, c - A'y
  }
  objective = Objective(pd);
  mFree(pd.A);  // the products are done; nothing after needs the matrix
}

Solution::Solution(std::unique_ptr<State> state) : state_(std::move(state)) {}
Solution::Solution(Solution&&) noexcept = default;
Solution& Solution::operator=(Solution&&) noexcept = default;
Solution::~Solution() = default;

const std::string& Solution::name() const { return state_->pd.name; }
int Solution::status() const { return state_->pd.status; }
const char* Solution::statusWord() const { return StatusWord(state_->pd.status); }
int Solution::rows() const { return state_->pd.m; }
int Solution::cols() const { return state_->pd.n; }
Values Solution::x() const { return {state_->pd.x.data(), state_->pd.x.size()}; }
Values Solution::y() const { return {state_->pd.y.data(), state_->pd.y.size()}; }
Values Solution::z() const { return {state_->pd.z.data(), state_->pd.z.size()}; }
Values Solution::rowActivity() const { return {state_->pd.ax.data(), state_->pd.ax.size()}; }
Values Solution::cost() const { return {state_->pd.c.data(), state_->pd.c.size()}; }
Values Solution::rowLower() const { return {state_->rowLower.data(), state_->rowLower.size()}; }
Values Solution::rowUpper() const { return {state_->rowUpper.data(), state_->rowUpper.size()}; }
Values Solution::colLower() const { return {state_->colLower.data(), state_->colLower.size()}; }
Values Solution::colUpper() const { return {state_->colUpper.data(), state_->colUpper.size()}; }
const std::vector<std::string>& Solution::rowTypes() const { return state_->rowTypes; }
const std::vector<std::string>& Solution::colTypes() const { return state_->colTypes; }
const std::vector<std::string>& Solution::rowNames() const { return state_->rowNames; }
const std::vector<std::string>& Solution::colNames() const { return state_->colNames; }
double Solution::objective() const { return state_->objective; }
const std::vector<std::string>& Solution::warnings() const { return state_->warnings; }

const char* Version() { return POSTSOLVE_VERSION_STRING; }

const char* StatusWord(int status) { return StatusName(status); }
const char* StatusWord(Status status) { return StatusName(static_cast<int>(status)); }

Solution ReplaySolution(const std::string& dir, LoggedProblem* problem, bool keepAll) {
  auto state = std::make_unique<Solution::State>();
  state->pd.warnings.keepAll = keepAll;
  postsolve::Replay(state->pd, dir.empty() ? std::string(".") : dir);
  if (problem != nullptr) CopyProblem(state->pd, *problem);
  state->Complete();
  return Solution(std::move(state));
}

Solution Replay(const std::string& dir) { return ReplaySolution(dir); }

void InputsMoved(Solution& solution, const std::string& from, const std::string& to) {
  const std::string prefix = from + "/";
  for (auto& [path, stamp] : solution.state_->pd.opened)
    if (path.starts_with(prefix)) {
      path = to + "/" + path.substr(prefix.size());
      RestampRenamed(path, stamp);
    }
}

Solution Replay(std::string_view sol, std::string_view stk, std::string_view bin) {
  auto state = std::make_unique<Solution::State>();
  ReplayLog(state->pd, sol, stk, bin);
  GetActv(state->pd);
  state->Complete();
  return Solution(std::move(state));
}

std::string WriteReport(const Solution& solution, const std::string& dir) {
  Solution::State& state = *solution.state_;
  state.pd.fbin.seek(state.namesAt);
  return OutRept(state.pd, dir.empty() ? std::string(".") : dir);
}

}  // namespace postsolve
