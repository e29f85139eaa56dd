// The scripted user of the host command: a text file of actions, one a line.
#ifndef VELMORA_SETUP_HOST_COMMAND_USER_SCRIPT_H
#define VELMORA_SETUP_HOST_COMMAND_USER_SCRIPT_H

#include <string>

// The format, as --help prints it.
extern const char USER_SCRIPT_HELP[];

// Queues every action of `scriptText` with the world, in order. false and `error` ("line 3:
// unknown action 'clik'") on the first line that does not parse; nothing is queued then.
bool QueueUserScript(const std::string& scriptText, std::string* error);

// UTF-8 (as script files are written on Linux) to the program's code page 1252; characters
// the code page lacks become '?'.
std::string Utf8ToAnsi(const std::string& utf8);

#endif
