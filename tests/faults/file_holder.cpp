// file_holder.exe PATH: another Windows process with a file in use. It opens
// the existing file PATH for reading and writing with no sharing, answers one
// line, "held" or "err LAST-ERROR", and keeps the file open until its
// standard input ends.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::puts("err usage: file_holder PATH");
    return 2;
  }
  HANDLE file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::printf("err %lu\n", GetLastError());
    std::fflush(stdout);
    return 1;
  }
  std::puts("held");
  std::fflush(stdout);
  char line[256];
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
  }
  CloseHandle(file);
  return 0;
}
