// The folder picker behind the main window's Browse button.
#include <string.h>

#include "common/common.h"
#include "system/shortcuts.h"

int BrowseForFolder(const char* title, char* folder) {
  IMalloc* allocator = NULL;
  if (FAILED(SHGetMalloc(&allocator)) || allocator == NULL) return 0;
  LPITEMIDLIST desktop = NULL;
  if (FAILED(SHGetSpecialFolderLocation(GetActiveWindow(), CSIDL_DESKTOP, &desktop)) ||
      desktop == NULL) {
    allocator->Release();
    return 0;
  }

  char displayName[MAX_PATH];
  displayName[0] = 0;
  BROWSEINFOA browse;
  memset(&browse, 0, sizeof browse);
  browse.hwndOwner = GetActiveWindow();
  browse.pidlRoot = desktop;
  browse.pszDisplayName = displayName;
  browse.lpszTitle = title;
  browse.ulFlags = BIF_NEWDIALOGSTYLE | BIF_EDITBOX;

  int chosen = 0;
  LPITEMIDLIST item = SHBrowseForFolderA(&browse);
  if (item != NULL) {
    // A virtual folder (Control Panel, Printers) has no path and changes nothing.
    char path[MAX_PATH];
    path[0] = 0;
    if (SHGetPathFromIDListA(item, path) && path[0] != 0) {
      lstrcpynA(folder, path, PATH_CAPACITY);
      chosen = 1;
    }
    allocator->Free(item);
  }
  allocator->Free(desktop);
  allocator->Release();
  return chosen;
}
