// The install log "Uninstall.cfg": one line per folder created ("d") and file placed ("f").
#ifndef VELMORA_INSTALLLOG_INSTALL_LOG_H
#define VELMORA_INSTALLLOG_INSTALL_LOG_H

#define INSTALL_LOG_NAME "Uninstall.cfg"

// Appends kind, path and CR LF to the open log in one write; nothing without an open log.
// A short write sets runState.resultCode to ERROR_WRITE_FAULT.
void WriteLogLine(char kind, const char* path);
void LogFolder(const char* path);
void LogFile(const char* path);

// Reading side, shared by every reader of the log. Walks `text` (size bytes) by the log's
// reading rules: a line ends at CR or LF, a zero byte ends the log, empty lines are skipped.
// Returns 1 with the next line's start and length, 0 at the end. *position starts at 0.
int NextLogLine(const char* text, unsigned size, unsigned* position, const char** line,
                unsigned* length);

#endif
