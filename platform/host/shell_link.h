// The host's shell link object and the .lnk file format it writes (shell_link.cpp,
// shell_link_format.cpp, com.cpp).
#ifndef VELMORA_PLATFORM_HOST_SHELL_LINK_H
#define VELMORA_PLATFORM_HOST_SHELL_LINK_H

#include <string>

#include "platform/win32.h"

namespace world {
namespace internal {

// What one shell link holds, in the program's ANSI code page.
struct ShellLinkData {
  std::string target;
  std::string description;
  std::string relativePath;
  std::string workingFolder;
  std::string arguments;
  std::string iconPath;
  int iconIndex = 0;
  int showCommand = SW_SHOWNORMAL;
  WORD hotkey = 0;
  // The target file as it was when the link was saved (zero when it did not exist).
  DWORD targetAttributes = 0;
  FILETIME targetCreation = {0, 0};
  FILETIME targetLastAccess = {0, 0};
  FILETIME targetLastWrite = {0, 0};
  DWORD targetSize = 0;
};

// The bytes of a .lnk file for `link`: header, LinkInfo for a drive or UNC target, the
// string data as UTF-16, and the terminal block.
std::string EncodeShellLink(const ShellLinkData& link);
// Reads a .lnk file's bytes back; false when they are not a well-formed shell link.
bool DecodeShellLink(const std::string& bytes, ShellLinkData* link);

// Code page 1252 to UTF-16 and back. WideToAnsi fails on a character 1252 cannot hold.
std::u16string AnsiToWide(const std::string& ansi);
bool WideToAnsi(const std::u16string& wide, std::string* ansi);

// A new shell link object answering `iid`, with one reference (CoCreateInstance's work).
HRESULT CreateShellLinkObject(REFIID iid, void** object);

}  // namespace internal
}  // namespace world

#endif
