// Shortcuts and the folder picker.
#ifndef VELMORA_SYSTEM_SHORTCUTS_H
#define VELMORA_SYSTEM_SHORTCUTS_H

enum ShortcutPlace { SHORTCUT_PROGRAMS, SHORTCUT_DESKTOP };

// Places linkName in the Programs folder or on the desktop, all-users first when
// runState.allUsers is set (falling back to the user's folder for the rest of the run).
// Logs each path tried before creating it. 1 when placed.
int PlaceShortcut(enum ShortcutPlace where, const char* linkName, const char* target);
// Writes a shell link at linkPath pointing to target. 1 on success.
int CreateShellLink(const char* linkPath, const char* target);
// Lets the user pick a folder; 1 and folder (PATH_CAPACITY bytes) replaced when a
// file-system folder was chosen, else 0 with folder unchanged.
int BrowseForFolder(const char* title, char* folder);

#endif
