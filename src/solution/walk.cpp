// The solution walked a row or a column at a time over a replayed log, and
// the full solution collected from it.

#include <algorithm>
#include <cmath>

#include "report.h"
#include "walk.h"
#include "workers.h"

namespace postsolve {

void CopyProblem(const PostData& pd, LoggedProblem& problem) {
  problem.rlo.assign(pd.rlo.begin(), pd.rlo.end());
  problem.rup.assign(pd.rup.begin(), pd.rup.end());
  problem.rtype.assign(pd.rtype.begin(), pd.rtype.end());
  problem.clo.assign(pd.clo.begin(), pd.clo.end());
  problem.cup.assign(pd.cup.begin(), pd.cup.end());
  problem.cost.assign(pd.c.begin(), pd.c.end());
  problem.cols.assign(static_cast<std::size_t>(pd.n), {});
  for (std::size_t j = 0; j < problem.cols.size(); ++j) {
    const SpVec& a = pd.A->col[j];
    for (int e = 0; e < a.nz; ++e) problem.cols[j].emplace_back(a.ind[e], a.val[e]);
  }
}

SolutionWalk::SolutionWalk(const std::string& dir) {
  pd_.warnings.keepAll = true;  // a debugging tool: every record that met degenerate data
  Replay(pd_, dir.empty() ? "." : dir);
  CheckNames();
}

SolutionWalk::SolutionWalk(const InputBuffers& files) {
  pd_.warnings.keepAll = true;
  Replay(pd_, files);
  CheckNames();
}

// Reads the name section once, so that a malformed one fails before
// anything is written, not part way through.
void SolutionWalk::CheckNames() {
  namesAt_ = pd_.fbin.pos;
  for (int i = 0; i < pd_.m; ++i) NextName(pd_.fbin, "row", i);
  for (int j = 0; j < pd_.n; ++j) NextName(pd_.fbin, "column", j);
}

double SolutionWalk::Objective() const { return postsolve::Objective(pd_); }

void SolutionWalk::StartRows() { pd_.fbin.seek(namesAt_); }

void SolutionWalk::StartCols() {
  StartRows();
  for (int i = 0; i < pd_.m; ++i) NextName(pd_.fbin, "row", i);
}

void SolutionWalk::ReadRow(std::size_t r, RowSol& row) {
  const RowView view = ViewRow(pd_, r);
  row = {std::string(NextName(pd_.fbin, "row", static_cast<int>(r))), view.cls.type, view.lo, view.up, view.act,
         view.dual};
}

void SolutionWalk::ReadCol(std::size_t c, ColSol& col, bool scaled) {
  // The size of the terms whose sum is the dual slack: |c_j| + sum |a_ij y_i|.
  double scale = std::fabs(pd_.c[c]);
  const SpVec& a = pd_.A->col[c];
  if (scaled)
    for (int e = 0; e < a.nz; ++e) scale += std::fabs(a.val[e] * pd_.y[static_cast<std::size_t>(a.ind[e])]);
  const ColView view = ViewColumn(pd_, c);
  col = {std::string(NextName(pd_.fbin, "column", static_cast<int>(c))), view.cls.type, view.lo, view.up, view.x,
         view.z, view.c, scale};
}

void SolutionWalk::Rows(const std::function<void(const RowSol&)>& fn) {
  StartRows();
  RowSol row;
  for (std::size_t r = 0; r < static_cast<std::size_t>(pd_.m); ++r) {
    ReadRow(r, row);
    fn(row);
  }
}

void SolutionWalk::Cols(const std::function<void(const ColSol&)>& fn, bool scaled) {
  StartCols();
  ColSol col;
  for (std::size_t c = 0; c < static_cast<std::size_t>(pd_.n); ++c) {
    ReadCol(c, col, scaled);
    fn(col);
  }
}

namespace {

// Items a chunk of text is made from: enough to keep a worker busy a while,
// few enough that the chunks in flight stay a few megabytes.
constexpr std::size_t kTextChunkItems = 8192;

template <class Item>
struct TextChunk {
  std::vector<Item> items;
  std::size_t first = 0;  // the index of items[0]
  std::string text;
};

// `read(index, item)` fills the items in order on this thread; the workers
// format the chunks; this thread writes them in order.
template <class Item, class Read>
void FormatInOrder(std::size_t total, Read read, const SolutionWalk::Formatter<Item>& format, std::ostream& out) {
  // A walk of one chunk is not worth a thread.
  WorkerPool workers(total > kTextChunkItems ? WorkerPool::Cores() : 0);
  std::size_t next = 0;
  PipeChunks<TextChunk<Item>>(
      workers,
      [&](TextChunk<Item>& chunk) {
        if (next >= total) return false;
        chunk.first = next;
        chunk.items.resize(std::min(kTextChunkItems, total - next));
        for (Item& item : chunk.items) read(next++, item);
        return true;
      },
      [&format](TextChunk<Item>& chunk) {
        chunk.text.clear();
        for (std::size_t k = 0; k < chunk.items.size(); ++k) format(chunk.items[k], chunk.first + k, chunk.text);
      },
      [&out](const TextChunk<Item>& chunk) {
        out.write(chunk.text.data(), static_cast<std::streamsize>(chunk.text.size()));
      });
}

}  // namespace

void SolutionWalk::FormatRows(const Formatter<RowSol>& format, std::ostream& out) {
  StartRows();
  FormatInOrder(static_cast<std::size_t>(pd_.m), [this](std::size_t r, RowSol& row) { ReadRow(r, row); }, format,
                out);
}

void SolutionWalk::FormatCols(const Formatter<ColSol>& format, std::ostream& out) {
  StartCols();
  FormatInOrder(static_cast<std::size_t>(pd_.n), [this](std::size_t c, ColSol& col) { ReadCol(c, col, false); },
                format, out);
}

void SolutionWalk::CheckInputs() const { CheckInputsUnchanged(pd_); }

FullSolution CollectSolution(const InputBuffers& files, LoggedProblem* problem) {
  SolutionWalk walk(files);
  if (problem != nullptr) CopyProblem(walk.state(), *problem);
  FullSolution sol;
  sol.name = walk.name();
  sol.status = walk.status();
  sol.warnings = walk.warnings();
  sol.rows.reserve(static_cast<std::size_t>(walk.rows()));
  walk.Rows([&](const RowSol& r) { sol.rows.push_back(r); });
  sol.cols.reserve(static_cast<std::size_t>(walk.cols()));
  walk.Cols([&](const ColSol& c) { sol.cols.push_back(c); }, true);
  return sol;
}

}  // namespace postsolve
