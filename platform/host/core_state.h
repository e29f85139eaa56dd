// What the host layer's core pieces (world lifecycle, files, registry, resources, shell
// folders, faults) share with each other. Not for the program, tests or other pieces.
#ifndef VELMORA_PLATFORM_HOST_CORE_STATE_H
#define VELMORA_PLATFORM_HOST_CORE_STATE_H

#include <map>
#include <string>
#include <vector>

#include "platform/host/world.h"

namespace world {
namespace core {

// ---- code page 1252 (strings.cpp) ------------------------------------------------------
// The UTF-16 code unit of a code page 1252 byte (0x80-0x9F as 1252 maps them; the five
// unassigned bytes map to the C1 control of the same value, as Windows does).
WCHAR Cp1252ToWide(unsigned char byte);
// The 1252 byte of a UTF-16 code unit; false when 1252 has none.
bool WideToCp1252(WCHAR wide, unsigned char* byte);
// Upper case in code page 1252 (a-z, the accented letters, š œ ž ÿ).
unsigned char UpperCp1252(unsigned char byte);
std::string UpperCp1252(const std::string& text);
std::string Cp1252ToUtf8(const std::string& ansi);
// Bytes that are not valid UTF-8 are taken as code page 1252 bytes.
std::string Utf8ToCp1252(const std::string& utf8);

// ---- the machine (world.cpp) -----------------------------------------------------------
struct Machine {
  std::string root;            // the Linux folder of the world; "" before Create/Open
  bool administrator = true;
  DWORD version = 0x0A280105;  // Windows NT 5.1.2600
  std::string currentDirectory = "C:\\Users\\user\\Downloads";
  std::vector<std::string> deniedFolders;  // canonical keys
  std::map<int, std::string> specialFolders;
};
Machine& TheMachine();

// ---- paths (paths.cpp) -----------------------------------------------------------------
// A Windows path split into its place and its components.
struct ParsedPath {
  bool valid = false;
  DWORD error = ERROR_INVALID_NAME;  // why it is not valid
  bool unc = false;
  char drive = 0;                    // upper-case letter for drive paths
  std::string server, share;         // for UNC paths, as written
  std::vector<std::string> parts;    // components below the root, case kept
  bool trailingSeparator = false;    // written with a final backslash: names a folder
};
// Resolves "." and "..", relative paths and trailing dots and spaces like Windows.
ParsedPath ParsePath(const std::string& windowsPath);
// "C:\a\b" or "\\server\share\a", case kept; "" when not valid.
std::string DisplayPath(const ParsedPath& path);
// The Linux folder of the drive or share root; "" when the world has no such drive or share.
std::string HostRoot(const ParsedPath& path);
// The same, with the error a call reports when the root is missing (3 for a drive, 53 for
// a server, 67 for a share) or the path is not valid.
bool ResolveRoot(const ParsedPath& path, std::string* hostRoot, DWORD* error);
// The Linux path of the Windows path: each existing component found case-insensitively,
// missing ones appended as written (UTF-8 on disk). "" when on no drive or share.
std::string HostPathOf(const ParsedPath& path);
// The Linux entry below `folder` named `ansiName` without regard to case, or the name as a
// new entry (UTF-8).
std::string HostChild(const std::string& folder, const std::string& ansiName);
// The Linux paths of a Windows path and of its folder, with what each is (0 missing, 1 file,
// 2 folder), found in one walk. For a drive or share root the folder is "".
struct HostPlace {
  std::string host, parentHost;
  int kind = 0, parentKind = 0;
};
bool ResolveHost(const ParsedPath& path, HostPlace* place, DWORD* error);
// The canonical key of a parsed path (upper case in 1252).
std::string KeyOf(const ParsedPath& path);
// True when the canonical key lies strictly inside a folder the world denies.
bool InsideDeniedFolder(const std::string& key);

// ---- case-insensitive folder look-up (folder_index.cpp) ---------------------------------
// The entry of `hostFolder` whose name equals `ansiName` without regard to case (its name on
// disk), or "".
std::string FindEntry(const std::string& hostFolder, const std::string& ansiName);
// Takes in the change notices that arrived since; once per call, before its look-ups.
void RefreshFolderIndexes();
// What `hostFolder` holds under `ansiName` without regard to case: 0 nothing, 1 a file, 2 a
// folder, with the name on disk; -1 when the folder has no index (look on disk instead).
int LookUpEntry(const std::string& hostFolder, const std::string& ansiName, std::string* nameOnDisk);
// Forgets every folder's index (the world's folder was emptied).
void ForgetFolderIndexes();

// ---- file metadata (files.cpp) ---------------------------------------------------------
struct FileMeta {
  DWORD attributes = 0;  // without FILE_ATTRIBUTE_DIRECTORY
  bool hasCreation = false;
  FILETIME creation = {0, 0};
};
std::map<std::string, FileMeta>& MetaTable();  // by canonical key
// Drops the metadata of a key and of everything below it (a removed file or folder).
void ForgetMeta(const std::string& key);
std::string SerializeMeta();
// Closes every file handle the program left open (a new world starts with none).
void CloseAllFiles();
void DeserializeMeta(const std::string& text);

// ---- registry (registry.cpp) -----------------------------------------------------------
void ResetRegistry();
std::string SerializeRegistry();
void DeserializeRegistry(const std::string& text);

// ---- resources (resources.cpp) -------------------------------------------------------------
void ResetResources();

// ---- shell folders (shell_folders.cpp) -----------------------------------------------------
// The defaults of a fresh machine: CSIDL and path.
const std::vector<std::pair<int, std::string>>& DefaultSpecialFolders();

// ---- faults (faults.cpp) -----------------------------------------------------------------
void ResetFaults();
// Bytes a WriteFile to `path` may write now (a planned short write), or `wanted`.
DWORD ShortWriteLimit(const std::string& path, DWORD wanted);

// ---- persistence helpers (world.cpp) ------------------------------------------------------
std::string HexEncode(const std::string& bytes);
std::string HexDecode(const std::string& hex);

}  // namespace core
}  // namespace world

#endif
