// Simulated programs for the tests of the running-instance guard and its callers.
#ifndef VELMORA_TESTS_SUPPORT_PROGRAMS_H
#define VELMORA_TESTS_SUPPORT_PROGRAMS_H

#include <string>

#include "platform/host/world.h"

// Starts a program running `image` with one visible top-level window that closes
// closeAfterMs after WM_CLOSE (-1: never) and, when `held` is given, holds that file open
// without sharing. Returns its process id.
inline DWORD StartProgram(const std::string& image, int closeAfterMs, const std::string& held = "",
                          const std::string& title = "") {
  world::ProcessSpec program;
  program.image = image;
  world::ProcessWindow window;
  window.title = title;
  window.closesOnCloseAfterMs = closeAfterMs;
  program.windows.push_back(window);
  if (!held.empty()) program.heldFiles.push_back(held);
  return world::StartProcess(program);
}

#endif
