// benchcheck DIR: checks a generated benchmark input against what mkbench
// promises. Reads the three files with the program's own reader and checks
// that record 0 is HEADER with its name section right behind it, MATRIX comes
// next and the maps last; that names are 5 to 16 characters and all differ;
// that every row and column the maps drop is taken out by exactly one record,
// and no other; that every list holds the matrix's own entries (a column's
// list its column, less the record's row where the replay expects that; a
// row's list its row) and every coefficient is the matrix's; that duplicate
// columns really are multiples of their twins in the matrix; that null rows
// and columns are empty; and that forcing rows are one-sided. With at least
// 1000 rows it also wants every reduction kind, between 12 and 28 per cent of
// the rows and of the columns reduced, and doubleton rows both binding and not.
#include <cmath>
#include <cstdio>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "postdata.h"

namespace {

using Entries = std::vector<std::pair<int, double>>;

struct Check {
  int failures = 0;
  void operator()(bool ok, const std::string& what) {
    if (!ok && failures++ < 10) std::fprintf(stderr, "benchcheck: %s\n", what.c_str());
  }
};

Entries ReadList(InFile& f) {
  Entries out;
  for (int i = iGet(f); i >= 0; i = iGet(f)) out.emplace_back(i, dGet(f));
  return out;
}

Entries Without(const Entries& e, int skip) {
  Entries out;
  for (const auto& p : e)
    if (p.first != skip) out.push_back(p);
  return out;
}

double Coef(const Entries& e, int index) {
  for (const auto& [i, v] : e)
    if (i == index) return v;
  return 0.0;  // never a stored value: the generator writes no zeros
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: benchcheck DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  Check check;
  try {
    InFile sol = OpenIn(dir + "/" + SOLFILE);
    iGet(sol);
    const int nc = iGet(sol), nr = iGet(sol);
    std::vector<double> xr(static_cast<std::size_t>(nc));
    dGetN(sol, xr.data(), xr.size());

    InFile stk = OpenIn(dir + "/" + STKFILE);
    stk.seek(stk.size - 4);
    const int count = iGet(stk);
    stk.seek(0);
    std::vector<int> off(static_cast<std::size_t>(count));
    iGetN(stk, off.data(), off.size());
    check(count >= 4, "fewer than four records");

    PostData pd;
    pd.fbin = OpenIn(dir + "/" + BINFILE);
    InFile& bin = pd.fbin;
    auto enter = [&](int rec) {
      bin.seek(static_cast<std::size_t>(off[static_cast<std::size_t>(rec)]));
      return iGet(bin);
    };
    // HEADER and the names.
    check(enter(0) == HEADER, "record 0 is not HEADER");
    ReadHeader(pd);
    const int m = pd.m, n = pd.n;
    std::unordered_set<std::string> names;
    for (int i = 0; i < m + n; ++i) {
      const std::string name(NextName(bin, "name", i));
      check(name.size() >= 5 && name.size() <= 16, "name '" + name + "' is not 5 to 16 characters");
      check(names.insert(name).second, "name '" + name + "' occurs twice");
    }
    check(bin.pos == static_cast<std::size_t>(off[1]), "record 1 does not follow the name section");

    // MATRIX, column-wise and row-wise.
    bin.seek(static_cast<std::size_t>(off[1]));
    check(iGet(bin) == MATRIX, "record 1 is not MATRIX");
    const int nz = iGet(bin);
    check(iGet(bin) == n, "MATRIX column count differs from the header's");
    std::vector<double> c(static_cast<std::size_t>(n));
    dGetN(bin, c.data(), c.size());
    std::vector<Entries> col(static_cast<std::size_t>(n)), row(static_cast<std::size_t>(m));
    long long total = 0;
    for (int j = 0; j < n; ++j) {
      const int cnt = iGet(bin);
      std::vector<int> ind(static_cast<std::size_t>(cnt));
      std::vector<double> val(static_cast<std::size_t>(cnt));
      if (cnt > 0) {  // an empty vector's data() may be null, which the reader must not copy to
        iGetN(bin, ind.data(), ind.size());
        dGetN(bin, val.data(), val.size());
      }
      for (int q = 0; q < cnt; ++q) {
        const auto i = static_cast<std::size_t>(ind[static_cast<std::size_t>(q)]);
        col[static_cast<std::size_t>(j)].emplace_back(ind[static_cast<std::size_t>(q)], val[static_cast<std::size_t>(q)]);
        row[i].emplace_back(j, val[static_cast<std::size_t>(q)]);
      }
      total += cnt;
    }
    check(total == nz, "MATRIX column counts do not add up to its entry count");

    // The maps, last.
    std::vector<int> cmap(static_cast<std::size_t>(n)), rmap(static_cast<std::size_t>(m));
    check(enter(count - 2) == COLMAP && iGet(bin) == n, "the last but one record is not COLMAP over every column");
    iGetN(bin, cmap.data(), cmap.size());
    check(enter(count - 1) == ROWMAP && iGet(bin) == m, "the last record is not ROWMAP over every row");
    iGetN(bin, rmap.data(), rmap.size());
    auto kept = [&](const std::vector<int>& map, int i) { return map[static_cast<std::size_t>(i)] >= 0; };
    auto colOf = [&](int j) -> const Entries& { return col[static_cast<std::size_t>(j)]; };
    auto rowOf = [&](int i) -> const Entries& { return row[static_cast<std::size_t>(i)]; };

    // The reductions.
    std::vector<int> colTaken(static_cast<std::size_t>(n)), rowTaken(static_cast<std::size_t>(m));
    int kinds[NCODES] = {};
    int binding = 0, loose = 0;
    for (int rec = 2; rec < count - 2; ++rec) {
      bin.enter(rec, static_cast<std::size_t>(off[static_cast<std::size_t>(rec)]));
      const int code = enter(rec);
      const std::string at = "record " + std::to_string(rec) + " " + CodeName(code) + ": ";
      check(code >= 0 && code < NCODES && code != HEADER && code != MATRIX && code != COLMAP && code != ROWMAP,
            at + "not a reduction");
      ++kinds[code];
      auto takeCol = [&](int j) { ++colTaken[static_cast<std::size_t>(j)]; };
      auto takeRow = [&](int i) { ++rowTaken[static_cast<std::size_t>(i)]; };
      switch (code) {
        case DOMCOL:
        case FIXCOL: {
          const int j = iGet(bin);
          dGet(bin);
          check(dGet(bin) == c[static_cast<std::size_t>(j)], at + "cost is not the matrix's");
          check(ReadList(bin) == colOf(j), at + "list is not the column");
          takeCol(j);
          break;
        }
        case DUPCOL: {
          const int k = iGet(bin), j = iGet(bin);
          const double alpha = dGet(bin);
          Entries twice;
          for (const auto& [i, v] : colOf(j)) twice.emplace_back(i, alpha * v);
          check(colOf(k) == twice, at + "column is not alpha times its twin");
          check(kept(cmap, j), at + "the kept column is not in the reduced problem");
          takeCol(k);
          break;
        }
        case NULCOL: {
          const int j = iGet(bin);
          check(colOf(j).empty(), at + "column is not empty");
          takeCol(j);
          break;
        }
        case LOWBND:
        case MINBND:
          check(kept(cmap, iGet(bin)), at + "column is not in the reduced problem");
          break;
        case NULROW: {
          const int r = iGet(bin);
          check(rowOf(r).empty(), at + "row is not empty");
          takeRow(r);
          break;
        }
        case DUPROW: {
          const int r = iGet(bin), s = iGet(bin);
          check(kept(rmap, s), at + "the other row is not in the reduced problem");
          takeRow(r);
          break;
        }
        case SGLROW: {
          const int r = iGet(bin), j = iGet(bin);
          dGet(bin);
          check(dGet(bin) == Coef(rowOf(r), j), at + "coefficient is not the matrix's");
          dGet(bin);
          check(ReadList(bin) == colOf(j), at + "list is not the column");
          takeRow(r);
          takeCol(j);
          break;
        }
        case DOMROW: {
          const int r = iGet(bin), j = iGet(bin);
          dGet(bin);
          check(dGet(bin) == Coef(rowOf(r), j), at + "coefficient is not the matrix's");
          dGet(bin);
          check(ReadList(bin) == rowOf(r), at + "list is not the row");
          takeRow(r);
          takeCol(j);
          break;
        }
        case DBLROW: {
          const int r = iGet(bin), j = iGet(bin), k = iGet(bin);
          dGet(bin);
          const double aj = dGet(bin), ak = dGet(bin);
          check(aj == Coef(rowOf(r), j) && ak == Coef(rowOf(r), k), at + "coefficients are not the matrix's");
          dGet(bin);
          dGet(bin);
          const int flo = iGet(bin);
          const double lo = dGet(bin);
          const int fup = iGet(bin);
          const double up = dGet(bin);
          check(ReadList(bin) == Without(colOf(k), r), at + "list is not the other column less the row");
          check(kept(cmap, k), at + "the other column is not in the reduced problem");
          const double xk = xr[static_cast<std::size_t>(cmap[static_cast<std::size_t>(k)])];
          ((flo && xk == lo) || (fup && xk == up) ? binding : loose) += 1;
          takeRow(r);
          takeCol(j);
          break;
        }
        case FORROW: {
          const int r = iGet(bin);
          int sides[2] = {};
          Entries items;
          for (int tag = cGet(bin); tag != 'e'; tag = cGet(bin)) {
            const int j = iGet(bin);
            dGet(bin);
            const double a = dGet(bin);
            dGet(bin);
            check(std::fabs(a) >= 1e-13, at + "coefficient below 1e-13");
            ++sides[(a > 0) == (tag == 'l')];
            items.emplace_back(j, a);
            check(ReadList(bin) == Without(colOf(j), r), at + "list is not the column less the row");
            takeCol(j);
          }
          check(items == rowOf(r), at + "items are not the row's columns and coefficients");
          check(sides[0] == 0 || sides[1] == 0, at + "the dual interval is bounded on both sides");
          takeRow(r);
          break;
        }
        default:
          break;
      }
      if (rec + 1 < count - 2)
        check(bin.pos <= static_cast<std::size_t>(off[static_cast<std::size_t>(rec) + 1]),
              at + "runs into the next record");
    }

    int colsOut = 0, rowsOut = 0;
    for (int j = 0; j < n; ++j) {
      const int t = colTaken[static_cast<std::size_t>(j)];
      check(t == (kept(cmap, j) ? 0 : 1), "column " + std::to_string(j) + " is taken out " + std::to_string(t) +
                                              " times but the map says " + (kept(cmap, j) ? "kept" : "dropped"));
      colsOut += t > 0;
    }
    for (int i = 0; i < m; ++i) {
      const int t = rowTaken[static_cast<std::size_t>(i)];
      check(t == (kept(rmap, i) ? 0 : 1), "row " + std::to_string(i) + " is taken out " + std::to_string(t) +
                                              " times but the map says " + (kept(rmap, i) ? "kept" : "dropped"));
      rowsOut += t > 0;
    }
    check(n - colsOut == nc && m - rowsOut == nr, "the solution's counts differ from the maps'");
    if (m >= 1000) {
      for (int code = 0; code < NCODES; ++code)
        if (code != HEADER && code != MATRIX && code != COLMAP && code != ROWMAP)
          check(kinds[code] > 0, "no " + CodeName(code) + " record");
      check(colsOut >= 0.12 * n && colsOut <= 0.28 * n, std::to_string(colsOut) + " columns reduced");
      check(rowsOut >= 0.12 * m && rowsOut <= 0.28 * m, std::to_string(rowsOut) + " rows reduced");
      check(binding > 0 && loose > 0, "doubleton rows are all binding or all not");
    }
    if (check.failures == 0)
      std::printf("benchcheck: %s: %d rows, %d columns, %d entries, %d records; %d rows and %d columns reduced\n",
                  dir.c_str(), m, n, nz, count, rowsOut, colsOut);
  } catch (const PostError& e) {
    std::fprintf(stderr, "benchcheck: %s\n", e.what());
    return 1;
  }
  return check.failures ? 1 : 0;
}
