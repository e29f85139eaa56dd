// Everything the setup program keeps in or announces through the registry.
#ifndef VELMORA_SYSTEM_REGISTRY_H
#define VELMORA_SYSTEM_REGISTRY_H

#include "platform/win32.h"

#define VENDOR_KEY "Software\\Brisbeck\\Velmora"
#define SETTINGS_KEY "Software\\Brisbeck\\Velmora\\Settings"
#define UNINSTALL_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmora"
#define ASSOCIATION_KEY "Software\\Classes\\.vlm"
#define SAVE_AS_KEY "Software\\Kestrine"
#define DEFAULT_USER_SAVE_AS_KEY ".DEFAULT\\Software\\Kestrine"
#define WINDOWS_VERSION_KEY "Software\\Microsoft\\Windows\\CurrentVersion"

// A key opened for reading, or NULL.
HKEY OpenKeyForRead(HKEY root, const char* subKey);
// A key opened (created when missing) for writing, or NULL.
HKEY OpenKeyForWrite(HKEY root, const char* subKey);
// Reads a value into buffer (size bytes); the result is always zero-terminated within the
// buffer, empty when the key or value is absent or cannot be read.
void ReadString(HKEY key, const char* valueName, char* buffer, DWORD size);
// Stores text as REG_SZ, its zero counted; NULL valueName is the default value.
void WriteString(HKEY key, const char* valueName, const char* text);
void ReadMachineString(const char* subKey, const char* valueName, char* buffer, DWORD size);
void WriteMachineString(const char* subKey, const char* valueName, const char* text);
void ReadVendorString(const char* valueName, char* buffer, DWORD size);
void WriteVendorString(const char* valueName, const char* text);

void ReadInstallFolder(char* buffer);  // PATH_CAPACITY bytes
void SaveInstallFolder(const char* folder);
// The stored choice: its position in alphabet (exactly one character long), or the value as a
// decimal number without an alphabet; `fallback` when empty or not in the alphabet.
int ReadChoice(const char* valueName, int fallback, const char* alphabet);
void WriteChoice(const char* valueName, int index, const char* alphabet);
// ORs bits into the REG_DWORD valueName of the current user's settings key.
void SetSettingsFlags(const char* valueName, DWORD bits);
void RegisterUninstall(const char* uninstallerPath, const char* productPath);
void RegisterAssociation(void);
// Stores the /PathSaveAs folder for the current and the default user; nothing when path is NULL.
void SaveSaveAsPath(const char* path);

#endif
