// Small Win32 helpers shared by the world's host tests.
#ifndef VELMORA_TESTS_PLATFORM_HELPERS_H
#define VELMORA_TESTS_PLATFORM_HELPERS_H

#include <string>

#include "platform/win32.h"

// Creates or replaces the file through CreateFileA and WriteFile; false when a call fails.
inline bool WriteToNewFile(const std::string& path, const std::string& bytes = "x") {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

// Opens for reading with full sharing; the last error when it fails, else 0.
inline DWORD OpenForReadError(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  CloseHandle(file);
  return 0;
}

#endif
