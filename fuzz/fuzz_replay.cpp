// Feeds arbitrary bytes through the whole run: the input is split into the
// three files (two leading int32 lengths give the solution and offset-stack
// sizes, the rest is the record file), which are written to a scratch
// directory and replayed. Any failure must surface as PostError.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "casefile.h"
#include "postdata.h"

namespace {

std::uint32_t TakeLength(const std::uint8_t*& data, std::size_t& size) {
  std::uint32_t v = 0;
  if (size >= 4) {
    std::memcpy(&v, data, 4);
    data += 4;
    size -= 4;
  }
  return static_cast<std::uint32_t>(std::min<std::size_t>(v, size));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char dir[] = "/tmp/postsolve-fuzz-XXXXXX";
  if (!::mkdtemp(dir) || ::chdir(dir) != 0) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CaseFiles files;
  std::uint32_t sol = TakeLength(data, size);
  files.sol.assign(reinterpret_cast<const char*>(data), sol);
  data += sol;
  size -= sol;
  std::uint32_t stk = TakeLength(data, size);
  files.stk.assign(reinterpret_cast<const char*>(data), stk);
  files.bin.assign(reinterpret_cast<const char*>(data + stk), size - stk);
  WriteCaseFiles(files, ".");
  try {
    PostData pd;
    Replay(pd);
    std::filesystem::remove(OutRept(pd));
  } catch (const PostError&) {
  }
  return 0;
}
