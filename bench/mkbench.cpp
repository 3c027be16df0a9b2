// Writes a large, consistent input set for timing runs:
//   mkbench DIR ROWS COLUMNS NONZEROS [SEED]
//
// The full problem has ROWS x COLUMNS and exactly NONZEROS matrix entries.
// Row lengths vary (empty rows, short rows, ordinary rows and a few dense
// ones), and so do column lengths. The log removes about a fifth of the rows
// and a fifth of the columns with every kind of reduction, each record
// carrying the data the presolver would have logged: a column's list holds the
// column's entries in the matrix, a row's list the row's entries, coefficients
// and costs are the matrix's own. Records appear in random order between
// MATRIX and the two maps. The data is chosen so that the replay meets no
// degenerate case: duplicate columns always have a non-empty interval,
// forcing rows a one-sided dual interval, no divisor is zero, and doubleton
// rows are binding for about half of their remaining columns.
//
// The same arguments always give the same bytes: the generator uses its own
// random stream rather than the standard distributions.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "report.h"

using namespace postsolve;
using enum postsolve::RecordCode;

namespace {

using std::size_t;

// xoshiro256** seeded through splitmix64.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) {
    for (auto& w : s_) {
      seed += 0x9e3779b97f4a7c15ULL;
      std::uint64_t z = seed;
      z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
      z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
      w = z ^ (z >> 31);
    }
  }
  std::uint64_t Next() {
    const std::uint64_t out = Rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = Rotl(s_[3], 45);
    return out;
  }
  double U01() { return static_cast<double>(Next() >> 11) * 0x1p-53; }
  double Uniform(double lo, double hi) { return lo + (hi - lo) * U01(); }
  bool Chance(double p) { return U01() < p; }
  // Uniform in [0, count) for count < 2^32.
  size_t Below(size_t count) { return static_cast<size_t>(((Next() >> 32) * count) >> 32); }
  // A value rounded to two decimals, as data typed by people tends to be.
  double Round2(double lo, double hi) { return std::round(Uniform(lo, hi) * 100.0) / 100.0; }

 private:
  static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  std::uint64_t s_[4];
};

template <class T>
void Shuffle(std::vector<T>& v, Rng& rng) {
  for (size_t i = v.size(); i > 1; --i) std::swap(v[i - 1], v[rng.Below(i)]);
}

constexpr double kInf = INFVAL;

// What became of a column.
enum ColState : unsigned char {
  kFree,      // in the reduced problem, no record touches it (yet)
  kRemoved,   // taken out by a reduction record
  kKept,      // in the reduced problem, other column of a doubleton row: its value must stay
  kDupKept,   // in the reduced problem, kept column of a duplicate pair
  kBounded,   // in the reduced problem, shifted or reflected by a bound record
};

enum RowClass : unsigned char { kEmpty, kShort, kNormal, kDense };

// One reduction record before it is written.
struct Red {
  RecordCode code;
  int r = -1, j = -1, k = -1;
  double v = 0;  // xval, the duplicate factor, the duplicate row factor or the bound
  bool lower = true;  // FORROW: the row was forced to its lowest activity
};

struct Problem {
  int m = 0, n = 0;
  std::vector<double> rlo, rup, clo, cup, c;
  std::vector<char> rtype;
  std::vector<size_t> colptr;  // column j is [colptr[j], colptr[j+1])
  std::vector<int> ind;
  std::vector<double> val;

  double Rhs(int r) const {
    const size_t i = static_cast<size_t>(r);
    return rtype[i] == 'L' ? rup[i] : rlo[i];
  }
};

// A matrix coefficient: a third are +-1, the rest spread over four decades.
double Coef(Rng& rng) {
  const double sign = rng.Chance(0.7) ? 1.0 : -1.0;
  if (rng.Chance(0.3)) return sign;
  return sign * std::round(std::pow(10.0, rng.Uniform(-2.0, 2.0)) * 1000.0) / 1000.0 + sign * 0.001;
}

// Names of 5 to 16 characters: letters, the index, then letters. The letter
// runs and the index split a name in one way only, so all names differ.
std::string MakeName(Rng& rng, const char* const* prefixes, size_t nprefix, int index) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string s = prefixes[rng.Below(nprefix)];
  s += std::to_string(index);
  const size_t want = 5 + rng.Below(12);
  while (s.size() < want) s.push_back(kLetters[rng.Below(sizeof kLetters - 1)]);
  return s;
}

// The record file, written as it is produced; knows every record's offset.
class BinWriter {
 public:
  explicit BinWriter(const std::string& path) : path_(path), f_(std::fopen(path.c_str(), "wb")) {
    if (!f_) Die("cannot create " + path + ": " + std::strerror(errno));
    std::setvbuf(f_.get(), nullptr, _IOFBF, size_t{1} << 20);
  }
  // Starts a record at the current offset.
  void Begin() {
    if (size_ > static_cast<size_t>(std::numeric_limits<int>::max()))
      Die("the record file passes 2 GiB; choose a smaller problem");
    offsets_.push_back(static_cast<int>(size_));
  }
  // Appends the bytes of b and empties it.
  void Put(ByteWriter& b) {
    if (!b.s.empty() && std::fwrite(b.s.data(), 1, b.s.size(), f_.get()) != b.s.size())
      Die("cannot write " + path_);
    size_ += b.s.size();
    b.s.clear();
  }
  void Flush(ByteWriter& b) {
    if (b.s.size() >= (size_t{1} << 20)) Put(b);
  }
  void Close() {
    if (std::fclose(f_.release()) != 0) Die("cannot write " + path_);
    if (size_ > static_cast<size_t>(std::numeric_limits<int>::max()))
      Die("the record file passes 2 GiB; choose a smaller problem");
  }
  const std::vector<int>& offsets() const { return offsets_; }
  size_t size() const { return size_; }

  [[noreturn]] static void Die(const std::string& why) {
    std::fprintf(stderr, "mkbench: %s\n", why.c_str());
    std::exit(1);
  }

 private:
  struct Closer {
    void operator()(std::FILE* f) const {
      if (f) std::fclose(f);
    }
  };
  std::string path_;
  std::unique_ptr<std::FILE, Closer> f_;
  size_t size_ = 0;
  std::vector<int> offsets_;
};

void Save(const std::string& path, const std::string& bytes) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size() ||
      std::fclose(f.release()) != 0)
    BinWriter::Die("cannot write " + path);
}

class Generator {
 public:
  Generator(int m, int n, long long nz, std::uint64_t seed) : rng_(seed) {
    p_.m = m;
    p_.n = n;
    nz_ = static_cast<size_t>(nz);
  }

  void Plan() {
    Bounds();
    ColumnRoles();
    Matrix();
    RowReductions();
    ColumnReductions();
    Solution();
    Shuffle(reds_, rng_);
  }

  void Write(const std::string& dir) const;
  void Summary(size_t binBytes, size_t records) const;

 private:
  size_t M() const { return static_cast<size_t>(p_.m); }
  size_t N() const { return static_cast<size_t>(p_.n); }

  void Bounds();
  void ColumnRoles();
  void Matrix();
  void RowReductions();
  void ColumnReductions();
  void Solution();
  void Fixed(int j, double xval);
  size_t KeptCount() const {
    return static_cast<size_t>(std::count_if(colState_.begin(), colState_.end(),
                                             [](unsigned char st) { return st == kKept || st == kDupKept; }));
  }
  bool PlanDupCol(int k, int j, double alpha);
  void WriteRecord(ByteWriter& b, const Red& red) const;
  void ColumnList(ByteWriter& b, int j, int skipRow) const;
  double RowCoef(int r, int j) const;

  Rng rng_;
  Problem p_;
  size_t nz_ = 0;
  std::vector<unsigned char> rowClass_, rowGone_, colState_;
  std::vector<int> dupOf_;  // for a removed duplicate column, its kept twin; else -1
  std::vector<double> dupAlpha_;
  // Row view of the rows whose records list the row: slot per row, -1 for none.
  std::vector<int> rowSlot_;
  std::vector<size_t> rowStart_;
  std::vector<std::pair<int, double>> rowEnt_;
  std::vector<Red> reds_;
  std::vector<double> xfull_;  // values of the columns in the reduced problem, full index space
  std::vector<int> cmap_, rmap_;
  int nc_ = 0, nr_ = 0;
  std::vector<double> xr_, yr_, zr_;
};

void Generator::Bounds() {
  const size_t m = M(), n = N();
  p_.rlo.resize(m);
  p_.rup.resize(m);
  p_.rtype.resize(m);
  rowClass_.resize(m);
  for (size_t i = 0; i < m; ++i) {
    const double u = rng_.U01();
    rowClass_[i] = u < 0.02 ? kEmpty : u < 0.27 ? kShort : u < 0.2703 ? kDense : kNormal;
    const double b = rng_.Round2(-50.0, 200.0);
    const double t = rng_.U01();
    if (rowClass_[i] == kEmpty || t < 0.40) {  // an empty row is a <= row with room
      p_.rtype[i] = 'L';
      p_.rlo[i] = -kInf;
      p_.rup[i] = rowClass_[i] == kEmpty ? std::fabs(b) : b;
    } else if (t < 0.70) {
      p_.rtype[i] = 'E';
      p_.rlo[i] = p_.rup[i] = b;
    } else if (t < 0.90) {
      p_.rtype[i] = 'G';
      p_.rlo[i] = b;
      p_.rup[i] = kInf;
    } else {
      p_.rtype[i] = 'R';
      p_.rlo[i] = b;
      p_.rup[i] = b + rng_.Round2(1.0, 100.0);
    }
  }
  p_.clo.resize(n);
  p_.cup.resize(n);
  p_.c.resize(n);
  for (size_t j = 0; j < n; ++j) {
    const double t = rng_.U01();
    double lo = 0, up = kInf;
    if (t < 0.55) {
    } else if (t < 0.70) {
      up = rng_.Round2(1.0, 100.0);
    } else if (t < 0.75) {
      lo = rng_.Round2(-20.0, 20.0);
      up = lo + rng_.Round2(1.0, 100.0);
    } else if (t < 0.85) {
      lo = rng_.Round2(-20.0, 20.0);
    } else if (t < 0.90) {
      lo = -kInf;
    } else if (t < 0.95) {
      lo = -kInf;
      up = rng_.Round2(-20.0, 100.0);
    } else {
      lo = up = rng_.Round2(0.0, 50.0);
    }
    p_.clo[j] = lo;
    p_.cup[j] = up;
    p_.c[j] = rng_.Chance(0.1) ? 0.0 : rng_.Round2(-10.0, 10.0);
  }
}

// Before the matrix: empty columns (null columns) and duplicate pairs, whose
// removed member copies its twin's entries.
void Generator::ColumnRoles() {
  const size_t n = N();
  colState_.assign(n, kFree);
  dupOf_.assign(n, -1);
  dupAlpha_.assign(n, 0.0);
  std::vector<int> order(n);
  for (size_t j = 0; j < n; ++j) order[j] = static_cast<int>(j);
  Shuffle(order, rng_);
  const size_t nnul = n / 100, ndup = 3 * n / 100;
  size_t q = 0;
  for (; q < nnul; ++q) {
    const int j = order[q];
    colState_[static_cast<size_t>(j)] = kRemoved;
    reds_.push_back({NULCOL, -1, j, -1, 0});
  }
  for (size_t d = 0; d < ndup && q + 1 < n; ++d, q += 2) {
    const int k = order[q], j = order[q + 1];
    double alpha = rng_.Chance(0.3) ? static_cast<double>(1 + rng_.Below(4)) : rng_.Round2(0.1, 10.0);
    if (rng_.Chance(0.2)) alpha = -alpha;
    colState_[static_cast<size_t>(k)] = kRemoved;
    colState_[static_cast<size_t>(j)] = kDupKept;
    dupOf_[static_cast<size_t>(k)] = j;
    dupAlpha_[static_cast<size_t>(k)] = alpha;
    p_.c[static_cast<size_t>(k)] = alpha * p_.c[static_cast<size_t>(j)];
    reds_.push_back({DUPCOL, -1, j, k, alpha});
  }
}

void Generator::Matrix() {
  const size_t m = M(), n = N();
  // Rows to draw entries from, by class; entries go to a class in proportion
  // to its rows times its weight.
  std::vector<int> byClass[4];
  for (size_t i = 0; i < m; ++i) byClass[rowClass_[i]].push_back(static_cast<int>(i));
  const double weight[4] = {0.0, 0.15, 1.0, 40.0};
  double cum[4], total = 0;
  for (int k = 0; k < 4; ++k) {
    total += weight[k] * static_cast<double>(byClass[k].size());
    cum[k] = total;
  }
  std::vector<int> nonEmpty;
  for (int k = 1; k < 4; ++k) nonEmpty.insert(nonEmpty.end(), byClass[k].begin(), byClass[k].end());
  const size_t maxLen = nonEmpty.size() / 2;

  // Column lengths: log-normal about the mean, at least 1, summing to nz.
  std::vector<size_t> len(n, 0);
  std::vector<int> adjustable;
  size_t filled = 0;
  for (size_t j = 0; j < n; ++j)
    if (!(colState_[j] == kRemoved && dupOf_[j] < 0)) ++filled;  // all but the empty ones
  const double mean = static_cast<double>(nz_) / static_cast<double>(filled);
  long long sum = 0;
  for (size_t j = 0; j < n; ++j) {
    if (colState_[j] == kRemoved && dupOf_[j] < 0) continue;  // null column: no entries
    const double g = std::sqrt(-2.0 * std::log(1.0 - rng_.U01())) * std::cos(6.283185307179586 * rng_.U01());
    const double want = mean * std::exp(0.6 * g - 0.18);
    len[j] = std::clamp<size_t>(static_cast<size_t>(std::llround(want)), 1, maxLen);
    if (colState_[j] == kFree) adjustable.push_back(static_cast<int>(j));
  }
  for (size_t j = 0; j < n; ++j)
    if (dupOf_[j] >= 0) len[j] = len[static_cast<size_t>(dupOf_[j])];
  for (size_t j = 0; j < n; ++j) sum += static_cast<long long>(len[j]);
  long long diff = static_cast<long long>(nz_) - sum;
  // Too many entries: shorten duplicate pairs first, two entries at a time.
  for (size_t k = 0; k < n && diff <= -2; ++k) {
    if (dupOf_[k] < 0) continue;
    const size_t j = static_cast<size_t>(dupOf_[k]);
    while (diff <= -2 && len[j] > 1) {
      --len[j];
      --len[k];
      diff += 2;
    }
  }
  for (long long tries = 0; diff != 0; ++tries) {
    if (adjustable.empty() || tries > 100 * static_cast<long long>(n) + std::llabs(diff))
      BinWriter::Die("cannot spread the entries over the columns; choose other sizes");
    const size_t j = static_cast<size_t>(adjustable[rng_.Below(adjustable.size())]);
    if (diff > 0 && len[j] < maxLen) {
      ++len[j];
      --diff;
    } else if (diff < 0 && len[j] > 1) {
      --len[j];
      ++diff;
    }
  }

  p_.colptr.assign(n + 1, 0);
  for (size_t j = 0; j < n; ++j) p_.colptr[j + 1] = p_.colptr[j] + len[j];
  p_.ind.resize(nz_);
  p_.val.resize(nz_);
  std::vector<int> stamp(m, -1);
  for (size_t j = 0; j < n; ++j) {
    if (dupOf_[j] >= 0) continue;
    int* ind = p_.ind.data() + p_.colptr[j];
    const size_t cnt = len[j];
    int misses = 0;
    for (size_t q = 0; q < cnt;) {
      int r;
      if (misses < 8) {
        const double u = rng_.U01() * total;
        const int k = u < cum[1] ? 1 : u < cum[2] ? 2 : 3;
        const auto& pool = byClass[k].empty() ? nonEmpty : byClass[k];
        r = pool[rng_.Below(pool.size())];
      } else {
        r = nonEmpty[rng_.Below(nonEmpty.size())];
      }
      if (stamp[static_cast<size_t>(r)] == static_cast<int>(j)) {
        ++misses;
        continue;
      }
      stamp[static_cast<size_t>(r)] = static_cast<int>(j);
      ind[q++] = r;
      misses = 0;
    }
    std::sort(ind, ind + cnt);
    double* val = p_.val.data() + p_.colptr[j];
    for (size_t q = 0; q < cnt; ++q) val[q] = Coef(rng_);
  }
  for (size_t k = 0; k < n; ++k) {
    if (dupOf_[k] < 0) continue;
    const size_t j = static_cast<size_t>(dupOf_[k]);
    for (size_t q = 0; q < len[k]; ++q) {
      p_.ind[p_.colptr[k] + q] = p_.ind[p_.colptr[j] + q];
      p_.val[p_.colptr[k] + q] = dupAlpha_[k] * p_.val[p_.colptr[j] + q];
    }
  }
}

double Generator::RowCoef(int r, int j) const {
  const size_t s = static_cast<size_t>(rowSlot_[static_cast<size_t>(r)]);
  for (size_t q = rowStart_[s]; q < rowStart_[s + 1]; ++q)
    if (rowEnt_[q].first == j) return rowEnt_[q].second;
  BinWriter::Die("internal: column " + std::to_string(j) + " not in row " + std::to_string(r));
}

void Generator::RowReductions() {
  const size_t m = M(), n = N();
  std::vector<size_t> rowLen(m, 0);
  for (int r : p_.ind) ++rowLen[static_cast<size_t>(r)];
  rowGone_.assign(m, 0);

  // Empty rows are null rows; the others are drawn at random for the kinds
  // that need entries, forcing rows among the short ones.
  std::vector<int> order;
  for (size_t i = 0; i < m; ++i) {
    if (rowClass_[i] == kEmpty) {
      rowGone_[i] = 1;
      reds_.push_back({NULROW, static_cast<int>(i)});
    } else {
      order.push_back(static_cast<int>(i));
    }
  }
  Shuffle(order, rng_);
  // A fifth of the rows go. The kinds that take columns with them are scaled
  // down when there are few columns for many rows, so that they take at most
  // about a tenth of the columns; duplicate rows make up the rest.
  const double takes = 0.05 + 0.05 + 0.02 + 0.02 * 3;  // columns taken, per row
  const double scale = std::min(1.0, 0.09 * static_cast<double>(n) / (takes * static_cast<double>(m)));
  auto share = [&](double part) { return static_cast<size_t>(part * scale * static_cast<double>(m)); };
  size_t quota[NCODES] = {};
  quota[AsInt(FORROW)] = share(0.02);
  quota[AsInt(SGLROW)] = share(0.05);
  quota[AsInt(DBLROW)] = share(0.05);
  quota[AsInt(DOMROW)] = share(0.02);
  const size_t used = (m - order.size()) + quota[AsInt(FORROW)] + quota[AsInt(SGLROW)] + quota[AsInt(DBLROW)] + quota[AsInt(DOMROW)];
  quota[AsInt(DUPROW)] = m / 5 > used ? m / 5 - used : 0;
  std::vector<Red> rows;
  for (int r : order) {
    const size_t len = rowLen[static_cast<size_t>(r)];
    RecordCode code = static_cast<RecordCode>(-1);
    if (quota[AsInt(FORROW)] && len <= 6) code = FORROW;
    else {
      const RecordCode kinds[] = {SGLROW, DBLROW, DOMROW, DUPROW};
      size_t left = 0;
      auto fits = [&](RecordCode k) { return len >= (k == DUPROW ? 0u : k == SGLROW ? 1u : 2u); };
      for (RecordCode k : kinds)
        if (fits(k)) left += quota[AsInt(k)];
      if (left == 0) {
        if (quota[AsInt(FORROW)] + quota[AsInt(SGLROW)] + quota[AsInt(DBLROW)] + quota[AsInt(DOMROW)] + quota[AsInt(DUPROW)] == 0) break;
        continue;
      }
      size_t pick = rng_.Below(left);
      for (RecordCode k : kinds) {
        if (!fits(k)) continue;
        if (pick < quota[AsInt(k)]) {
          code = k;
          break;
        }
        pick -= quota[AsInt(k)];
      }
    }
    --quota[AsInt(code)];
    rows.push_back({code, r});
  }

  // Row view of every listed row.
  rowSlot_.assign(m, -1);
  rowStart_.assign(1, 0);
  for (const Red& red : rows) {
    if (red.code == DUPROW) continue;
    const size_t r = static_cast<size_t>(red.r);
    rowSlot_[r] = static_cast<int>(rowStart_.size() - 1);
    rowStart_.push_back(rowStart_.back() + rowLen[r]);
  }
  rowEnt_.resize(rowStart_.back());
  std::vector<size_t> fill(rowStart_.begin(), rowStart_.end() - 1);
  for (size_t j = 0; j < n; ++j)
    for (size_t q = p_.colptr[j]; q < p_.colptr[j + 1]; ++q) {
      const int s = rowSlot_[static_cast<size_t>(p_.ind[q])];
      if (s >= 0) rowEnt_[fill[static_cast<size_t>(s)]++] = {static_cast<int>(j), p_.val[q]};
    }

  auto entries = [&](int r) {
    const size_t s = static_cast<size_t>(rowSlot_[static_cast<size_t>(r)]);
    return std::pair{rowEnt_.begin() + static_cast<std::ptrdiff_t>(rowStart_[s]),
                     rowEnt_.begin() + static_cast<std::ptrdiff_t>(rowStart_[s + 1])};
  };
  // A column of row r in the given state, from a random start; -1 if none.
  auto pick = [&](int r, unsigned char state, int besides) {
    auto [b, e] = entries(r);
    const size_t cnt = static_cast<size_t>(e - b);
    const size_t start = rng_.Below(cnt);
    for (size_t q = 0; q < cnt; ++q) {
      const int j = b[static_cast<std::ptrdiff_t>((start + q) % cnt)].first;
      if (j != besides && colState_[static_cast<size_t>(j)] == state) return j;
    }
    return -1;
  };

  // Forcing rows first: they take every column of the row.
  std::vector<Red> dup;
  for (Red& red : rows) {
    if (red.code != FORROW) continue;
    auto [b, e] = entries(red.r);
    bool free = true;
    for (auto it = b; it != e; ++it) free = free && colState_[static_cast<size_t>(it->first)] == kFree;
    if (!free) {
      red.code = DUPROW;
      continue;
    }
    red.lower = rng_.Chance(0.5);
    for (auto it = b; it != e; ++it) {
      // The row fixed each column at the bound its activity was forced to:
      // make sure that bound is finite.
      const size_t j = static_cast<size_t>(it->first);
      const bool atLower = red.lower == (it->second > 0);
      if (atLower && p_.clo[j] < -INFBND) p_.clo[j] = std::min(0.0, p_.cup[j]);
      if (!atLower && p_.cup[j] > INFBND) p_.cup[j] = p_.clo[j] + rng_.Round2(1.0, 50.0);
      colState_[j] = kRemoved;
    }
  }
  for (Red& red : rows) {
    if (red.code == SGLROW || red.code == DOMROW || red.code == DBLROW) {
      red.j = pick(red.r, kFree, -1);
      if (red.j < 0) {
        red.code = DUPROW;
      } else {
        colState_[static_cast<size_t>(red.j)] = kRemoved;
        if (red.code == SGLROW) {
          const size_t j = static_cast<size_t>(red.j);
          red.v = p_.clo[j] > -INFBND ? p_.clo[j] : p_.cup[j] < INFBND ? p_.cup[j] : 0.0;
        }
      }
    }
    if (red.code == DBLROW) {
      red.k = pick(red.r, kKept, red.j);
      if (red.k < 0) red.k = pick(red.r, kFree, red.j);
      if (red.k < 0) red.code = DOMROW;  // the row defines j from the others
      else colState_[static_cast<size_t>(red.k)] = kKept;
    }
    rowGone_[static_cast<size_t>(red.r)] = 1;  // every row record takes its row out
  }
  // A duplicate row is folded into a row of the reduced problem.
  for (Red& red : rows) {
    if (red.code != DUPROW) continue;
    int s;
    do s = static_cast<int>(rng_.Below(m));
    while (rowGone_[static_cast<size_t>(s)]);
    red.k = s;
    red.v = rng_.Chance(0.3) ? -1.0 : rng_.Round2(-4.0, 4.0);
  }
  reds_.insert(reds_.end(), rows.begin(), rows.end());
}

void Generator::Fixed(int j, double xval) {
  const size_t c = static_cast<size_t>(j);
  colState_[c] = kRemoved;
  p_.clo[c] = p_.cup[c] = xval;
}

void Generator::ColumnReductions() {
  const size_t n = N();
  std::vector<int> order;
  for (size_t j = 0; j < n; ++j)
    if (colState_[j] == kFree) order.push_back(static_cast<int>(j));
  Shuffle(order, rng_);
  // Fixed and dominated columns bring the columns taken out to a fifth.
  const size_t taken = n - order.size() - KeptCount();
  const size_t budget = n / 5 > taken ? n / 5 - taken : 0;
  size_t nfix = budget * 5 / 7, ndom = budget - nfix;
  for (int j : order) {
    const size_t c = static_cast<size_t>(j);
    const double lo = p_.clo[c], up = p_.cup[c];
    if (nfix && (lo == up || rng_.Chance(0.5))) {
      // A fixed column: its bounds meet at its value.
      const double xval = lo > -INFBND ? lo : up < INFBND ? up : 0.0;
      Fixed(j, xval);
      reds_.push_back({FIXCOL, -1, j, -1, xval});
      --nfix;
    } else if (ndom && lo != up) {
      // A dominated column sits at the bound its cost pushes it to.
      colState_[c] = kRemoved;
      const double xval = lo > -INFBND ? lo : up < INFBND ? up : 0.0;
      reds_.push_back({DOMCOL, -1, j, -1, xval});
      --ndom;
    } else if (nfix == 0 && ndom == 0) {
      break;
    }
  }
  // Bound records on the columns left: a finite non-zero lower bound is
  // shifted out, a column bounded only above is reflected.
  for (size_t j = 0; j < n; ++j) {
    if (colState_[j] != kFree) continue;
    if (p_.clo[j] < -INFBND && p_.cup[j] < INFBND) {
      colState_[j] = kBounded;
      reds_.push_back({MINBND, -1, static_cast<int>(j), -1, p_.cup[j]});
    } else if (p_.clo[j] > -INFBND && p_.clo[j] != 0.0) {
      colState_[j] = kBounded;
      reds_.push_back({LOWBND, -1, static_cast<int>(j), -1, p_.clo[j]});
    }
  }
}

// Chooses the merged column's value so that the replay's interval for the
// duplicate is not empty; false when the bounds leave no such value.
bool Generator::PlanDupCol(int k, int j, double alpha) {
  const size_t ck = static_cast<size_t>(k), cj = static_cast<size_t>(j);
  const double lok = p_.clo[ck], upk = p_.cup[ck], loj = p_.clo[cj], upj = p_.cup[cj];
  // The merged column x_j + alpha x_k ranges over [smin, smax].
  const double klo = alpha > 0 ? lok : upk, kup = alpha > 0 ? upk : lok;
  const bool finLo = loj > -INFBND && std::fabs(klo) < INFBND;
  const bool finUp = upj < INFBND && std::fabs(kup) < INFBND;
  const double smin = finLo ? loj + alpha * klo : 0, smax = finUp ? upj + alpha * kup : 0;
  double s;
  if (finLo && finUp) s = smin + rng_.Uniform(0.2, 0.8) * (smax - smin);
  else if (finLo) s = smin + rng_.Round2(0.0, 10.0);
  else if (finUp) s = smax - rng_.Round2(0.0, 10.0);
  else s = rng_.Round2(-10.0, 10.0);
  // The replay's own interval.
  const auto [L, U] = DupColInterval(s, alpha, lok, upk, loj, upj);
  if (L > U) return false;
  xfull_[cj] = s;
  return true;
}

void Generator::Solution() {
  const size_t m = M(), n = N();
  xfull_.assign(n, 0.0);
  // Columns kept beside a doubleton row: about half sit on a bound, which
  // makes the row binding for them.
  for (size_t j = 0; j < n; ++j) {
    if (colState_[j] == kKept) {
      const double lo = p_.clo[j], up = p_.cup[j];
      if (lo > -INFBND && rng_.Chance(0.5)) xfull_[j] = lo;
      else if (up < INFBND && rng_.Chance(0.3)) xfull_[j] = up;
      else if (lo > -INFBND && up < INFBND) xfull_[j] = lo + (up - lo) * 0.375;
      else if (lo > -INFBND) xfull_[j] = lo + 1.5;
      else if (up < INFBND) xfull_[j] = up - 1.5;
      else xfull_[j] = 2.5;
    } else if (colState_[j] == kFree || colState_[j] == kBounded) {
      xfull_[j] = rng_.Chance(0.4) ? 0.0 : rng_.Round2(0.0, 20.0);
    }
  }
  for (Red& red : reds_) {
    if (red.code != DUPCOL) continue;
    if (!PlanDupCol(red.k, red.j, red.v)) {
      // No value fits these bounds: leave the duplicate free.
      p_.clo[static_cast<size_t>(red.k)] = -kInf;
      p_.cup[static_cast<size_t>(red.k)] = kInf;
      if (!PlanDupCol(red.k, red.j, red.v)) BinWriter::Die("internal: no value for a duplicate column");
    }
  }
  cmap_.assign(n, -1);
  rmap_.assign(m, -1);
  for (size_t j = 0; j < n; ++j)
    if (colState_[j] != kRemoved) {
      cmap_[j] = nc_++;
      xr_.push_back(xfull_[j]);
      zr_.push_back(xfull_[j] == 0.0 && rng_.Chance(0.5) ? rng_.Round2(0.0, 5.0) : 0.0);
    }
  for (size_t i = 0; i < m; ++i)
    if (!rowGone_[i]) {
      rmap_[i] = nr_++;
      yr_.push_back(rng_.Chance(0.5) ? 0.0 : rng_.Round2(-5.0, 5.0));
    }
}

// Column j's entries in the matrix, less the one in row skipRow.
void Generator::ColumnList(ByteWriter& b, int j, int skipRow) const {
  const size_t c = static_cast<size_t>(j);
  for (size_t q = p_.colptr[c]; q < p_.colptr[c + 1]; ++q) {
    if (p_.ind[q] == skipRow) continue;
    b.i32(p_.ind[q]);
    b.f64(p_.val[q]);
  }
  b.i32(-1);
}

void Generator::WriteRecord(ByteWriter& b, const Red& red) const {
  const size_t j = static_cast<size_t>(red.j);
  switch (red.code) {
    case DOMCOL:
    case FIXCOL:
      WritePayload(b, red.code, FixedColPayload{.j = red.j, .xval = red.v, .cj = p_.c[j], .column = {}});
      ColumnList(b, red.j, -1);
      break;
    case DUPCOL: {
      const size_t k = static_cast<size_t>(red.k);
      WritePayload(b, red.code, DupColPayload{.k = red.k, .j = red.j, .alpha = red.v, .lok = p_.clo[k],
                                              .upk = p_.cup[k], .loj = p_.clo[j], .upj = p_.cup[j]});
      break;
    }
    case NULCOL: {
      const double x = p_.clo[j] > -INFBND ? p_.clo[j] : p_.cup[j] < INFBND ? p_.cup[j] : 0.0;
      WritePayload(b, red.code, NulColPayload{.j = red.j, .xval = x, .zval = p_.c[j]});
      break;
    }
    case LOWBND:
    case MINBND:
      WritePayload(b, red.code, BoundPayload{.j = red.j, .bound = red.v});
      break;
    case NULROW:
      WritePayload(b, red.code, NulRowPayload{.r = red.r});
      break;
    case DUPROW:
      WritePayload(b, red.code, DupRowPayload{.r = red.r, .s = red.k, .factor = red.v});
      break;
    case SGLROW:
      WritePayload(b, red.code, SglRowPayload{.r = red.r, .j = red.j, .xval = red.v,
                                              .a = RowCoef(red.r, red.j), .cj = p_.c[j], .column = {}});
      ColumnList(b, red.j, -1);  // the replay skips the row's own entry
      break;
    case DOMROW: {
      WritePayload(b, red.code, DomRowPayload{.r = red.r, .j = red.j, .b = p_.Rhs(red.r),
                                              .a = RowCoef(red.r, red.j), .cj = p_.c[j], .row = {}});
      const size_t s = static_cast<size_t>(rowSlot_[static_cast<size_t>(red.r)]);
      for (size_t q = rowStart_[s]; q < rowStart_[s + 1]; ++q) {
        b.i32(rowEnt_[q].first);
        b.f64(rowEnt_[q].second);
      }
      b.i32(-1);
      break;
    }
    case DBLROW: {
      const size_t k = static_cast<size_t>(red.k);
      WritePayload(b, red.code,
                   DblRowPayload{.r = red.r, .j = red.j, .k = red.k, .b = p_.Rhs(red.r),
                                 .aj = RowCoef(red.r, red.j), .ak = RowCoef(red.r, red.k), .cj = p_.c[j],
                                 .ck = p_.c[k], .flo = p_.clo[k] > -INFBND, .lo = p_.clo[k],
                                 .fup = p_.cup[k] < INFBND, .up = p_.cup[k], .columnK = {}});
      ColumnList(b, red.k, red.r);
      break;
    }
    case FORROW: {
      WritePayload(b, red.code, ForRowHead{.r = red.r});
      const size_t s = static_cast<size_t>(rowSlot_[static_cast<size_t>(red.r)]);
      for (size_t q = rowStart_[s]; q < rowStart_[s + 1]; ++q) {
        const auto [col, a] = rowEnt_[q];
        const size_t c = static_cast<size_t>(col);
        const bool atLower = red.lower == (a > 0);
        b.byte(atLower ? 'l' : 'u');
        ForRowItem item{.j = col, .xval = atLower ? p_.clo[c] : p_.cup[c], .a = a, .cj = p_.c[c], .column = {}};
        FieldWriter fields{b};
        item.Fields(fields);
        ColumnList(b, col, red.r);
      }
      b.byte(kForRowEnd);
      break;
    }
    default:
      BinWriter::Die("internal: no writer for record code " + CodeName(red.code));
  }
}

const char* const kRowPrefixes[] = {"c", "bal", "cap", "dem", "lim", "flow", "sup", "res", "mix", "req", "bnd", "tr"};
const char* const kColPrefixes[] = {"x", "y", "f", "ship", "prod", "inv", "buy", "sell", "q", "w", "lam", "mk"};

void Generator::Write(const std::string& dir) const {
  const size_t m = M(), n = N();
  BinWriter out(dir + "/" + BINFILE);
  ByteWriter b;
  b.s.reserve(size_t{2} << 20);

  // Record 0: the header, then the name section.
  out.Begin();
  b.code(HEADER);
  b.i32(p_.m);
  b.i32(p_.n);
  b.name("BENCH");
  for (double v : p_.rlo) b.f64(v);
  out.Flush(b);
  for (double v : p_.rup) b.f64(v);
  out.Flush(b);
  for (char t : p_.rtype) b.byte(t);
  out.Flush(b);
  for (double v : p_.clo) b.f64(v);
  out.Flush(b);
  for (double v : p_.cup) b.f64(v);
  out.Flush(b);
  // Names come from their own stream so that they do not shift the data.
  Rng names(0x6e616d6573ULL ^ static_cast<std::uint64_t>(m) * 31 ^ static_cast<std::uint64_t>(n));
  for (size_t i = 0; i < m; ++i) {
    b.name(MakeName(names, kRowPrefixes, std::size(kRowPrefixes), static_cast<int>(i)));
    out.Flush(b);
  }
  for (size_t j = 0; j < n; ++j) {
    b.name(MakeName(names, kColPrefixes, std::size(kColPrefixes), static_cast<int>(j)));
    out.Flush(b);
  }
  out.Put(b);

  out.Begin();
  b.code(MATRIX);
  b.i32(static_cast<int>(nz_));
  b.i32(p_.n);
  for (double v : p_.c) b.f64(v);
  for (size_t j = 0; j < n; ++j) {
    const size_t q0 = p_.colptr[j], q1 = p_.colptr[j + 1];
    b.i32(static_cast<int>(q1 - q0));
    for (size_t q = q0; q < q1; ++q) b.i32(p_.ind[q]);
    for (size_t q = q0; q < q1; ++q) b.f64(p_.val[q]);
    out.Flush(b);
  }
  out.Put(b);

  for (const Red& red : reds_) {
    out.Begin();
    WriteRecord(b, red);
    out.Put(b);
  }

  out.Begin();
  b.code(COLMAP);
  b.i32(p_.n);
  b.ints(cmap_);
  out.Put(b);
  out.Begin();
  b.code(ROWMAP);
  b.i32(p_.m);
  b.ints(rmap_);
  out.Put(b);
  out.Close();

  Save(dir + "/" + STKFILE, StackBytes(out.offsets()));
  Save(dir + "/" + SOLFILE, SolutionBytes(0, nc_, nr_, xr_, yr_, zr_));
  Summary(out.size(), out.offsets().size());
}

void Generator::Summary(size_t binBytes, size_t records) const {
  int count[NCODES] = {};
  for (const Red& red : reds_) ++count[AsInt(red.code)];
  std::printf("%d rows, %d columns, %zu entries; reduced to %d rows, %d columns\n", p_.m, p_.n, nz_,
              nr_, nc_);
  std::printf("%zu records, %zu bytes:", records, binBytes);
  for (int code = 0; code < NCODES; ++code)
    if (count[code]) std::printf(" %s %d", CodeName(code).c_str(), count[code]);
  std::printf("\n");
}

bool ParseInt(const char* s, long long lo, long long hi, long long& out) {
  char* end = nullptr;
  errno = 0;
  out = std::strtoll(s, &end, 10);
  return errno == 0 && end != s && *end == '\0' && out >= lo && out <= hi;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || argc > 6) {
    std::fprintf(stderr, "usage: mkbench DIR ROWS COLUMNS NONZEROS [SEED]\n");
    return 2;
  }
  const long long kMax = std::numeric_limits<int>::max();
  long long m, n, nz, seed = 1;
  if (!ParseInt(argv[2], 20, kMax, m) || !ParseInt(argv[3], 20, kMax, n) ||
      !ParseInt(argv[4], 1, kMax, nz) || (argc == 6 && !ParseInt(argv[5], 0, kMax, seed))) {
    std::fprintf(stderr, "mkbench: ROWS and COLUMNS must be 20 to %lld, NONZEROS 1 to %lld, SEED 0 to %lld\n",
                 kMax, kMax, kMax);
    return 2;
  }
  // Every column but the empty ones holds an entry, none more than half the rows.
  if (nz < n || nz > n * (m / 4)) {
    std::fprintf(stderr, "mkbench: NONZEROS must lie between COLUMNS and COLUMNS x ROWS / 4\n");
    return 2;
  }
  Generator gen(static_cast<int>(m), static_cast<int>(n), nz, static_cast<std::uint64_t>(seed));
  gen.Plan();
  gen.Write(argv[1]);
  return 0;
}
