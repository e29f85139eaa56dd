// Shell special folders as plain paths.
#include "common/common.h"

int GetSpecialFolder(int csidl, char* out) {
  out[0] = '\0';
  LPMALLOC allocator = NULL;
  if (FAILED(SHGetMalloc(&allocator)) || allocator == NULL) return 0;
  LPITEMIDLIST idList = NULL;
  int found = 0;
  if (SUCCEEDED(SHGetSpecialFolderLocation(GetActiveWindow(), csidl, &idList)) && idList != NULL) {
    found = SHGetPathFromIDListA(idList, out) ? 1 : 0;
    allocator->Free(idList);
  }
  allocator->Release();
  if (!found) out[0] = '\0';
  return found;
}
