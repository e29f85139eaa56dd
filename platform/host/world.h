// The simulated Windows machine behind the host layer: what tests and the host command
// set up before the program runs and inspect after it. Paths are Windows paths
// ("C:\Program Files\Velmora", "\\server\share\p"); X:\a\b lives at <root>/x/a/b.
#ifndef VELMORA_PLATFORM_HOST_WORLD_H
#define VELMORA_PLATFORM_HOST_WORLD_H

#include <stdio.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace world {

// ---- lifecycle -------------------------------------------------------------------------
// A fresh machine in `root` (emptied first): drives C: and D:, the usual special folders
// under C:\, an empty registry, an administrator on the Windows NT family, no processes,
// an empty script and transcript, and the resources of the .res file named by
// VELMORA_RES_FILE (environment) or loaded later with LoadResourceFile.
void Create(const std::string& root);
// Reopens a world folder a previous run left (registry and file metadata are kept there).
void Open(const std::string& root);
// Writes registry and file metadata into the world folder; Open reads them back.
void Save();
std::string Root();
// The Linux path that backs a Windows path, or "" when it is on no drive or share.
std::string HostPath(const std::string& windowsPath);

// ---- the machine -------------------------------------------------------------------------
void SetAdministrator(bool administrator);  // false: writes under HKLM and HKU fail with 5
void SetWindows95Family(bool windows95);    // GetVersion's top bit
void SetVersion(DWORD version);             // GetVersion's value, e.g. 0x0A280105 for NT 5.1
void AddDrive(char letter);
void AddShare(const std::string& server, const std::string& share);
// Creating, writing or deleting anything inside `folder` fails with ERROR_ACCESS_DENIED,
// as for a non-administrator under Program Files.
void DenyFolder(const std::string& folder);
// "" makes the folder missing (SHGetSpecialFolderLocation fails).
void SetSpecialFolder(int csidl, const std::string& path);
std::string SpecialFolder(int csidl);
void SetCurrentDirectory(const std::string& path);
void SetPsapiAvailable(bool available);

// ---- files (for setting up and checking; not subject to faults or denials) -------------------
void PutFile(const std::string& path, const std::string& bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL);
void MakeFolder(const std::string& path);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
std::string FileBytes(const std::string& path);
DWORD Attributes(const std::string& path);  // INVALID_FILE_ATTRIBUTES when missing
struct FileTimes {
  FILETIME creation, lastAccess, lastWrite;
};
FileTimes Times(const std::string& path);
// Every file and folder below `folder`, as Windows paths, sorted.
std::vector<std::string> ListTree(const std::string& folder);

// ---- registry ------------------------------------------------------------------------------
struct RegistryValue {
  bool present = false;
  DWORD type = REG_NONE;
  std::string data;  // raw bytes as stored, terminating zero included for REG_SZ
};
RegistryValue ReadValue(HKEY root, const std::string& subKey, const std::string& name);
void WriteValue(HKEY root, const std::string& subKey, const std::string& name, DWORD type,
                const std::string& data);
bool KeyExists(HKEY root, const std::string& subKey);

// ---- resources -----------------------------------------------------------------------------
bool LoadResourceFile(const std::string& resPath);  // a windres-compiled .res
void SetDataResource(int id, const std::string& bytes);  // RT_RCDATA id, replaced or added
void RemoveDataResource(int id);

// ---- faults --------------------------------------------------------------------------------
// Makes a call fail with `error`. `function` names the Win32 function ("" = any fallible
// call); `pathContains` restricts it to calls whose path contains the text (case-insensitive);
// `nth` counts matching calls from 1 (0 = every one); `times` is how often it fires (-1 = always).
struct Fault {
  std::string function;
  std::string pathContains;
  int nth = 0;
  int times = 1;
  DWORD error = ERROR_ACCESS_DENIED;
};
void AddFault(const Fault& fault);
// A WriteFile to a file whose path contains `pathContains` writes at most `bytes` bytes
// (disk full) and reports success with the shorter count.
void AddShortWrite(const std::string& pathContains, DWORD bytes, int times = 1);
void ClearFaults();
// How many fallible calls the program has made so far (for sweeping the "Nth call" faults).
int FallibleCallCount();

// ---- time ----------------------------------------------------------------------------------
DWORD Now();  // virtual milliseconds since the world was created
void Advance(DWORD milliseconds);

// ---- the user ------------------------------------------------------------------------------
// Actions are played in order whenever the program waits for input. A program that waits
// with nothing left to play makes the world call the stall handler.
void Type(int controlId, const std::string& text);   // replaces the edit's text, as typed
void Click(int controlId);                           // in the active window
void PressKey(int virtualKey);                       // e.g. VK_ESCAPE, VK_RETURN
void CloseWindow();                                  // the active window's close box
void Answer(const std::string& textContains, int button);  // a message box, by its text
void PickFolder(const std::string& path);            // the folder picker
void PickVirtualFolder();                            // an item without a file-system path
void CancelPicker();
void Wait(DWORD milliseconds);                        // the user does nothing for a while
size_t PendingActions();
// Called with a message saying what the program waited on. Default: prints the message and
// the transcript to stderr and ends the process with status 86.
void SetStallHandler(std::function<void(const std::string&)> handler);

// ---- other programs --------------------------------------------------------------------------
struct ProcessWindow {
  std::string title;
  bool visible = true;
  int closesOnCloseAfterMs = 0;   // -1: ignores WM_CLOSE
  int closesOnCancelAfterMs = -1; // -1: ignores WM_COMMAND IDCANCEL
};
struct ProcessSpec {
  std::string image;                      // full Windows path of the executable
  std::vector<ProcessWindow> windows;     // top-level windows; the process ends with its last
  std::vector<std::string> heldFiles;     // open without sharing while the process runs
  bool terminable = true;                 // whether TerminateProcess may end it
};
DWORD StartProcess(const ProcessSpec& programSpec);
bool ProcessRunning(DWORD processId);
std::vector<DWORD> RunningProcesses();
// Command lines the program started with WinExec, in order.
std::vector<std::string> StartedCommands();
// Every name LoadLibraryA was asked for, exactly as passed, in order (loaded or not).
std::vector<std::string> LoadedLibraries();
// The flags of the last SetDefaultDllDirectories call, 0 when the program never made one.
DWORD DllSearchFlags();
// Shell link objects made by CoCreateInstance and not yet released (0 when all are).
int ShellLinkObjectsAlive();
// What a saved .lnk file holds, read back from its bytes; `valid` false when the file is
// missing or not a shell link this layer can read.
struct ShellLinkInfo {
  bool valid = false;
  std::string target;          // LinkInfo's local base path (or network share and suffix)
  std::string workingFolder;
  std::string description;
  std::string arguments;
  std::string iconPath;
  int iconIndex = 0;
  int showCommand = 0;
};
ShellLinkInfo ReadShellLink(const std::string& path);

// ---- transcript ------------------------------------------------------------------------------
// Every user-visible event in order, one line each, in the program's ANSI bytes, e.g.
//   window 115 shown "Velmora® Setup"      message box "Velmora® Setup" 0x40: "..." -> IDOK
const std::vector<std::string>& Transcript();
void ClearTranscript();
// When set, every new transcript line is also printed there (the host command uses stdout).
void EchoTranscript(FILE* out);
void Record(const std::string& line);

// The texts as Linux shows them: code page 1252 to UTF-8 (for printing transcripts).
std::string AnsiToUtf8(const std::string& ansi);

// ---- windows (for checking what the program showed) ------------------------------------------
// The live dialog made from template `dialogId` (the topmost when there are several), or NULL.
HWND FindDialog(int dialogId);
// The resource number of the icon the program gave a window with WM_SETICON, 0 when none.
int WindowIconId(HWND window, bool big);
// The system cursor the program set last with SetCursor (32514 for IDC_WAIT), 0 when none.
int CursorId();

}  // namespace world

#endif
