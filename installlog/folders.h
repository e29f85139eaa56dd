// Creating folders and clearing out a previous installation.
#ifndef VELMORA_INSTALLLOG_FOLDERS_H
#define VELMORA_INSTALLLOG_FOLDERS_H

#include "common/common.h"

// Creates every missing folder along path, logging each one created.
// 0, ERROR_ACCESS_DENIED or ERROR_INVALID_NAME.
ResultCode CreateFolderTree(const char* path);
// Creates runState.installFolder, removes the files an old log there lists, keeps its folder
// lines and opens the new log into runState.logFile. 0, 5, 123 or a deletion's system code.
ResultCode PrepareInstallFolder(void);

// Resolves "." and ".." parts of path lexically into resolved (PATH_CAPACITY bytes) and
// returns 1 when the result lies strictly inside folder (also resolved); 0 for anything
// else, including paths that are not absolute drive or network paths. Used to keep an
// untrusted old log from naming files outside the install folder.
int PathInsideFolder(const char* path, const char* folder, char* resolved);

#endif
