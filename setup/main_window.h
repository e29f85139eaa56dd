// The main setup window (dialog 115).
#ifndef VELMORA_SETUP_MAIN_WINDOW_H
#define VELMORA_SETUP_MAIN_WINDOW_H

#include "platform/win32.h"

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Enables Install exactly when the folder is not empty and the agreement is accepted.
void UpdateInstallButton(void);

#endif
