// Storage helpers of the state.

#include "postdata.h"

#include <algorithm>
#include <cstring>

namespace postsolve {

void Warnings::Add(const char* kind, std::string text) {
  ++total_;
  auto it = std::find_if(kinds_.begin(), kinds_.end(),
                         [kind](const Kind& k) { return std::strcmp(k.name, kind) == 0; });
  if (it == kinds_.end()) it = kinds_.insert(kinds_.end(), Kind{kind, 0});
  if (++it->count <= kKept || keepAll) kept_.push_back(std::move(text));
}

std::vector<std::string> Warnings::Lines() const {
  std::vector<std::string> lines = kept_;
  if (keepAll) return lines;
  for (const Kind& k : kinds_)
    if (k.count > kKept)
      lines.push_back("... and " + std::to_string(k.count - kKept) + " more " + k.name + " warnings");
  return lines;
}

BulkVector<char> cAlloc(std::size_t count) { return BulkVector<char>(count); }
BulkVector<int> iAlloc(std::size_t count) { return BulkVector<int>(count); }
BulkVector<double> dAlloc(std::size_t count) { return BulkVector<double>(count); }
void cFree(BulkVector<char>& v) { BulkVector<char>().swap(v); }
void iFree(BulkVector<int>& v) { BulkVector<int>().swap(v); }
void dFree(BulkVector<double>& v) { BulkVector<double>().swap(v); }

std::unique_ptr<SpMat> mAlloc(int ncols, int nz) {
  auto A = std::make_unique<SpMat>();
  if (ncols > 0) {
    A->col.resize(static_cast<std::size_t>(ncols));
    if (nz > 0) {
      A->indblk.resize(static_cast<std::size_t>(nz));
      A->valblk.resize(static_cast<std::size_t>(nz));
      A->col[0].ind = A->indblk.data();
      A->col[0].val = A->valblk.data();
    }
  }
  A->n = ncols;
  A->nz = nz;
  return A;
}

void mFree(std::unique_ptr<SpMat>& A) { A.reset(); }

void CheckInputsUnchanged(const PostData& pd) {
  for (const auto& [path, stamp] : pd.opened) CheckUnchanged(path, stamp);
}

int ShutDown(PostData& pd) {
  cFree(pd.rtype);
  iFree(pd.rmap);
  iFree(pd.cmap);
  for (auto* v : {&pd.xr, &pd.yr, &pd.zr, &pd.x, &pd.y, &pd.z, &pd.rlo, &pd.rup, &pd.c, &pd.clo,
                  &pd.cup, &pd.atyc, &pd.ax})
    dFree(*v);
  mFree(pd.A);
  pd.forind = {};
  pd.forval = {};
  pd.fbin = InFile();
  return 1;
}

}  // namespace postsolve
