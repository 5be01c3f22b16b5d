#include <cstdio>

// Runs a generated script: shotsweep-batch SCRIPT.
int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s SCRIPT\n", argv[0]);
    return 2;
  }
  std::fprintf(stderr, "shotsweep-batch: the interpreter is not built yet\n");
  return 1;
}
