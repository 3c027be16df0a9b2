// Storage helpers of the state.

#include "postdata.h"

namespace postsolve {

std::vector<char> cAlloc(std::size_t count) { return std::vector<char>(count); }
std::vector<int> iAlloc(std::size_t count) { return std::vector<int>(count); }
std::vector<double> dAlloc(std::size_t count) { return std::vector<double>(count); }
void cFree(std::vector<char>& v) { std::vector<char>().swap(v); }
void iFree(std::vector<int>& v) { std::vector<int>().swap(v); }
void dFree(std::vector<double>& v) { std::vector<double>().swap(v); }

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
