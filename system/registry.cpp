// Registry store: every failure is skipped silently and reads then count as empty.
#include "system/registry.h"

#include <stdlib.h>
#include <string.h>

#include "common/common.h"

#define PRODUCT_DISPLAY_NAME "Velmora 2.5.4.1"
#define PUBLISHER_NAME "Velmora Inc."
#define PUBLISHER_ADDRESS "https://www.velmora.example/"
#define DOCUMENT_TYPE_NAME "Velmora.Document"

enum { CHOICE_CAPACITY = 32 };

HKEY OpenKeyForRead(HKEY root, const char* subKey) {
  HKEY key = NULL;
  if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return NULL;
  return key;
}

HKEY OpenKeyForWrite(HKEY root, const char* subKey) {
  HKEY key = NULL;
  DWORD disposition = 0;
  if (RegCreateKeyExA(root, subKey, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_WRITE, NULL, &key,
                      &disposition) != ERROR_SUCCESS)
    return NULL;
  return key;
}

void ReadString(HKEY key, const char* valueName, char* buffer, DWORD size) {
  if (buffer == NULL || size == 0) return;
  buffer[0] = '\0';
  if (key == NULL) return;
  DWORD type = REG_NONE;
  DWORD length = size;
  if (RegQueryValueExA(key, valueName, NULL, &type, (LPBYTE)buffer, &length) != ERROR_SUCCESS ||
      length > size) {
    buffer[0] = '\0';
    return;
  }
  // The stored bytes need not end with a zero. A value that fills the buffer without one is
  // too long to hold, like a longer value (ERROR_MORE_DATA); a shorter one gets its zero here.
  if (length == 0) return;
  if (buffer[length - 1] == '\0') return;
  if (length < size)
    buffer[length] = '\0';
  else
    buffer[0] = '\0';
}

void WriteString(HKEY key, const char* valueName, const char* text) {
  if (key == NULL || text == NULL) return;
  RegSetValueExA(key, valueName, 0, REG_SZ, (const BYTE*)text, (DWORD)strlen(text) + 1);
}

void ReadMachineString(const char* subKey, const char* valueName, char* buffer, DWORD size) {
  if (buffer != NULL && size > 0) buffer[0] = '\0';
  HKEY key = OpenKeyForRead(HKEY_LOCAL_MACHINE, subKey);
  if (key == NULL) return;
  ReadString(key, valueName, buffer, size);
  RegCloseKey(key);
}

void WriteMachineString(const char* subKey, const char* valueName, const char* text) {
  HKEY key = OpenKeyForWrite(HKEY_LOCAL_MACHINE, subKey);
  if (key == NULL) return;
  WriteString(key, valueName, text);
  RegCloseKey(key);
}

void ReadVendorString(const char* valueName, char* buffer, DWORD size) {
  ReadMachineString(VENDOR_KEY, valueName, buffer, size);
}

void WriteVendorString(const char* valueName, const char* text) {
  WriteMachineString(VENDOR_KEY, valueName, text);
}

void ReadInstallFolder(char* buffer) { ReadVendorString("InstallPath", buffer, PATH_CAPACITY); }

void SaveInstallFolder(const char* folder) { WriteVendorString("InstallPath", folder); }

int ReadChoice(const char* valueName, int fallback, const char* alphabet) {
  char value[CHOICE_CAPACITY];
  ReadVendorString(valueName, value, sizeof value);
  if (value[0] == '\0') return fallback;
  if (alphabet == NULL) return atoi(value);
  if (value[1] != '\0') return fallback;
  const char* found = strchr(alphabet, value[0]);
  if (found == NULL) return fallback;
  return (int)(found - alphabet);
}

void WriteChoice(const char* valueName, int index, const char* alphabet) {
  char value[CHOICE_CAPACITY];
  if (alphabet == NULL) {
    FormatText(value, sizeof value, "%d", index);
  } else {
    value[0] = '\0';
    if (index >= 0 && (size_t)index < strlen(alphabet)) {
      value[0] = alphabet[index];
      value[1] = '\0';
    }
  }
  WriteVendorString(valueName, value);
}

void SetSettingsFlags(const char* valueName, DWORD bits) {
  HKEY key = NULL;
  DWORD disposition = 0;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, NULL, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_WRITE, NULL, &key, &disposition) != ERROR_SUCCESS)
    return;
  BYTE stored[4] = {0, 0, 0, 0};
  DWORD type = REG_NONE;
  DWORD length = sizeof stored;
  DWORD flags = 0;
  if (RegQueryValueExA(key, valueName, NULL, &type, stored, &length) == ERROR_SUCCESS &&
      length == sizeof stored)
    flags = (DWORD)stored[0] | (DWORD)stored[1] << 8 | (DWORD)stored[2] << 16 |
            (DWORD)stored[3] << 24;
  flags |= bits;
  BYTE word[4] = {(BYTE)flags, (BYTE)(flags >> 8), (BYTE)(flags >> 16), (BYTE)(flags >> 24)};
  RegSetValueExA(key, valueName, 0, REG_DWORD, word, sizeof word);
  RegCloseKey(key);
}

void RegisterUninstall(const char* uninstallerPath, const char* productPath) {
  WriteMachineString(UNINSTALL_KEY, "UninstallString", uninstallerPath);
  WriteMachineString(UNINSTALL_KEY, "DisplayName", PRODUCT_DISPLAY_NAME);
  WriteMachineString(UNINSTALL_KEY, "DisplayIcon", productPath);
  WriteMachineString(UNINSTALL_KEY, "Publisher", PUBLISHER_NAME);
  WriteMachineString(UNINSTALL_KEY, "URLInfoAbout", PUBLISHER_ADDRESS);
}

void RegisterAssociation(void) { WriteMachineString(ASSOCIATION_KEY, NULL, DOCUMENT_TYPE_NAME); }

void SaveSaveAsPath(const char* path) {
  if (path == NULL) return;
  HKEY key = OpenKeyForWrite(HKEY_CURRENT_USER, SAVE_AS_KEY);
  if (key != NULL) {
    WriteString(key, "PathSaveAs", path);
    RegCloseKey(key);
  }
  key = OpenKeyForWrite(HKEY_USERS, DEFAULT_USER_SAVE_AS_KEY);
  if (key != NULL) {
    WriteString(key, "PathSaveAs", path);
    RegCloseKey(key);
  }
}
