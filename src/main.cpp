// postsolve: run in a directory holding dravfile.sol, dravfile.stk and
// dravfile.bin; writes the report of the full problem. Arguments are ignored,
// but for a single --help or --version, which print and exit.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "outfile.h"
#include "postsolve/version.h"
#include "report.h"

namespace {

const char* const kHelp =
    "Usage: postsolve\n"
    "       postsolve --help | --version\n"
    "\n"
    "Undoes the reductions a presolver logged, newest first, on the reduced\n"
    "problem's solution, and writes the report of the whole LP: primal values,\n"
    "row activities and duals, dual slacks. It takes no arguments and works in\n"
    "the current directory, reading\n"
    "  dravfile.sol  the reduced problem's solution\n"
    "  dravfile.stk  the byte offsets of the records in dravfile.bin\n"
    "  dravfile.bin  the presolver's log\n"
    "and writing the report to NAME.rpt, NAME being the problem's name in the\n"
    "log (dravfile.rpt when it is empty). A failed run leaves an earlier report\n"
    "in place. Standard output gets a banner, the report's name and a count of\n"
    "every kind of reduction undone.\n"
    "\n"
    "Exit status:\n"
    "  0  complete: the report is in place and no degenerate data was met\n"
    "  1  failed: one line on standard error; no report was written\n"
    "  2  complete, but degenerate data was met: one warning line a record on\n"
    "     standard error (at most ten of each kind)\n";

// Prints text on standard output: 0, or 1 with the reason when it fails.
int Print(const char* text) {
  std::fputs(text, stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "postsolve: standard output: write error: %s\n", std::strerror(errno));
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]) == "--help") return Print(kHelp);
  if (argc == 2 && std::string_view(argv[1]) == "--version") return Print("postsolve " POSTSOLVE_VERSION_STRING "\n");
  postsolve::ReserveStandardDescriptors();
  postsolve::CleanUpTemporariesOnSignals();
  return postsolve::RunPost();
}
