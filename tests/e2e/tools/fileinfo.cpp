// Prints what Windows reports about each path given: attributes, size and the three file
// times as FILETIME values, one line per path ("PATH missing" when it does not exist).
#include <windows.h>
#include <stdio.h>

static unsigned long long Ticks(const FILETIME& time) {
  return ((unsigned long long)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(argv[i], GetFileExInfoStandard, &data)) {
      printf("%s missing\n", argv[i]);
      continue;
    }
    printf("%s attributes=0x%lx size=%lu created=%llu accessed=%llu written=%llu\n", argv[i],
           data.dwFileAttributes, data.nFileSizeLow, Ticks(data.ftCreationTime),
           Ticks(data.ftLastAccessTime), Ticks(data.ftLastWriteTime));
  }
  fflush(stdout);
  return 0;
}
