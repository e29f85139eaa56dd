// Starts the command line that follows its own name, waits for it and prints its full exit
// code ("exit code: N"), which Wine's Unix exit status would cut to the low byte.
#include <windows.h>
#include <stdio.h>

// Returns the command line after this program's own name (quoted or not) and the blanks after it.
static char* RestOfCommandLine() {
  char* p = GetCommandLineA();
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

int main() {
  char* command = RestOfCommandLine();
  if (!*command) {
    fprintf(stderr, "usage: run_and_report PROGRAM [ARGUMENTS...]\n");
    return 2;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
    fprintf(stderr, "run_and_report: cannot start %s (error %lu)\n", command, GetLastError());
    return 2;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  printf("exit code: %lu\n", code);
  fflush(stdout);
  return 0;
}
