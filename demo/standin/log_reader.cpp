#include "log_reader.h"

int NextLogLine(const char* text, unsigned size, unsigned* position, const char** line,
                unsigned* length) {
  unsigned at = *position;
  while (at < size) {
    if (text[at] == 0) break;
    if (text[at] == '\r' || text[at] == '\n') {
      ++at;
      continue;
    }
    unsigned start = at;
    while (at < size && text[at] != 0 && text[at] != '\r' && text[at] != '\n') ++at;
    *line = text + start;
    *length = at - start;
    // A zero byte ends the log: leave the position on it so the next call stops there.
    *position = at;
    return 1;
  }
  *position = at;
  return 0;
}
