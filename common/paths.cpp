// Path helpers over PATH_CAPACITY-byte ANSI buffers.
#include <string.h>

#include "common/common.h"

int JoinPath(char* out, const char* folder, const char* name) {
  size_t folderLength = strlen(folder);
  if (folderLength > 0 && name[0] == '\\') name++;
  size_t nameLength = strlen(name);
  int needsSeparator = folderLength > 0 && folder[folderLength - 1] != '\\';
  size_t total = folderLength + (needsSeparator ? 1 : 0) + nameLength;
  if (total > PATH_MAX_LENGTH) {
    out[0] = '\0';
    return 0;
  }
  memcpy(out, folder, folderLength);
  size_t at = folderLength;
  if (needsSeparator) out[at++] = '\\';
  memcpy(out + at, name, nameLength);
  out[total] = '\0';
  return 1;
}

int AppendPath(char* folder, const char* name) {
  char joined[PATH_CAPACITY];
  if (!JoinPath(joined, folder, name)) return 0;
  memcpy(folder, joined, strlen(joined) + 1);
  return 1;
}

void ParentFolder(const char* path, char* out) {
  size_t length = strlen(path);
  if (length > PATH_MAX_LENGTH) length = PATH_MAX_LENGTH;
  memcpy(out, path, length);
  out[length] = '\0';
  char* lastSeparator = strrchr(out, '\\');
  if (lastSeparator == NULL) return;
  // A cut in the first four characters would lose a root such as "C:\" or "\\".
  if (lastSeparator - out < 4)
    lastSeparator[1] = '\0';
  else
    lastSeparator[0] = '\0';
}

int IsFolder(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
