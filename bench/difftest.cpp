// Differential test of the whole chain: random LPs with the structures every
// reduction looks for planted in them (hard numbers on request), each through
// presolve (the default kinds and one --only or --skip choice) -> Clp on the
// reduced LP -> replay -> verify, compared with Clp on the original model: the
// same status, the objective within 1e-9 relative, verify passing. In memory.
//
//   difftest [--count N] [--seed S] [--hard] [--show SEED] [--trace] [--all-seeds]
//
// --hard: every other LP has hard numbers (coefficients 1e-7..1e6, bounds
// 1e-10 apart, lower bounds near 1e15, bounds up to 9.99e29, 1e30 for
// infinity). Prints the agreements by outcome, the disagreements by kind with
// the seed of each, the first 20 of a kind unless --all-seeds (difftest --show
// SEED prints that LP as free MPS); exit 1 when there is a disagreement that
// is not Clp's own on the original model.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <map>
#include <utility>
#include <string>
#include <vector>

#include <unistd.h>

#include "measures.h"
#include "numfmt.h"
#include "postsolve/basis.h"
#include "postsolve/model.h"
#include "splitmix.h"
#include "postsolve/presolve.h"
#include "postsolve/solve.h"
#include "records.h"
#include "walk.h"
#include "work.h"

using namespace postsolve;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

using bench::Rng;

// The LP under construction: columns with a planted point, rows whose
// bounds are set around the point's activity once every entry is in.
struct Builder {
  Rng& rng;
  bool hard;
  std::vector<std::vector<std::pair<int, double>>> cols;  // (row, value)
  std::vector<double> clo, cup, cost, point;
  std::vector<char> rowKind;  // E L G R N, or 'x' for a row whose bounds are set already
  std::vector<double> rlo, rup;

  double Coefficient() {
    if (!hard || rng.Chance(40)) {
      const int v = rng.Below(7) - 3;
      return v == 0 ? 1 : v;
    }
    const double magnitude = std::pow(10.0, -7 + 13 * rng.Unit());
    return rng.Chance(50) ? magnitude : -magnitude;
  }
  double Cost() {
    if (hard && rng.Chance(30)) return (rng.Chance(50) ? 1 : -1) * std::pow(10.0, -3 + 9 * rng.Unit());
    return rng.Below(7) - 3.0;
  }
  double Infinite(double sign) { return hard && rng.Chance(30) ? sign * 1e30 : sign * kInf; }

  int AddColumn() {
    const int j = static_cast<int>(clo.size());
    double lo = rng.Below(4) - 2.0, width = rng.Below(3);
    if (hard) {
      const int pick = rng.Below(24);
      if (pick == 0) lo = (rng.Chance(50) ? -1 : 1) * 1e15 * (1 + rng.Below(9) / 7.0);
      else if (pick == 1) lo = -(rng.Below(9) + 1) * 1e29 - 0.99e29 * rng.Unit();  // refused: beyond Clp's limit
      else if (pick == 2) lo = -(rng.Below(9) + 1) * 1e12 - 0.99e12 * rng.Unit();  // within it, times 1e6 too
      else if (pick == 3) lo = lo + rng.Unit();
      if (rng.Chance(15)) width = (1 + rng.Below(9)) * 1e-10;
      else if (rng.Chance(2)) width = 9.99e29;
      else if (rng.Chance(5)) width = 9.99e12;
    }
    const int kind = rng.Below(6);  // bounded, lower only, upper only, free, fixed, bounded
    clo.push_back(kind == 2 || kind == 3 ? Infinite(-1) : lo);
    cup.push_back(kind == 1 || kind == 3 ? Infinite(1) : kind == 4 ? lo : lo + width);
    if (!std::isinf(cup[j]) && std::fabs(cup[j]) >= 1e30) cup[j] = std::fabs(lo) < 1e29 ? lo + 9.99e29 : lo;
    point.push_back(kind == 2 ? cup[j] : kind == 3 ? lo : lo + width * rng.Below(2) * (width > 1e20 ? 0 : 1));
    if (std::fabs(point[j]) >= 1e30) point[j] = lo;
    cost.push_back(Cost());
    cols.emplace_back();
    return j;
  }
  int AddRow(char kind) {
    rowKind.push_back(kind);
    rlo.push_back(-kInf);
    rup.push_back(kInf);
    return static_cast<int>(rowKind.size()) - 1;
  }
  void Add(int i, int j, double a) { cols[j].emplace_back(i, a); }
  double Activity(int i) const {
    double sum = 0;
    for (std::size_t j = 0; j < cols.size(); ++j)
      for (const auto& [r, a] : cols[j])
        if (r == i) sum = sum + a * point[j];
    return sum;
  }
  double Slack() { return hard && rng.Chance(30) ? (1 + rng.Below(9)) * 1e-10 : rng.Below(3); }
  void SetBounds(int i) {
    const double act = Activity(i);
    switch (rowKind[i]) {
      case 'E': rlo[i] = rup[i] = act; break;
      case 'L': rup[i] = act + Slack(); rlo[i] = Infinite(-1); break;
      case 'G': rlo[i] = act - Slack(); rup[i] = Infinite(1); break;
      case 'R': rlo[i] = act - Slack(); rup[i] = act + Slack(); break;
      case 'N': break;
      default: return;
    }
  }
};

// One LP from one seed.
Model Generate(std::uint64_t seed, bool hard) {
  Rng rng{seed};
  Builder b{rng, hard, {}, {}, {}, {}, {}, {}, {}, {}};
  const int n = 2 + rng.Below(6), m = 1 + rng.Below(5);
  for (int j = 0; j < n; ++j) b.AddColumn();
  for (int i = 0; i < m; ++i) {
    const char kinds[] = "ELGRELGN";
    const int r = b.AddRow(kinds[rng.Below(8)]);
    for (int j = 0; j < n; ++j)
      if (rng.Chance(45)) b.Add(r, j, b.Coefficient());
  }
  // Planted structures, a few of them in each LP.
  const int structures = 1 + rng.Below(4);
  for (int s = 0; s < structures; ++s) {
    switch (rng.Below(11)) {
      case 0:  // an empty row
        b.AddRow(rng.Chance(80) ? 'R' : 'x');
        if (b.rowKind.back() == 'x') {
          b.rlo.back() = rng.Chance(50) ? 1 : -2;
          b.rup.back() = b.rlo.back() + 1;
        }
        break;
      case 1: {  // an empty column, its cost improving towards an infinite bound at times
        const int j = b.AddColumn();
        if (rng.Chance(40)) b.cup[j] = b.Infinite(1), b.cost[j] = -1 - rng.Below(3);
        break;
      }
      case 2: {  // a fixed column, or one whose bounds are 1e-10 apart, in the rows
        const int j = b.AddColumn();
        b.cup[j] = b.clo[j] = std::isinf(b.clo[j]) ? 1 : b.clo[j];
        if (hard && rng.Chance(60)) b.cup[j] = b.clo[j] + 5e-10;
        b.point[j] = b.clo[j];
        for (int i = 0; i < m; ++i)
          if (rng.Chance(60)) b.Add(i, j, b.Coefficient() * (hard && rng.Chance(30) ? 1e6 : 1));
        break;
      }
      case 3: {  // an equality row with one entry
        const int r = b.AddRow('E');
        b.Add(r, rng.Below(n), b.Coefficient());
        break;
      }
      case 4: {  // an equality row of two columns, one of them new (a column singleton)
        const int j = b.AddColumn(), r = b.AddRow('E');
        b.Add(r, j, b.Coefficient());
        b.Add(r, rng.Below(n), b.Coefficient());
        break;
      }
      case 5: {  // an equality row with a free column singleton
        const int j = b.AddColumn(), r = b.AddRow('E');
        b.clo[j] = b.Infinite(-1);
        b.cup[j] = b.Infinite(1);
        b.Add(r, j, b.Coefficient());
        for (int k = 0; k < n; ++k)
          if (rng.Chance(50)) b.Add(r, k, b.Coefficient());
        break;
      }
      case 6: {  // a forcing row: its least activity is its upper bound, the point there
        const int r = b.AddRow('x');
        double least = 0;
        for (int k = 0; k < n; ++k) {
          if (std::isinf(b.clo[k]) || std::isinf(b.cup[k]) || std::fabs(b.cup[k]) > 1e20 || !rng.Chance(60)) continue;
          const double a = b.Coefficient();
          b.Add(r, k, a);
          b.point[k] = a > 0 ? b.clo[k] : b.cup[k];
          least = least + a * b.point[k];
        }
        b.rup[r] = least;
        b.rlo[r] = rng.Chance(50) ? b.Infinite(-1) : least - rng.Below(3);
        break;
      }
      case 7: {  // a row that is a multiple of an equality row
        int e = -1;
        for (int i = 0; i < m; ++i)
          if (b.rowKind[i] == 'E') e = i;
        if (e < 0) break;
        const char kinds[] = "ELGR";
        const int r = b.AddRow(kinds[rng.Below(4)]);
        const double v = hard ? b.Coefficient() : rng.Below(5) - 2.0;
        for (std::size_t j = 0; j < b.cols.size(); ++j)
          for (std::size_t q = 0, size = b.cols[j].size(); q < size; ++q)
            if (b.cols[j][q].first == e) b.Add(r, static_cast<int>(j), v == 0 ? 1 : v * b.cols[j][q].second);
        break;
      }
      case 8: {  // a column that is a multiple of another, cost included
        const int k = rng.Below(n), j = b.AddColumn();
        const double alpha = hard ? b.Coefficient() : (rng.Chance(50) ? 2 : -1);
        for (const auto& [i, a] : std::vector(b.cols[k])) b.Add(i, j, alpha * a);
        b.cost[j] = alpha * b.cost[k];
        break;
      }
      case 9: {  // a column whose entries all loosen one-sided rows as it falls
        const int j = b.AddColumn();
        b.cost[j] = rng.Below(3);
        for (int i = 0; i < m; ++i) {
          if (b.rowKind[i] == 'L' && rng.Chance(60)) b.Add(i, j, std::fabs(b.Coefficient()));
          if (b.rowKind[i] == 'G' && rng.Chance(60)) b.Add(i, j, -std::fabs(b.Coefficient()));
        }
        break;
      }
      default:  // infeasible: a row's bounds moved off the point
        if (b.rowKind[0] != 'N') b.rowKind[0] = rng.Chance(50) ? 'E' : 'G';
        b.SetBounds(0);
        b.rowKind[0] = 'x';
        b.rlo[0] = b.rlo[0] + 1 + rng.Below(3);
        b.rup[0] = std::max(b.rup[0], b.rlo[0]);
        if (rng.Chance(50)) b.rup[0] = b.rlo[0];
        break;
    }
  }
  Model model;
  model.path = "difftest seed " + std::to_string(seed) + (hard ? " (hard)" : "");
  model.name = "D" + std::to_string(seed % 1000000);
  for (std::size_t i = 0; i < b.rowKind.size(); ++i) {
    b.SetBounds(static_cast<int>(i));
    model.rowNames.push_back("r" + std::to_string(i));
    model.rlo.push_back(b.rlo[i]);
    model.rup.push_back(b.rup[i]);
  }
  for (std::size_t j = 0; j < b.cols.size(); ++j) {
    model.colNames.push_back("c" + std::to_string(j));
    model.clo.push_back(b.clo[j]);
    model.cup.push_back(b.cup[j]);
    model.cost.push_back(b.cost[j]);
    std::vector<double> dense(b.rowKind.size(), 0.0);
    for (const auto& [i, a] : b.cols[j]) dense[static_cast<std::size_t>(i)] = a;  // a repeated row: the last
    for (std::size_t i = 0; i < dense.size(); ++i) {
      if (dense[i] == 0) continue;
      model.index.push_back(static_cast<int>(i));
      model.value.push_back(dense[i]);
    }
    model.start.push_back(static_cast<int>(model.index.size()));
  }
  model.maximise = rng.Chance(10);
  return model;
}

// What one route ends with: a status (or a presolve verdict, or a refusal)
// and, when optimal, the objective and whether verify passed.
struct Outcome {
  std::string status;  // optimal, infeasible, unbounded, difficulty, refused
  double objective = 0;
  bool verified = true;
  std::string detail;
  bool primalFeasible = true;  // verify's primal measures pass
  bool confirmed = false;      // Clp on the model, started from the chain's point, ends at its objective
};

std::string ClpWord(int status) { return StatusWord(status); }

Outcome Direct(const Model& model) {
  try {
    const ClpAnswer a = SolveWithClp(model, 0);
    return {ClpWord(a.sol.status), a.objective, true, ""};
  } catch (const Error& e) {
    return {"refused", 0, true, e.what()};
  }
}

bool SameObjective(double a, double b) { return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b)); }

// One pass of the chain as run makes it: presolve, Clp on the reduced LP,
// replay, verify, and the polish from the postsolved point on the model,
// whose point is the answer when the postsolved one misses a tolerance or
// the polish improves on it. `reduced`: the presolve reduced something.
Outcome ChainPass(const Model& model, const PresolveOptions& options, bool& reduced) {
  Outcome out;
  PresolveResult presolved;
  reduced = true;
  try {
    presolved = Presolve(model, options);
  } catch (const presolve::PresolveVerdict& e) {
    return {StatusWord(e.verdict()), 0, true, e.what()};
  } catch (const Error& e) {
    return {"refused", 0, true, e.what()};
  }
  reduced = presolved.reducedAnything();
  ClpAnswer answer;
  try {
    answer = SolveWithClp(presolved.reduced, 0);
  } catch (const Error& e) {
    return {"refused", 0, true, e.what()};
  }
  out.status = ClpWord(answer.sol.status);
  if (answer.sol.status != AsInt(Status::Optimal)) return out;
  try {
    const std::string sol = SolutionFileBytes(answer.sol);
    LoggedProblem logged;
    const InputBuffers files{sol, presolved.stk, presolved.bin};
    CollectSolution(files, &logged);
    const Solution solution = Replay(sol, presolved.stk, presolved.bin);
    const VerifyResult v = Verify(solution, logged, model, Tolerances{});
    out.objective = v.objective;
    out.verified = v.passed();
    for (const Measure& m : v.check.measures)
      if (m.label.find("primal feasibility") != std::string::npos && !m.within()) out.primalFeasible = false;
    if (!out.verified) out.detail = v.text;
    const Polished polished = Polish(model, solution, Tolerances{});
    out.confirmed = polished.status == AsInt(Status::Optimal) && SameObjective(polished.objective, v.objective);
    if (PolishRefutes(polished)) {
      out.verified = false;
      out.detail = std::string("Clp, started from the point on the model, says ") + StatusWord(polished.status);
    } else if (v.passed() ? PolishedIsBetter(polished, v.objective, model.maximise) : polished.passed()) {
      out.objective = polished.objective;
      out.verified = out.primalFeasible = true;
      out.detail = "polished";
    }
  } catch (const Error& e) {
    out.status = "replay failed";
    out.detail = e.what();
  }
  return out;
}

// The chain as run makes it: a pass with reductions whose answer does not
// stand (a verdict other than an optimum, or an optimum that misses a
// tolerance even polished) is made again without them.
Outcome Chain(const Model& model, const PresolveOptions& options) {
  bool reduced = false;
  const Outcome first = ChainPass(model, options, reduced);
  const bool stands = first.status == "refused" || (first.status == "optimal" && first.verified);
  if (stands || !reduced) return first;
  PresolveOptions none = options;
  none.Select("none", "");
  Outcome again = ChainPass(model, none, reduced);
  again.detail = "again without reductions after: " + first.status + " " + first.detail;
  return again;
}

// The original model as glpsol reads it: minimising (it reads no OBJSENSE
// section), infinite bounds left out (it takes 1e30 for a finite one). Empty
// when not writable as MPS (bounds that cross).
std::string GlpsolText(const Model& model) {
  // Free rows are left out: it takes the 1e30 they are written with for a bound.
  Model minimised = model;
  std::vector<int> newRow(model.rlo.size(), -1);
  minimised.rowNames.clear();
  minimised.rlo.clear();
  minimised.rup.clear();
  // A range row goes in as two rows, one a side: MPS carries a range as the
  // difference of its sides, which need not come back exactly.
  std::vector<int> lowerRow(model.rlo.size(), -1);
  for (std::size_t i = 0; i < model.rlo.size(); ++i) {
    if (RowKindOf(model.rlo[i], model.rup[i]) == RowKind::Free) continue;
    const double lo = UnloggedBound(model.rlo[i]), up = UnloggedBound(model.rup[i]);
    const bool range = std::isfinite(lo) && std::isfinite(up) && lo < up;
    newRow[i] = static_cast<int>(minimised.rlo.size());
    minimised.rowNames.push_back(model.rowNames[i]);
    minimised.rlo.push_back(range ? -kInf : model.rlo[i]);
    minimised.rup.push_back(model.rup[i]);
    if (!range) continue;
    lowerRow[i] = static_cast<int>(minimised.rlo.size());
    minimised.rowNames.push_back(model.rowNames[i] + "_lower");
    minimised.rlo.push_back(model.rlo[i]);
    minimised.rup.push_back(kInf);
  }
  minimised.index.clear();
  minimised.value.clear();
  minimised.start.assign(1, 0);
  for (int j = 0; j < model.cols(); ++j) {
    for (int q = model.start[static_cast<std::size_t>(j)]; q < model.start[static_cast<std::size_t>(j) + 1]; ++q) {
      const auto row = static_cast<std::size_t>(model.index[static_cast<std::size_t>(q)]);
      for (const int i : {newRow[row], lowerRow[row]}) {
        if (i < 0) continue;
        minimised.index.push_back(i);
        minimised.value.push_back(model.value[static_cast<std::size_t>(q)]);
      }
    }
    minimised.start.push_back(static_cast<int>(minimised.index.size()));
  }
  if (model.maximise)
    for (double& c : minimised.cost) c = -c;
  minimised.maximise = false;
  for (std::vector<double>* bounds : {&minimised.rlo, &minimised.rup, &minimised.clo, &minimised.cup})
    for (double& b : *bounds) b = UnloggedBound(b);
  try {
    return MpsText(minimised);
  } catch (const Error&) {
    return {};
  }
}

// glpsol's answer on MPS text with one method: its "s bas ROWS COLS PRIMAL
// DUAL OBJ" line (-w, its own solution text) carries both statuses and the
// objective at full precision. 10 seconds each (--tmlim; timeout for a
// solver that stops checking the clock). Empty status when it gave none.
Outcome Glpsol(const std::string& text, const char* method, bool maximise) {
  char path[] = "/tmp/difftest-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return {};
  const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  close(fd);
  std::string output;
  if (written) {
    const std::string command = std::string("timeout 20 glpsol --nopresol --tmlim 10 ") + method + " --freemps " +
                                path + " -w /dev/stdout 2>&1 | grep '^s bas '";
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[4096];
      for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
      pclose(pipe);
    }
  }
  unlink(path);
  char primal = 0, dual = 0;
  double objective = 0;
  int rows = 0, cols = 0;
  if (output.rfind("s bas ", 0) != 0 ||
      std::sscanf(output.c_str(), "s bas %d %d %c %c %lf", &rows, &cols, &primal, &dual, &objective) != 5)
    return {};
  Outcome answer;
  if (primal == 'f' && dual == 'f') answer.status = "optimal";
  else if (primal == 'n' || primal == 'i') answer.status = "infeasible";
  else if (primal == 'f' && (dual == 'n' || dual == 'i')) answer.status = "unbounded";
  else return {};
  answer.objective = (maximise ? -1 : 1) * objective;
  answer.detail = method;
  return answer;
}

// Referees for a disagreement, on the original model: glpsol's exact simplex
// (rational arithmetic, no tolerance) and its floating-point one (tolerances
// as Clp's). An answer either of them gives is a right answer; when the
// chain gives one and Clp on the model does not, the mistake is Clp's.
std::vector<Outcome> Referees(const Model& model) {
  const std::string text = GlpsolText(model);
  std::vector<Outcome> answers;
  if (text.empty()) return answers;
  for (const char* method : {"--exact", "--primal"}) {
    Outcome answer = Glpsol(text, method, model.maximise);
    if (!answer.status.empty()) answers.push_back(answer);
  }
  return answers;
}

// The model with every finite bound moved by t times the feasibility
// tolerance verify allows it (1e-7 * max(1, |bound|)): outwards for t = 1,
// inwards for t = -1, where a pair of bounds closer than twice that meets in
// its middle.
Model MovedBounds(const Model& model, double t) {
  Model moved = model;
  const auto move = [t](std::vector<double>& lo, std::vector<double>& up) {
    for (std::size_t k = 0; k < lo.size(); ++k) {
      const double l = UnloggedBound(lo[k]), u = UnloggedBound(up[k]);
      const double dl = Tolerances{}.primal * std::max(1.0, std::fabs(l));
      const double du = Tolerances{}.primal * std::max(1.0, std::fabs(u));
      double nl = std::isinf(l) ? l : l - t * dl, nu = std::isinf(u) ? u : u + t * du;
      if (nl > nu) nl = nu = l + (u - l) / 2;
      lo[k] = nl;
      up[k] = nu;
    }
  };
  move(moved.rlo, moved.rup);
  move(moved.clo, moved.cup);
  // a range row as MPS carries it: the upper bound less the range
  for (std::size_t i = 0; i < moved.rlo.size(); ++i)
    if (std::isfinite(moved.rlo[i]) && std::isfinite(moved.rup[i]) && moved.rlo[i] < moved.rup[i])
      moved.rlo[i] = moved.rup[i] - (moved.rup[i] - moved.rlo[i]);
  return moved;
}

// The exact optimum of the model with its bounds relaxed and tightened by the
// tolerance: the answers an LP within the tolerance of the model has. The
// optimal value is continuous in the move while the LP stays feasible, so an
// objective between the two is the exact optimum of a model within the
// tolerance; a verdict one of them gives is that of such a model.
struct Band {
  Outcome relaxed, tightened;
};

Band ToleranceBand(const Model& model) {
  Band band;
  for (const auto& [t, answer] : {std::pair{1.0, &band.relaxed}, std::pair{-1.0, &band.tightened}}) {
    const std::string text = GlpsolText(MovedBounds(model, t));
    if (!text.empty()) *answer = Glpsol(text, "--exact", model.maximise);
  }
  return band;
}

// Whether the chain's answer is one of a model within the tolerance.
bool WithinBand(const Band& band, const Outcome& chain, bool maximise) {
  const double sense = maximise ? -1 : 1;  // objectives compared as minimisations
  const auto atMost = [&](double a, double b) { return sense * a <= sense * b + 1e-9 * std::max(1.0, std::fabs(b)); };
  // no answer, where the models within the tolerance have different ones
  // (or optima 1e-6 apart): a solver's numerical difficulty, not a wrong answer
  if (chain.status == "difficulty")
    return !band.relaxed.status.empty() && !band.tightened.status.empty() &&
           (band.relaxed.status != band.tightened.status ||
            std::fabs(band.relaxed.objective - band.tightened.objective) >
                1e-6 * std::max(1.0, std::fabs(band.tightened.objective)));
  if (chain.status == "infeasible") return band.tightened.status == "infeasible";
  if (chain.status == "unbounded") return band.relaxed.status == "unbounded";
  if (chain.status != "optimal" || band.relaxed.status != "optimal") return false;
  // An LP feasible only within the tolerance: a point there, feasible within
  // it, needs duals as large as the rows are close to infeasible, which
  // complementarity and dual feasibility then judge.
  if (!chain.verified && !(band.tightened.status == "infeasible" && chain.primalFeasible)) return false;
  if (!atMost(band.relaxed.objective, chain.objective)) return false;
  return band.tightened.status == "infeasible" ||
         (band.tightened.status == "optimal" && atMost(chain.objective, band.tightened.objective));
}

struct Tally {
  std::map<std::string, long> agree;
  std::map<std::string, std::vector<std::uint64_t>> ours, clps, clpsFromPoint, illPosed, withinTolerance,
      belowPrecision;
};

void Compare(std::uint64_t seed, const Model& model, const Outcome& direct, const std::string& route,
             const Outcome& chain, Tally& tally) {
  std::string kind;
  if (direct.status == "refused" && chain.status == "refused") kind = "";
  else if (chain.status != direct.status) kind = "status " + direct.status + " / " + chain.status;
  else if (chain.status == "optimal" && !chain.verified) kind = "verify fails";
  else if (chain.status == "optimal" && !SameObjective(chain.objective, direct.objective)) kind = "objective";
  if (kind.empty()) {
    ++tally.agree[direct.status];
    return;
  }
  kind += " (" + route + ")";
  // Whose mistake: the referees' answers are right answers. Clp's when the
  // chain gives one of them and Clp on the model none, or when Clp on the
  // model is wrong by the exact referee (a case the chain cannot be judged
  // on against it), or, when nothing below explains it, when Clp on the
  // model started from the chain's point ends at the chain's answer and the
  // exact referee gives another; an ill-posed LP when
  // the referees differ among themselves (exact arithmetic and tolerances
  // part: its feasibility is a matter of rounding) and the chain gives one of
  // their answers (its solution may then miss verify's tolerances: a row off
  // its bound by 5e-10 with a dual of 2e5), or when the chain's optimum passes verify on the original
  // model though the referees call it infeasible. Ours otherwise.
  const auto agrees = [](const Outcome& referee, const Outcome& answer) {
    return referee.status == answer.status &&
           (answer.status != "optimal" || SameObjective(answer.objective, referee.objective));
  };
  bool chainRight = false, chainAnswers = false, directRight = false, refereesDiffer = false,
       infeasibleByReferees = true, directWrong = false, warmWrong = false;
  std::vector<Outcome> referees;
  if (direct.status != "refused" && chain.status != "refused") {
    referees = Referees(model);
    for (const Outcome& referee : referees) {
      chainRight = chainRight || (agrees(referee, chain) && chain.verified);
      chainAnswers = chainAnswers || agrees(referee, chain);
      directRight = directRight || agrees(referee, direct);
      refereesDiffer = refereesDiffer || referee.status != referees.front().status;
      infeasibleByReferees = infeasibleByReferees && referee.status == "infeasible";
      // Clp on the model wrong by exact arithmetic: another verdict, or an
      // optimum further from the exact one than the chain's.
      if (referee.detail == "--exact") {
        // The chain's answer, which Clp started from it on the model confirms,
        // is not the exact one: Clp on the model is wrong from that start.
        warmWrong = chain.status == "optimal" && chain.confirmed && !agrees(referee, chain);
        directWrong = direct.status != referee.status ||
                      (direct.status == "optimal" && chain.status == "optimal" &&
                       !SameObjective(direct.objective, referee.objective) &&
                       std::fabs(chain.objective - referee.objective) <= std::fabs(direct.objective - referee.objective));
      }
    }
    if (referees.empty()) infeasibleByReferees = false;
  }
  // A solution that fails verify where Clp's own on the whole model (no
  // reduction) fails it too: Clp's precision, not the chain's.
  const auto clpFailsVerifyToo = [&] {
    if (chain.status != "optimal" || chain.verified) return false;
    PresolveOptions none;
    none.Select("none", "");
    const Outcome whole = Chain(model, none);
    return whole.status == "optimal" && !whole.verified;
  };
  // Objectives apart by less than glpsol's floating simplex is from its exact
  // one on the same LP: a difference below the precision the LP allows a
  // floating-point solver.
  const auto belowSolverPrecision = [&] {
    if (chain.status != "optimal" || !chain.verified || direct.status != "optimal") return false;
    if (referees.size() != 2 || referees[0].status != "optimal" || referees[1].status != "optimal") return false;
    return std::fabs(chain.objective - direct.objective) <= std::fabs(referees[0].objective - referees[1].objective);
  };
  if ((chainRight && !directRight) || directWrong || clpFailsVerifyToo()) tally.clps[kind].push_back(seed);
  else if (belowSolverPrecision()) tally.belowPrecision[kind].push_back(seed);
  else if ((chainAnswers && refereesDiffer) || (chain.status == "optimal" && chain.verified && infeasibleByReferees))
    tally.illPosed[kind].push_back(seed);
  else if (direct.status != "refused" && WithinBand(ToleranceBand(model), chain, model.maximise))
    tally.withinTolerance[kind].push_back(seed);
  else if (warmWrong) tally.clpsFromPoint[kind].push_back(seed);
  else tally.ours[kind].push_back(seed);
}

}  // namespace

int main(int argc, char** argv) {
  long count = 1000;
  std::uint64_t seed = 1;
  bool hard = false, show = false, trace = false;  // trace: each seed on stderr before it runs
  std::size_t seedsShown = 20;
  for (int a = 1; a < argc; ++a) {
    const std::string arg = argv[a];
    if (arg == "--count" && a + 1 < argc) count = std::atol(argv[++a]);
    else if (arg == "--seed" && a + 1 < argc) seed = std::strtoull(argv[++a], nullptr, 10);
    else if (arg == "--hard") hard = true;
    else if (arg == "--trace") trace = true;
    else if (arg == "--all-seeds") seedsShown = std::numeric_limits<std::size_t>::max();
    else if (arg == "--show" && a + 1 < argc) seed = std::strtoull(argv[++a], nullptr, 10), show = true;
    else {
      std::cerr << "usage: difftest [--count N] [--seed S] [--hard] [--show SEED] [--trace] [--all-seeds]\n";
      return 2;
    }
  }
  const auto hardFor = [&](std::uint64_t s) { return hard && s % 2 == 1; };
  if (show) {
    const Model model = Generate(seed, hardFor(seed));
    try {
      std::cout << MpsText(model) << std::flush;
    } catch (const Error& e) {
      std::cout << "* not writable as MPS: " << e.what() << '\n';
    }
    if (std::getenv("DIFFTEST_CLP_LOG") != nullptr) SolveWithClp(model, std::atoi(std::getenv("DIFFTEST_CLP_LOG")));
    const Outcome d = Direct(model);
    std::cout << "* Clp on the model: " << d.status << ' ' << CaseDouble(d.objective) << ' ' << d.detail << '\n';
    PresolveOptions all;
    if (std::getenv("DIFFTEST_ONLY") != nullptr || std::getenv("DIFFTEST_SKIP") != nullptr)
      all.Select(std::getenv("DIFFTEST_ONLY") ? std::getenv("DIFFTEST_ONLY") : "",
                 std::getenv("DIFFTEST_SKIP") ? std::getenv("DIFFTEST_SKIP") : "");
    const Outcome c = Chain(model, all);
    if (std::getenv("DIFFTEST_REDUCED") != nullptr) std::cout << MpsText(Presolve(model, all).reduced);
    std::cout << "* the chain: " << c.status << ' ' << CaseDouble(c.objective) << ' ' << c.detail << '\n';
    for (const Outcome& r : Referees(model))
      std::cout << "* glpsol " << r.detail << ": " << r.status << ' ' << CaseDouble(r.objective) << '\n';
    const Band band = ToleranceBand(model);
    std::cout << "* glpsol --exact, bounds relaxed by the tolerance: " << band.relaxed.status << ' '
              << CaseDouble(band.relaxed.objective) << "\n* glpsol --exact, tightened: " << band.tightened.status << ' '
              << CaseDouble(band.tightened.objective) << '\n';
    return 0;
  }
  Tally tally;
  Rng pick{seed * 31 + 7};
  for (long t = 0; t < count; ++t) {
    const std::uint64_t s = seed + static_cast<std::uint64_t>(t);
    if (trace) std::cerr << s << std::endl;
    const Model model = Generate(s, hardFor(s));
    const Outcome direct = Direct(model);
    Compare(s, model, direct, "default", Chain(model, PresolveOptions{}), tally);
    PresolveOptions options;
    const int choice = pick.Below(2 * static_cast<int>(kReductionKinds.size()) + 1);
    std::string route = "--only none";
    if (choice < static_cast<int>(kReductionKinds.size())) {
      route = "--only " + ReductionName(kReductionKinds[static_cast<std::size_t>(choice)]);
      options.Select(ReductionName(kReductionKinds[static_cast<std::size_t>(choice)]), "");
    } else if (choice < 2 * static_cast<int>(kReductionKinds.size())) {
      const Reduction k = kReductionKinds[static_cast<std::size_t>(choice) - kReductionKinds.size()];
      route = "--skip " + ReductionName(k);
      options.Select("", ReductionName(k));
    } else {
      options.Select("none", "");
    }
    Compare(s, model, direct, route, Chain(model, options), tally);
  }
  long agreed = 0, ours = 0, clps = 0, illPosed = 0, withinTolerance = 0, belowPrecision = 0;
  std::cout << "difftest --count " << count << " --seed " << seed << (hard ? " --hard" : "") << "\n";
  for (const auto& [status, n] : tally.agree) {
    std::cout << "  agree, " << status << ": " << n << '\n';
    agreed += n;
  }
  const auto list = [seedsShown](const char* title, const auto& byKind, long& total) {
    for (const auto& [kind, seeds] : byKind) {
      std::cout << "  " << title << ", " << kind << ": " << seeds.size() << " (seeds";
      for (std::size_t q = 0; q < seeds.size() && q < seedsShown; ++q) std::cout << ' ' << seeds[q];
      std::cout << (seeds.size() > seedsShown ? " ...)\n" : ")\n");
      total += static_cast<long>(seeds.size());
    }
  };
  list("disagree", tally.ours, ours);
  list("Clp on the original model is wrong", tally.clps, clps);
  list("Clp on the original model, started from the chain's point, is wrong", tally.clpsFromPoint, clps);
  list("ill-posed (feasible only within a tolerance)", tally.illPosed, illPosed);
  list("the answer of a model within the tolerance", tally.withinTolerance, withinTolerance);
  list("below the LP's floating-point precision", tally.belowPrecision, belowPrecision);
  std::cout << "agreements " << agreed << ", disagreements " << ours << ", Clp's own " << clps << ", ill-posed "
            << illPosed << ", within the tolerance " << withinTolerance << ", below the precision " << belowPrecision
            << '\n';
  return ours == 0 ? 0 : 1;
}
