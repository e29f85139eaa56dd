// The install sequence behind the Install command.
#ifndef VELMORA_SETUP_INSTALL_H
#define VELMORA_SETUP_INSTALL_H

#include "platform/win32.h"

// Remembers the folder, prepares it, writes the files and finishes. 1 when the product was
// installed and the shortcuts placed, else 0. Always closes the install log.
int RunInstall(void);
// Prepares the install folder, offering the documents folder when access is denied.
// 1 when the folder is ready and the log open; 0 after the user was told (or not, silently).
int PrepareWithFallback(void);
// Registers the product, starts it, places the shortcuts and tells the user. Destroys
// progressWindow. 1 when every shortcut was placed.
int FinishInstall(int desktop, HWND progressWindow);

#endif
