// postsolve: run in a directory holding dravfile.sol, dravfile.stk and
// dravfile.bin; writes the report of the full problem. Arguments are ignored.
#include "report.h"

int main() { return postsolve::RunPost(); }
