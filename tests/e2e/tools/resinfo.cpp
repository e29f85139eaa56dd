// Reports the resources a built setup program carries: for each data resource, the manifest
// and the version information, whether it is there, and writes the resource's bytes to
// OUTDIR\<type>-<id>.bin so a test can compare them with the files that were embedded.
//   resinfo EXE OUTDIR
#include <windows.h>
#include <stdio.h>

static void Report(HMODULE module, int type, int id, const char* outDir) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(type));
  if (!found) {
    printf("resource %d %d absent\n", type, id);
    return;
  }
  DWORD size = SizeofResource(module, found);
  const void* bytes = LockResource(LoadResource(module, found));
  printf("resource %d %d size %lu\n", type, id, size);
  char path[MAX_PATH + 32];
  wsprintfA(path, "%s\\%d-%d.bin", outDir, type, id);
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  if (bytes) WriteFile(file, bytes, size, &written, NULL);
  CloseHandle(file);
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: resinfo EXE OUTDIR\n");
    return 2;
  }
  HMODULE module = LoadLibraryExA(argv[1], NULL, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) {
    printf("cannot load %s (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  Report(module, 10, 107, argv[2]);
  Report(module, 10, 110, argv[2]);
  Report(module, 10, 1, argv[2]);
  Report(module, 24, 1, argv[2]);
  FreeLibrary(module);

  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(argv[1], &ignored);
  static char info[16384];
  if (size == 0 || size > sizeof info || !GetFileVersionInfoA(argv[1], 0, size, info)) {
    printf("version absent\n");
    return 0;
  }
  VS_FIXEDFILEINFO* fixed = NULL;
  UINT length = 0;
  if (VerQueryValueA(info, "\\", (void**)&fixed, &length) && fixed) {
    printf("version fixed %u.%u.%u.%u\n", (unsigned)HIWORD(fixed->dwFileVersionMS),
           (unsigned)LOWORD(fixed->dwFileVersionMS), (unsigned)HIWORD(fixed->dwFileVersionLS),
           (unsigned)LOWORD(fixed->dwFileVersionLS));
  }
  const char* names[] = {"CompanyName", "FileDescription", "FileVersion", "ProductName",
                         "ProductVersion"};
  for (const char* name : names) {
    char query[96];
    wsprintfA(query, "\\StringFileInfo\\040904E4\\%s", name);
    char* value = NULL;
    if (VerQueryValueA(info, query, (void**)&value, &length) && value) {
      printf("version %s=%s\n", name, value);
    }
  }
  fflush(stdout);
  return 0;
}
