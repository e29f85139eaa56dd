// The system code's one door to Win32. On Windows it is the real API; elsewhere it is
// the project's own host layer, which models one simulated Windows machine (the world).
#ifndef VELMORA_PLATFORM_WIN32_H
#define VELMORA_PLATFORM_WIN32_H

#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>
#include <objbase.h>
#include <stdlib.h>
#else
#include "platform/host/win32_api.h"
#endif

#endif
