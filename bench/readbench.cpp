// Model-file reading, ours beside CoinUtils' readers, on generated models.
//
//   readbench write DIR ENTRIES   writes DIR/model.mps (fixed), model.free.mps,
//                                 model.free.mps.gz and model.lp: one LP of
//                                 ENTRIES entries (entries/10 rows, entries/5
//                                 columns, names and numbers that fit fixed MPS)
//   readbench ours FILE           reads FILE with ReadModel
//   readbench coin FILE           reads FILE with CoinMpsIO (CoinLpIO for .lp)
//   readbench inflate FILE.gz     decompresses FILE.gz with zlib (gzread) and
//                                 with ISA-L (isal_inflate, as our reader
//                                 does), a 256 KiB chunk at a time, and
//                                 prints each one's seconds: why gzipped
//                                 model files are read with ISA-L
//
// A read prints one line: reader, file, seconds, rows, columns, entries,
// (ours) the bytes of the model's arrays and names, and the process's peak
// resident memory before the read and after it in KiB: the reader's memory
// is the difference (the program's own code and libraries left out), which
// bench/readers.sh compares with the model's bytes.
#include <chrono>
#include <exception>
#include <memory>
#include <optional>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <coin/CoinLpIO.hpp>
#include <coin/CoinMessageHandler.hpp>
#include <coin/CoinMpsIO.hpp>

#include "postsolve/model.h"
#include "splitmix.h"

using namespace postsolve;

namespace {

std::string Named(char letter, long number) {
  std::string name(1, letter);
  name.append(std::to_string(number));
  return name;
}

using bench::Rng;

// Five entries a column in rows spread through the model, coefficients with
// three decimals, integer bounds, one row in ten a range, one in ten an equation.
Model Generate(long entries) {
  Rng rng{static_cast<std::uint64_t>(entries)};
  Model model;
  model.name = Named('R', entries);
  const int m = static_cast<int>(entries / 10), n = static_cast<int>(entries / 5);
  for (int j = 0; j < n; ++j) {
    model.colNames.push_back(Named('C', j));
    model.clo.push_back(rng.Below(10) == 0 ? -rng.Below(5) : 0);
    model.cup.push_back(rng.Below(10) == 0 ? 1e300 * 1e300 : 1 + rng.Below(100));
    model.cost.push_back((rng.Below(20000) - 10000) / 1000.0);
    const int base = rng.Below(m);
    for (int k = 0; k < 5; ++k) {
      model.index.push_back((base + k * (m / 5)) % m);
      model.value.push_back((rng.Below(2000) - 1000 + 0.5) / 1000);
    }
    model.start.push_back(static_cast<int>(model.index.size()));
  }
  for (int i = 0; i < m; ++i) {
    model.rowNames.push_back(Named('R', i));
    const int kind = rng.Below(10);
    const double side = rng.Below(1000);
    model.rlo.push_back(kind == 0 ? side : kind < 5 ? -side : -1e300 * 1e300);
    model.rup.push_back(kind == 0 ? side : kind < 5 ? 1e300 * 1e300 : side + (kind == 9 ? 50 : 0));
    if (kind == 9) model.rlo.back() = side;  // a range [side, side + 50]
  }
  return model;
}

std::size_t ModelBytes(const Model& m) {
  std::size_t bytes = (m.rlo.size() * 2 + m.clo.size() * 3 + m.value.size()) * sizeof(double) +
                      (m.index.size() + m.start.size()) * sizeof(int);
  for (const auto* names : {&m.rowNames, &m.colNames})
    for (const std::string& name : *names) bytes += sizeof(std::string) + (name.size() > 15 ? name.size() + 1 : 0);
  return bytes;
}

void Gzip(const std::string& from, const std::string& to) {
  FILE* in = std::fopen(from.c_str(), "rb");
  gzFile out = gzopen(to.c_str(), "wb6");
  if (in == nullptr || out == nullptr) std::exit(1);
  std::vector<char> block(1 << 20);
  for (std::size_t got; (got = std::fread(block.data(), 1, block.size(), in)) > 0;)
    gzwrite(out, block.data(), static_cast<unsigned>(got));
  std::fclose(in);
  gzclose(out);
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The bytes `path` decompresses to, read by zlib or ISA-L (one gzip member,
// as Gzip writes), and the seconds taken; exits on a failure.
std::size_t Inflate(const std::string& path, bool isal, double& seconds) {
  constexpr std::size_t kChunk = std::size_t{1} << 18;
  std::vector<char> out(kChunk);
  std::size_t total = 0;
  const auto start = std::chrono::steady_clock::now();
  if (!isal) {
    gzFile in = gzopen(path.c_str(), "rb");
    if (in == nullptr) std::exit(1);
    gzbuffer(in, kChunk);
    for (int got; (got = gzread(in, out.data(), static_cast<unsigned>(kChunk))) > 0;) total += static_cast<std::size_t>(got);
    gzclose(in);
  } else {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) std::exit(1);
    std::vector<std::uint8_t> in(kChunk);
    auto state = std::make_unique<inflate_state>();
    isal_inflate_init(state.get());
    state->crc_flag = ISAL_GZIP;
    while (state->block_state != ISAL_BLOCK_FINISH) {
      if (state->avail_in == 0) {
        const ssize_t got = ::read(fd, in.data(), in.size());
        if (got <= 0) std::exit(1);
        state->next_in = in.data();
        state->avail_in = static_cast<std::uint32_t>(got);
      }
      state->next_out = reinterpret_cast<std::uint8_t*>(out.data());
      state->avail_out = static_cast<std::uint32_t>(kChunk);
      if (isal_inflate(state.get()) != ISAL_DECOMP_OK) std::exit(1);
      total += kChunk - state->avail_out;
    }
    ::close(fd);
  }
  seconds = SecondsSince(start);
  return total;
}

long PeakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

int Main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (argc != (mode == "write" ? 4 : 3)) {
    std::fprintf(stderr, "usage: readbench write DIR ENTRIES | readbench ours|coin FILE | readbench inflate FILE.gz\n");
    return 2;
  }
  if (mode == "inflate") {
    double zlib = 0, isal = 0;
    const std::size_t bytes = Inflate(argv[2], false, zlib);
    if (Inflate(argv[2], true, isal) != bytes) return 1;
    std::printf("inflate %s zlib %.4f s isa-l %.4f s %zu bytes\n", argv[2], zlib, isal, bytes);
    return 0;
  }
  if (mode == "write") {
    const std::string dir = argv[2];
    const Model model = Generate(std::atol(argv[3]));
    WriteModel(model, dir + "/model.mps", ModelFormat::FixedMps);
    WriteModel(model, dir + "/model.free.mps", ModelFormat::FreeMps);
    Gzip(dir + "/model.free.mps", dir + "/model.free.mps.gz");
    WriteModel(model, dir + "/model.lp", ModelFormat::Lp);
    std::printf("%d rows, %d columns, %zu entries written to %s\n", model.rows(), model.cols(),
                model.index.size(), dir.c_str());
    return 0;
  }
  const std::string path = argv[2];
  const long before = PeakKiB();
  // The time is the read's alone: from the call until the model is in
  // memory; counting and freeing it come after.
  CoinMessageHandler quiet;  // before the readers that hold it
  quiet.setLogLevel(0);
  std::optional<Model> ours;
  std::unique_ptr<CoinMpsIO> mps;
  std::unique_ptr<CoinLpIO> lp;
  const auto start = std::chrono::steady_clock::now();
  if (mode == "ours") {
    ours.emplace(ReadModel(path));
  } else if (EndsWith(path, ".lp")) {
    lp = std::make_unique<CoinLpIO>();
    lp->passInMessageHandler(&quiet);
    lp->readLp(path.c_str());
  } else {
    mps = std::make_unique<CoinMpsIO>();
    mps->passInMessageHandler(&quiet);
    if (mps->readMps(path.c_str(), "") != 0) {
      std::fprintf(stderr, "readbench: CoinMpsIO refused %s\n", path.c_str());
      return 1;
    }
  }
  const double seconds = SecondsSince(start);
  int rows = 0, cols = 0;
  long entries = 0;
  std::size_t bytes = 0;
  if (ours) {
    rows = ours->rows();
    cols = ours->cols();
    entries = static_cast<long>(ours->index.size());
    bytes = ModelBytes(*ours);
  } else if (lp) {
    rows = lp->getNumRows();
    cols = lp->getNumCols();
    entries = lp->getNumElements();
  } else {
    rows = mps->getNumRows();
    cols = mps->getNumCols();
    entries = mps->getNumElements();
  }
  std::printf("%s %s %.3f s %d rows %d columns %ld entries %zu model-bytes %ld KiB-before %ld KiB-peak\n",
              mode.c_str(), path.c_str(), seconds, rows, cols, entries, bytes, before, PeakKiB());
  return 0;
}

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "readbench: %s\n", e.what());
    return 1;
  }
}
