// Holds a file open for writing, as a news server rewriting it would, until a flag file goes.
//   hold_file FILE FLAG READY
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  HANDLE file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  HANDLE ready = CreateFileA(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
  while (GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES) Sleep(20);
  CloseHandle(file);
  return 0;
}
