// Command-line options and the initial install folder.
#ifndef VELMORA_SETUP_OPTIONS_H
#define VELMORA_SETUP_OPTIONS_H

// Fills runState's option fields from a null-terminated argument vector (element 0
// included). Never fails; unknown arguments are skipped. Fields point into `arguments`.
void ParseOptions(char** arguments);
// Writes the initial install folder (PATH_CAPACITY bytes): /Path, the stored "InstallPath",
// /PathDefault, or Program Files with "Velmora" appended, first match wins.
void ResolveDefaultFolder(char* installFolder);

#endif
