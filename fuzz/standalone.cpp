// Replays saved fuzz inputs without libFuzzer: each argument is a file or a
// directory of files (not recursive), each file is one input handed to
// LLVMFuzzerTestOneInput. A broken property aborts; otherwise prints how many
// inputs ran and exits 0. Built in the normal build, so the sanitizer build
// replays the corpus and every past finding on each test run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  // Paths first: the target changes the working directory when it starts.
  std::vector<fs::path> inputs;
  for (int a = 1; a < argc; ++a) {
    const fs::path p = fs::absolute(argv[a]);
    if (fs::is_directory(p)) {
      std::vector<fs::path> files;
      for (const auto& e : fs::directory_iterator(p))
        if (e.is_regular_file()) files.push_back(e.path());
      std::sort(files.begin(), files.end());
      inputs.insert(inputs.end(), files.begin(), files.end());
    } else if (fs::is_regular_file(p)) {
      inputs.push_back(p);
    } else {
      std::fprintf(stderr, "fuzz_standalone: %s: no such file or directory\n", argv[a]);
      return 1;
    }
  }
  LLVMFuzzerInitialize(&argc, &argv);
  for (const fs::path& p : inputs) {
    std::ifstream in(p, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "fuzz_standalone: %s: cannot read\n", p.c_str());
      return 1;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::fprintf(stderr, "%s\n", p.c_str());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::fprintf(stderr, "fuzz_standalone: %zu inputs replayed\n", inputs.size());
  return 0;
}
