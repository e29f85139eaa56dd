// Command-line options and the initial install folder.
#include "setup/options.h"

#include <string.h>

#include "common/common.h"
#include "system/registry.h"

#define PRODUCT_FOLDER_NAME "Velmora"
#define FALLBACK_PROGRAM_FILES "C:\\Program Files"

enum OptionKind { OPTION_PATH, OPTION_PATH_DEFAULT, OPTION_PATH_SAVE_AS, OPTION_UNATTENDED,
                  OPTION_SILENT, OPTION_CURRENT_USER, OPTION_NO_DESKTOP, OPTION_HIDDEN };

struct OptionName {
  const char* name;
  OptionKind kind;
  int takesValue;
};

// Matched case-insensitively in this order.
static const OptionName optionNames[] = {
    {"Path", OPTION_PATH, 1},         {"PathDefault", OPTION_PATH_DEFAULT, 1},
    {"PathSaveAs", OPTION_PATH_SAVE_AS, 1}, {"U", OPTION_UNATTENDED, 0},
    {"USilent", OPTION_SILENT, 0},    {"CU", OPTION_CURRENT_USER, 0},
    {"ND", OPTION_NO_DESKTOP, 0},     {"Hidden", OPTION_HIDDEN, 0},
};

static const OptionName* FindOption(const char* name) {
  for (size_t i = 0; i < sizeof optionNames / sizeof optionNames[0]; i++)
    if (lstrcmpiA(name, optionNames[i].name) == 0) return &optionNames[i];
  return NULL;
}

// Applies one option; value is NULL when a value-taking option ended the line.
static void ApplyOption(OptionKind kind, char* value) {
  switch (kind) {
    case OPTION_PATH:
      runState.folderOption = value;
      if (value != NULL) runState.pathForced = 1;
      break;
    case OPTION_PATH_DEFAULT: runState.folderOption = value; break;
    case OPTION_PATH_SAVE_AS: runState.saveAsPath = value; break;
    case OPTION_UNATTENDED: runState.unattended = 1; break;
    case OPTION_SILENT:
      runState.unattended = 1;
      runState.silent = 1;
      break;
    case OPTION_CURRENT_USER: runState.allUsers = 0; break;
    case OPTION_NO_DESKTOP: runState.noDesktop = 1; break;
    case OPTION_HIDDEN:
      runState.hidden = 1;
      runState.unattended = 1;
      runState.silent = 1;
      break;
  }
}

void ParseOptions(char** arguments) {
  if (arguments == NULL) return;
  for (int i = 0; arguments[i] != NULL; i++) {
    const char* argument = arguments[i];
    if (argument[0] != '-' && argument[0] != '/') continue;
    const OptionName* option = FindOption(argument + 1);
    if (option == NULL) continue;
    if (!option->takesValue) {
      ApplyOption(option->kind, NULL);
      continue;
    }
    char* value = arguments[i + 1];
    ApplyOption(option->kind, value);
    if (value == NULL) return;
    i++;
  }
}

// Copies at most PATH_MAX_LENGTH characters of folder.
static void CopyFolder(char* out, const char* folder) {
  size_t length = strlen(folder);
  if (length > PATH_MAX_LENGTH) length = PATH_MAX_LENGTH;
  memcpy(out, folder, length);
  out[length] = '\0';
}

// out = programFiles\Velmora; 0 when programFiles is empty or the result would be too long.
static int ProductFolderIn(char* out, const char* programFiles) {
  if (programFiles[0] == '\0') return 0;
  return JoinPath(out, programFiles, PRODUCT_FOLDER_NAME);
}

void ResolveDefaultFolder(char* installFolder) {
  if (runState.pathForced && runState.folderOption != NULL) {
    CopyFolder(installFolder, runState.folderOption);
    return;
  }
  char stored[PATH_CAPACITY];
  ReadInstallFolder(stored);
  if (stored[0] != '\0') {
    CopyFolder(installFolder, stored);
    return;
  }
  if (runState.folderOption != NULL) {
    CopyFolder(installFolder, runState.folderOption);
    return;
  }
  // Program Files from the shell, else from the registry, else the usual place; a source
  // too long to take the product's name counts as missing.
  char programFiles[PATH_CAPACITY];
  GetSpecialFolder(CSIDL_PROGRAM_FILES, programFiles);
  if (ProductFolderIn(installFolder, programFiles)) return;
  ReadMachineString(WINDOWS_VERSION_KEY, "ProgramFilesDir", programFiles, sizeof programFiles);
  if (ProductFolderIn(installFolder, programFiles)) return;
  JoinPath(installFolder, FALLBACK_PROGRAM_FILES, PRODUCT_FOLDER_NAME);
}
