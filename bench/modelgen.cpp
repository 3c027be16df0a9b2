// Writes large LPs with the structure real models have, for timing the whole
// pipeline at scale:
//
//   modelgen ENTRIES FILE     FILE: free MPS; FILE ending in .gz is gzipped
//
// The model is feasible and bounded by construction, and mixes:
//   - transportation blocks (supply rows L, demand rows G, every supplier to
//     every customer of its block);
//   - multicommodity flow on ring networks (conservation rows E per node and
//     commodity, arc capacity rows L coupling the commodities, a dear
//     overflow arc per commodity so that demand can always be met);
//   - staircase production planning (per product and period: make, sell,
//     stock; balance rows E, capacity rows as ranges, and inventory transfer
//     doubleton rows between a stock and its carried copy);
// and, spread through them, what every reduction kind looks for: fixed and
// empty columns, singleton rows, forcing rows, duplicate rows, duplicate
// columns, free and one-sided bounds. The same ENTRIES give the same model.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include <zlib.h>

#include "postsolve/model.h"
#include "splitmix.h"

using namespace postsolve;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

using bench::Rng;

// Rows first, then columns with their entries in order: the model's own
// column-major arrays are filled as it goes.
class Builder {
 public:
  explicit Builder(Model& model) : m_(model) {}
  int Row(std::string name, double lo, double up) {
    m_.rowNames.push_back(std::move(name));
    m_.rlo.push_back(lo);
    m_.rup.push_back(up);
    return m_.rows() - 1;
  }
  int Col(std::string name, double lo, double up, double cost,
          std::initializer_list<std::pair<int, double>> entries = {}) {
    return ColOf(std::move(name), lo, up, cost, std::vector<std::pair<int, double>>(entries));
  }
  int ColOf(std::string name, double lo, double up, double cost, const std::vector<std::pair<int, double>>& entries) {
    m_.colNames.push_back(std::move(name));
    m_.clo.push_back(lo);
    m_.cup.push_back(up);
    m_.cost.push_back(cost);
    for (const auto& [row, value] : entries) {
      m_.index.push_back(row);
      m_.value.push_back(value);
    }
    m_.start.push_back(static_cast<int>(m_.index.size()));
    return m_.cols() - 1;
  }
  long entries() const { return static_cast<long>(m_.index.size()); }

 private:
  Model& m_;
};

std::string Name(const char* prefix, long a, long b = -1, long c = -1) {
  std::string s(prefix);
  s.append(std::to_string(a));
  for (const long part : {b, c}) {
    if (part < 0) break;
    s += '_';
    s.append(std::to_string(part));
  }
  return s;
}

// Suppliers s, customers d: supply 10..20 each, demand a little under the
// block's supply spread over the customers.
void Transportation(Builder& b, Rng& rng, long block, int suppliers, int customers) {
  std::vector<int> supply, demand;
  double total = 0;
  for (int s = 0; s < suppliers; ++s) {
    const double cap = 10 + rng.Below(11);
    total += cap;
    supply.push_back(b.Row(Name("ts", block, s), -kInf, cap));
  }
  for (int d = 0; d < customers; ++d)
    demand.push_back(b.Row(Name("td", block, d), 0.8 * total / customers, kInf));
  for (int s = 0; s < suppliers; ++s)
    for (int d = 0; d < customers; ++d)
      b.Col(Name("tx", block, s, d), 0, kInf, 1 + rng.Below(50),
            {{supply[static_cast<std::size_t>(s)], 1}, {demand[static_cast<std::size_t>(d)], 1}});
}

// A ring of `nodes` with arcs both ways, `commodities` each sent from one node
// to another; each arc's capacity shared by all commodities.
void Multicommodity(Builder& b, Rng& rng, long block, int nodes, int commodities) {
  std::vector<int> capacity;
  for (int a = 0; a < 2 * nodes; ++a) capacity.push_back(b.Row(Name("mc", block, a), -kInf, 5 + rng.Below(20)));
  for (int k = 0; k < commodities; ++k) {
    const int from = rng.Below(nodes), to = (from + 1 + rng.Below(nodes - 1)) % nodes;
    const double amount = 1 + rng.Below(5);
    std::vector<int> balance;
    for (int v = 0; v < nodes; ++v) {
      const double net = v == from ? amount : v == to ? -amount : 0;  // out minus in
      balance.push_back(b.Row(Name("mb", block, k, v), net, net));
    }
    for (int a = 0; a < 2 * nodes; ++a) {
      const int tail = a < nodes ? a : (a - nodes + 1) % nodes;
      const int head = a < nodes ? (a + 1) % nodes : a - nodes;
      b.Col(Name("mf", block, k, a), 0, kInf, 1 + rng.Below(9),
            {{balance[static_cast<std::size_t>(tail)], 1},
             {balance[static_cast<std::size_t>(head)], -1},
             {capacity[static_cast<std::size_t>(a)], 1}});
    }
    b.Col(Name("mo", block, k), 0, kInf, 1000,
          {{balance[static_cast<std::size_t>(from)], 1}, {balance[static_cast<std::size_t>(to)], -1}});
  }
}

// Products over periods: stock(t-1) + make(t) - sell(t) - stock(t) = 0; the
// stock is carried through a transfer column (a doubleton row ties the two);
// a capacity range per period over every product's making.
void Planning(Builder& b, Rng& rng, long block, int products, int periods) {
  std::vector<int> capacity;
  for (int t = 0; t < periods; ++t)
    capacity.push_back(b.Row(Name("pc", block, t), 0.1 * products, 3.0 * products));
  for (int p = 0; p < products; ++p) {
    std::vector<int> balance, transfer;
    for (int t = 0; t < periods; ++t) {
      balance.push_back(b.Row(Name("pb", block, p, t), 0, 0));
      transfer.push_back(b.Row(Name("pt", block, p, t), 0, 0));
    }
    for (int t = 0; t < periods; ++t) {
      const auto at = static_cast<std::size_t>(t);
      b.Col(Name("pm", block, p, t), 0, 4, 2 + rng.Below(5), {{balance[at], 1}, {capacity[at], 1}});
      b.Col(Name("ps", block, p, t), 0, 1 + rng.Below(3), -(8 + rng.Below(5)), {{balance[at], -1}});
      b.Col(Name("pi", block, p, t), 0, kInf, 1, {{balance[at], -1}, {transfer[at], 1}});
      std::vector<std::pair<int, double>> carried = {{transfer[at], -1}};
      if (t + 1 < periods) carried.push_back({balance[at + 1], 1});
      b.ColOf(Name("pk", block, p, t), 0, kInf, 0, carried);
    }
  }
}

// What the other reductions look for, once in a while.
void Oddments(Builder& b, Rng& rng, long block) {
  b.Row(Name("rn", block), -1, 1);                           // empty row
  b.Col(Name("xe", block), 0, 7, 1 + rng.Below(4));          // empty column
  const int single = b.Row(Name("rs", block), 3, 3);         // singleton (equality) row
  b.Col(Name("xs", block), 0, kInf, -1, {{single, 1}});
  const int forcing = b.Row(Name("rf", block), -kInf, 0);    // forcing row: 0 <= x, sum x <= 0
  const int dupA = b.Row(Name("ra", block), 5, 5);           // duplicate rows: the second twice the first
  const int dupB = b.Row(Name("rb", block), 2, kInf);
  b.Col(Name("xf", block), 2, 2, 3, {{dupA, 1}, {dupB, 2}});    // fixed column
  b.Col(Name("xg", block), 0, 5, 2, {{forcing, 1}, {dupA, 1}, {dupB, 2}});
  b.Col(Name("xh", block), 0, 5, 4, {{forcing, 2}});
  b.Col(Name("xd", block), 0, 10, 1, {{dupA, 1}, {dupB, 2}});   // duplicate columns: the second
  b.Col(Name("xt", block), 0, 10, 2, {{dupA, 2}, {dupB, 4}});   // is twice the first, cost too
  const int freeRow = b.Row(Name("rr", block), 0.5, 0.5);      // a free column singleton in an equation
  const int capped = b.Row(Name("rc", block), -kInf, 10);
  b.Col(Name("xr", block), -kInf, kInf, 1, {{freeRow, 1}});
  b.Col(Name("xm", block), -kInf, 4, -1, {{freeRow, 1}, {capped, -1}});  // upper bound only
  b.Col(Name("xq", block), 0, 3, 1, {{freeRow, 1}, {capped, 1}});
  b.Col(Name("xc", block), 0, 5, 1, {{capped, 1}});            // dominated: its cost and row push it down
  b.Col(Name("xl", block), 1, 6, -2, {{capped, 1}});           // a lower bound to shift
}

Model Generate(long entries) {
  Rng rng{static_cast<std::uint64_t>(entries)};
  Model model;
  model.name = "GEN" + std::to_string(entries);
  Builder b(model);
  for (long block = 0; b.entries() < entries; ++block) {
    switch (block % 4) {
      case 0: Transportation(b, rng, block, 20 + rng.Below(20), 40 + rng.Below(40)); break;
      case 1: Multicommodity(b, rng, block, 20 + rng.Below(20), 10 + rng.Below(10)); break;
      case 2: Planning(b, rng, block, 10 + rng.Below(10), 12 + rng.Below(12)); break;
      default: Oddments(b, rng, block); break;
    }
  }
  return model;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: modelgen ENTRIES FILE (.mps, or .mps.gz gzipped)\n");
    return 2;
  }
  const Model model = Generate(std::atol(argv[1]));
  const std::string path = argv[2];
  const bool gz = path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0;
  const std::string text = MpsText(model);
  if (gz) {
    gzFile out = gzopen(path.c_str(), "wb6");
    if (out == nullptr || gzwrite(out, text.data(), static_cast<unsigned>(text.size())) != static_cast<int>(text.size()) ||
        gzclose(out) != Z_OK) {
      std::fprintf(stderr, "modelgen: %s: cannot write\n", path.c_str());
      return 1;
    }
  } else {
    WriteModel(model, path, ModelFormat::FreeMps);
  }
  std::printf("%s: %d rows, %d columns, %zu entries\n", path.c_str(), model.rows(), model.cols(), model.index.size());
  return 0;
}
