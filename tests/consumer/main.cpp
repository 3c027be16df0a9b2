// consumer DIR OUTDIR [MODEL RUNDIR]: replays DIR's log through the installed
// library, prints the problem's name, status, objective and sizes, writes the
// report into OUTDIR; then writes a two-column log with the log writer into
// OUTDIR and replays it; then, given a model, runs the whole pipeline on it
// into RUNDIR. Exit 1 with the library's message on a failure.
#include <cstdio>
#include <string>

#include <postsolve/postsolve.h>
#include <postsolve/run.h>

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr, "usage: consumer DIR OUTDIR [MODEL RUNDIR]\n");
    return 2;
  }
  try {
    const postsolve::Solution s = postsolve::Replay(argv[1]);
    std::printf("%s %s %.17g %d %d\n", s.name().c_str(), s.statusWord(), s.objective(), s.rows(), s.cols());
    std::printf("report %s\n", postsolve::WriteReport(s, argv[2]).c_str());

    // min x0 + 2 x1 s.t. x0 + x1 >= 1, 0 <= x <= 10; the presolver fixed x1
    // at 0 and left x0 alone: the reduced problem's optimum is x0 = 1, y = 1.
    postsolve::LogWriter log;
    log.Header("pair", {1}, {1e30}, "G", {0, 0}, {10, 10}, {"demand"}, {"a", "b"});
    log.Matrix({1, 2}, {{{0, 1.0}}, {{0, 1.0}}});
    log.FixedColumn(1, 0, 2, {{0, 1.0}});
    log.ColMap({0, -1});
    log.RowMap({0});
    log.Save(argv[2], {0, {1}, {1}, {0}});
    const postsolve::Solution pair = postsolve::Replay(argv[2]);
    std::printf("pair x %g %g z %g %g version %s\n", pair.x()[0], pair.x()[1], pair.z()[0], pair.z()[1],
                postsolve::Version());

    if (argc == 5) {
      const postsolve::RunResult run = postsolve::Run(postsolve::ReadModel(argv[3]), argv[4]);
      std::printf("run %s %.13g %s\n", run.solution.name().c_str(), run.verify.objective,
                  run.verify.passed() ? "verified" : "outside tolerance");
    }
  } catch (const postsolve::Error& e) {
    std::fprintf(stderr, "consumer: %s\n", e.what());
    return 1;
  }
  return 0;
}
