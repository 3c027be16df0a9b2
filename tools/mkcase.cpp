// mkcase CASE DIR: builds dravfile.sol, dravfile.stk and dravfile.bin in DIR
// from the readable case text in the file CASE ("-" reads standard input).
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "casefile.h"
#include "postdata.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mkcase CASE DIR\n");
    return 2;
  }
  std::stringstream text;
  if (std::string(argv[1]) == "-") {
    text << std::cin.rdbuf();
  } else {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "mkcase: %s: cannot open\n", argv[1]);
      return 1;
    }
    text << in.rdbuf();
  }
  try {
    WriteCaseFiles(ParseCase(text.str()), argv[2]);
  } catch (const PostError& e) {
    std::fprintf(stderr, "mkcase: %s: %s\n", argv[1], e.what());
    return 1;
  }
  return 0;
}
