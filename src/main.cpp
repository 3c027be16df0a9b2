// postsolve: run in a directory holding dravfile.sol, dravfile.stk and
// dravfile.bin; writes the report of the full problem. Arguments are ignored.
#include "outfile.h"
#include "report.h"

int main() {
  postsolve::ReserveStandardDescriptors();
  postsolve::CleanUpTemporariesOnSignals();
  return postsolve::RunPost();
}
