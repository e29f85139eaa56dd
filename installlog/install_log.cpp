// The install log writer and the line reader every reader of the log shares.
#include "installlog/install_log.h"

#include "common/common.h"

// Kind letter, a path of at most PATH_MAX_LENGTH characters, CR LF.
enum { LOG_LINE_CAPACITY = 268 };

// One unbuffered write per line, so the log on disk is complete up to the last action.
// A path too long to be a path of this program never reaches the log in part: the line is
// dropped and counted as a write fault, like a short write.
void WriteLogLine(char kind, const char* path) {
  if (runState.logFile == INVALID_HANDLE_VALUE) return;
  int length = lstrlenA(path);
  if (length > PATH_MAX_LENGTH) {
    runState.resultCode = ERROR_WRITE_FAULT;
    return;
  }
  char line[LOG_LINE_CAPACITY];
  line[0] = kind;
  memcpy(line + 1, path, (size_t)length);
  line[1 + length] = '\r';
  line[2 + length] = '\n';
  DWORD toWrite = (DWORD)length + 3;
  DWORD written = 0;
  WriteFile(runState.logFile, line, toWrite, &written, NULL);
  if (written < toWrite) runState.resultCode = ERROR_WRITE_FAULT;
}

void LogFolder(const char* path) { WriteLogLine('d', path); }

void LogFile(const char* path) { WriteLogLine('f', path); }

int NextLogLine(const char* text, unsigned size, unsigned* position, const char** line,
                unsigned* length) {
  unsigned at = *position;
  while (at < size && (text[at] == '\r' || text[at] == '\n')) at++;
  if (at >= size || text[at] == '\0') {
    *position = size;
    return 0;
  }
  unsigned start = at;
  while (at < size && text[at] != '\r' && text[at] != '\n' && text[at] != '\0') at++;
  *line = text + start;
  *length = at - start;
  // A zero byte ends the whole log: leave the position on it so the next call stops.
  *position = at;
  return 1;
}
