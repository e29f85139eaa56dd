// Shortcuts to the installed program, made through the shell's link object.
#include "system/shortcuts.h"

#include "common/common.h"
#include "installlog/install_log.h"

static const char LINK_DESCRIPTION[] =
    "Powerful graphical editor capable to create the most complex family tree";

// The shell folder that holds the link for `where`, all-users or the current user's.
static int ShortcutFolderId(enum ShortcutPlace where, int allUsers) {
  if (where == SHORTCUT_PROGRAMS) return allUsers ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS;
  return allUsers ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY;
}

int PlaceShortcut(enum ShortcutPlace where, const char* linkName, const char* target) {
  for (;;) {
    char linkPath[PATH_CAPACITY];
    if (!GetSpecialFolder(ShortcutFolderId(where, runState.allUsers), linkPath)) return 0;
    // A link path that does not fit is a failed attempt, like a link that cannot be saved.
    if (AppendPath(linkPath, linkName)) {
      // Logged before the attempt, so the uninstaller also sees a link that half-succeeded.
      LogFile(linkPath);
      if (CreateShellLink(linkPath, target)) return 1;
    }
    if (!runState.allUsers) return 0;
    // No rights in the all-users folders: every later shortcut goes to the user's own.
    runState.allUsers = 0;
  }
}

int CreateShellLink(const char* linkPath, const char* target) {
  IShellLinkA* link = NULL;
  HRESULT status = CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    (void**)&link);
  if (FAILED(status) || link == NULL) return 0;

  char workingFolder[PATH_CAPACITY];
  ParentFolder(target, workingFolder);
  link->SetPath(target);
  link->SetWorkingDirectory(workingFolder);
  link->SetDescription(LINK_DESCRIPTION);

  IPersistFile* file = NULL;
  status = link->QueryInterface(IID_IPersistFile, (void**)&file);
  if (SUCCEEDED(status) && file != NULL) {
    WCHAR widePath[PATH_CAPACITY];
    // A path that does not convert in full is not saved under a cut name.
    if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, PATH_CAPACITY) > 0)
      status = file->Save(widePath, TRUE);
    else
      status = E_FAIL;
    file->Release();
  } else if (SUCCEEDED(status)) {
    status = E_NOINTERFACE;
  }
  link->Release();
  return SUCCEEDED(status) ? 1 : 0;
}
