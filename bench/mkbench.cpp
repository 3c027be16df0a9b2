// Writes a large, consistent input set for timing runs:
//   mkbench DIR [ROWS COLUMNS ENTRIES_PER_COLUMN [SEED]]
// The full problem has ROWS x COLUMNS with ENTRIES_PER_COLUMN entries in
// every column. The log removes a tenth of the columns as fixed columns, a
// twentieth of the rows as null rows and another twentieth as singleton rows
// (each taking a column with it), and shifts a tenth of the bounds; the
// solution covers what is left.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "casefile.h"
#include "postdata.h"

namespace {

void Save(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "mkbench: cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: mkbench DIR [ROWS COLUMNS ENTRIES_PER_COLUMN [SEED]]\n");
    return 2;
  }
  auto arg = [&](int i, int fallback) { return argc > i ? std::atoi(argv[i]) : fallback; };
  const int m = arg(2, 500000), n = arg(3, 1000000), k = std::min(arg(4, 8), m);
  const unsigned seed = static_cast<unsigned>(arg(5, 1));
  if (m < 20 || n < 20 || k < 1) {
    std::fprintf(stderr, "mkbench: need at least 20 rows, 20 columns and 1 entry per column\n");
    return 2;
  }
  if (12LL * n * k + 30LL * (m + n) > 0x7fffffffLL) {
    std::fprintf(stderr, "mkbench: the record file would pass 2 GiB; choose a smaller problem\n");
    return 2;
  }
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> coef(0.5, 4.0), val(0.0, 10.0);

  // Column j has rows (j*7 + q*step) mod m: distinct for q < k because step*k <= m.
  const int step = m / k;
  auto rowOf = [&](int j, int q) { return static_cast<int>((j * 7LL + static_cast<long long>(q) * step) % m); };
  std::vector<std::vector<double>> vals(static_cast<std::size_t>(n));
  for (auto& col : vals) {
    col.resize(static_cast<std::size_t>(k));
    for (double& v : col) v = coef(rng);
  }

  // Removed columns: every tenth (fixed), and one per singleton row.
  std::vector<int> colGone(static_cast<std::size_t>(n), 0), rowGone(static_cast<std::size_t>(m), 0);
  std::vector<Bytes> records;  // reductions in the order the presolver logged them
  for (int j = 0; j < n; j += 10) {
    Bytes b;
    b.i32(FIXCOL);
    b.i32(j);
    b.f64(val(rng));
    b.f64(1.0);
    std::vector<std::pair<int, double>> entries;
    for (int q = 0; q < k; ++q) entries.emplace_back(rowOf(j, q), vals[static_cast<std::size_t>(j)][static_cast<std::size_t>(q)]);
    b.list(entries);
    records.push_back(std::move(b));
    colGone[static_cast<std::size_t>(j)] = 1;
  }
  for (int i = 3, j = 5; i < m; i += 20, j += 10) {
    rowGone[static_cast<std::size_t>(i)] = 1;
    Bytes b;
    b.i32(NULROW);
    b.i32(i);
    records.push_back(std::move(b));
    if (i + 10 >= m || j >= n) continue;
    // singleton row i+10 on column j: it fixes the column and leaves the problem with it
    const int r = i + 10;
    rowGone[static_cast<std::size_t>(r)] = 1;
    colGone[static_cast<std::size_t>(j)] = 1;
    Bytes s;
    s.i32(SGLROW);
    s.i32(r);
    s.i32(j);
    s.f64(val(rng));
    s.f64(coef(rng));
    s.f64(1.0);
    std::vector<std::pair<int, double>> entries;
    for (int q = 0; q < k; ++q)
      if (rowOf(j, q) != r) entries.emplace_back(rowOf(j, q), vals[static_cast<std::size_t>(j)][static_cast<std::size_t>(q)]);
    s.list(entries);
    records.push_back(std::move(s));
  }
  for (int j = 1; j < n; j += 10) {
    Bytes b;
    b.i32(LOWBND);
    b.i32(j);
    b.f64(1.0);
    records.push_back(std::move(b));
  }

  // Record 0: the header, then the names.
  Bytes header;
  header.i32(HEADER);
  header.i32(m);
  header.i32(n);
  header.name("BENCH");
  for (int i = 0; i < m; ++i) header.f64(i % 3 == 2 ? 0.0 : -1e30);
  for (int i = 0; i < m; ++i) header.f64(i % 3 == 2 ? 1e30 : 100.0);
  for (int i = 0; i < m; ++i) header.byte(i % 3 == 2 ? 'G' : (i % 3 == 1 ? 'L' : 'E'));
  for (int j = 0; j < n; ++j) header.f64(0.0);
  for (int j = 0; j < n; ++j) header.f64(j % 2 ? 1e30 : 50.0);
  char name[16];
  for (int i = 0; i < m; ++i) {
    std::snprintf(name, sizeof name, "R%07d", i);
    header.name(name);
  }
  for (int j = 0; j < n; ++j) {
    std::snprintf(name, sizeof name, "C%07d", j);
    header.name(name);
  }

  Bytes matrix;
  matrix.i32(MATRIX);
  matrix.i32(n * k);
  matrix.i32(n);
  for (int j = 0; j < n; ++j) matrix.f64(1.0 + j % 5);
  for (int j = 0; j < n; ++j) {
    matrix.i32(k);
    for (int q = 0; q < k; ++q) matrix.i32(rowOf(j, q));
    for (int q = 0; q < k; ++q) matrix.f64(vals[static_cast<std::size_t>(j)][static_cast<std::size_t>(q)]);
  }

  std::vector<int> cmap(static_cast<std::size_t>(n)), rmap(static_cast<std::size_t>(m));
  int nc = 0, nr = 0;
  for (int j = 0; j < n; ++j) cmap[static_cast<std::size_t>(j)] = colGone[static_cast<std::size_t>(j)] ? -1 : nc++;
  for (int i = 0; i < m; ++i) rmap[static_cast<std::size_t>(i)] = rowGone[static_cast<std::size_t>(i)] ? -1 : nr++;
  Bytes colmap, rowmap;
  colmap.i32(COLMAP);
  colmap.i32(n);
  colmap.ints(cmap);
  rowmap.i32(ROWMAP);
  rowmap.i32(m);
  rowmap.ints(rmap);

  std::string bin;
  std::vector<int> offsets;
  auto add = [&](const Bytes& b) {
    offsets.push_back(static_cast<int>(bin.size()));
    bin += b.s;
  };
  add(header);
  for (const Bytes& b : records) add(b);
  add(matrix);
  add(colmap);
  add(rowmap);
  std::vector<double> x(static_cast<std::size_t>(nc)), y(static_cast<std::size_t>(nr)),
      z(static_cast<std::size_t>(nc));
  for (double& v : x) v = val(rng);
  for (double& v : y) v = val(rng) - 5.0;
  for (double& v : z) v = val(rng) - 5.0;

  const std::string dir = argv[1];
  Save(dir + "/" + SOLFILE, SolutionBytes(0, nc, nr, x, y, z));
  Save(dir + "/" + STKFILE, StackBytes(offsets));
  Save(dir + "/" + BINFILE, bin);
  std::printf("%d rows, %d columns, %lld entries, %zu records, %zu bytes of records\n", m, n,
              static_cast<long long>(n) * k, offsets.size(), bin.size());
  return 0;
}
