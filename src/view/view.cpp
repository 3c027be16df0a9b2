#include "view.h"

namespace postsolve {

double Objective(const PostData& pd) {
  double obj = 0;
  for (std::size_t j = 0; j < static_cast<std::size_t>(pd.n); ++j) obj = obj + pd.c[j] * pd.x[j];
  return obj;
}

const char* KnownStatusWord(int status) {
  static const char* const names[] = {"unsolved", "optimal", "infeasible", "unbounded", "difficulty"};
  return status >= -1 && status <= 3 ? names[status + 1] : nullptr;
}

std::string StatusText(int status) {
  const char* word = KnownStatusWord(status);
  return word != nullptr ? std::string(word) : "status " + std::to_string(status);
}

}  // namespace postsolve
