// Reads the install log "Uninstall.cfg" by its reading rules, for the demo's uninstaller.
#ifndef VELMORA_DEMO_LOG_READER_H
#define VELMORA_DEMO_LOG_READER_H

// Walks `text` (size bytes): a line ends at CR or LF, a zero byte ends the line and the whole
// log, empty lines are skipped. Returns 1 with the next line's start and length (never 0),
// 0 at the end. *position starts at 0 and is advanced past the line.
int NextLogLine(const char* text, unsigned size, unsigned* position, const char** line,
                unsigned* length);

#endif
