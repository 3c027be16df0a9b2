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

#include "report.h"

using namespace postsolve;
using enum postsolve::RecordCode;


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
    check(enter(0) == AsInt(HEADER), "record 0 is not AsInt(HEADER)");
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
    check(iGet(bin) == AsInt(MATRIX), "record 1 is not AsInt(MATRIX)");
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
    check(enter(count - 2) == AsInt(COLMAP) && iGet(bin) == n, "the last but one record is not AsInt(COLMAP) over every column");
    iGetN(bin, cmap.data(), cmap.size());
    check(enter(count - 1) == AsInt(ROWMAP) && iGet(bin) == m, "the last record is not AsInt(ROWMAP) over every row");
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
      check(code >= 0 && code < NCODES && code != AsInt(HEADER) && code != AsInt(MATRIX) && code != AsInt(COLMAP) && code != AsInt(ROWMAP),
            at + "not a reduction");
      ++kinds[code];
      auto takeCol = [&](int j) { ++colTaken[static_cast<std::size_t>(j)]; };
      auto takeRow = [&](int i) { ++rowTaken[static_cast<std::size_t>(i)]; };
      switch (static_cast<RecordCode>(code)) {
        case DOMCOL:
        case FIXCOL: {
          const auto p = ReadFields<FixedColPayload>(bin);
          check(p.cj == c[static_cast<std::size_t>(p.j)], at + "cost is not the matrix's");
          check(ReadList(bin) == colOf(p.j), at + "list is not the column");
          takeCol(p.j);
          break;
        }
        case DUPCOL: {
          const auto p = ReadFields<DupColPayload>(bin);
          Entries twice;
          for (const auto& [i, v] : colOf(p.j)) twice.emplace_back(i, p.alpha * v);
          check(colOf(p.k) == twice, at + "column is not alpha times its twin");
          check(kept(cmap, p.j), at + "the kept column is not in the reduced problem");
          takeCol(p.k);
          break;
        }
        case NULCOL: {
          const auto p = ReadFields<NulColPayload>(bin);
          check(colOf(p.j).empty(), at + "column is not empty");
          takeCol(p.j);
          break;
        }
        case LOWBND:
        case MINBND:
          check(kept(cmap, ReadFields<BoundPayload>(bin).j), at + "column is not in the reduced problem");
          break;
        case NULROW: {
          const int r = ReadFields<NulRowPayload>(bin).r;
          check(rowOf(r).empty(), at + "row is not empty");
          takeRow(r);
          break;
        }
        case DUPROW: {
          const auto p = ReadFields<DupRowPayload>(bin);
          check(kept(rmap, p.s), at + "the other row is not in the reduced problem");
          takeRow(p.r);
          break;
        }
        case SGLROW: {
          const auto p = ReadFields<SglRowPayload>(bin);
          check(p.a == Coef(rowOf(p.r), p.j), at + "coefficient is not the matrix's");
          check(ReadList(bin) == colOf(p.j), at + "list is not the column");
          takeRow(p.r);
          takeCol(p.j);
          break;
        }
        case DOMROW: {
          const auto p = ReadFields<DomRowPayload>(bin);
          check(p.a == Coef(rowOf(p.r), p.j), at + "coefficient is not the matrix's");
          check(ReadList(bin) == rowOf(p.r), at + "list is not the row");
          takeRow(p.r);
          takeCol(p.j);
          break;
        }
        case DBLROW: {
          const auto p = ReadFields<DblRowPayload>(bin);
          check(p.aj == Coef(rowOf(p.r), p.j) && p.ak == Coef(rowOf(p.r), p.k), at + "coefficients are not the matrix's");
          check(ReadList(bin) == Without(colOf(p.k), p.r), at + "list is not the other column less the row");
          check(kept(cmap, p.k), at + "the other column is not in the reduced problem");
          const double xk = xr[static_cast<std::size_t>(cmap[static_cast<std::size_t>(p.k)])];
          ((p.flo && xk == p.lo) || (p.fup && xk == p.up) ? binding : loose) += 1;
          takeRow(p.r);
          takeCol(p.j);
          break;
        }
        case FORROW: {
          const int r = ReadFields<ForRowHead>(bin).r;
          int sides[2] = {};
          Entries items;
          for (int tag = cGet(bin); tag != kForRowEnd; tag = cGet(bin)) {
            const auto item = ReadFields<ForRowItem>(bin);
            check(std::fabs(item.a) >= 1e-13, at + "coefficient below 1e-13");
            ++sides[(item.a > 0) == (tag == 'l')];
            items.emplace_back(item.j, item.a);
            check(ReadList(bin) == Without(colOf(item.j), r), at + "list is not the column less the row");
            takeCol(item.j);
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
        if (code != AsInt(HEADER) && code != AsInt(MATRIX) && code != AsInt(COLMAP) && code != AsInt(ROWMAP))
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
