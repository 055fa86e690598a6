// Keeps a Wine prefix's server running for the length of a test run: sleeps until the file
// named by its argument is gone, so the test fixture ends it by deleting that file.
#include <cstdio>

#include "win32.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: wine-keepalive <file>\n");
    return 2;
  }
  while (GetFileAttributesA(argv[1]) != INVALID_FILE_ATTRIBUTES) Sleep(200);
  return 0;
}
