// Lexical containment of a path in a folder, for paths read from an untrusted install log.
#include <string.h>

#include "common/common.h"
#include "installlog/folders.h"

static int IsSeparator(char c) { return c == '\\' || c == '/'; }

// A component Windows would rewrite (trailing dots or spaces are stripped when a path is
// opened) or that is not a plain name; such a path is refused rather than guessed at.
static int IsAmbiguousComponent(const char* start, size_t length) {
  char last = start[length - 1];
  if (last == '.' || last == ' ') return 1;
  for (size_t i = 0; i < length; i++)
    if (start[i] == ':') return 1;
  return 0;
}

// Writes the canonical form of an absolute path into out: backslashes, no empty or "."
// parts, ".." applied, no trailing backslash except after a drive. 0 when the path is not
// a drive path ("X:\...") or a network path ("\\server\share..."), when ".." would climb
// above its root, or when it does not fit.
static int ResolveAbsolute(const char* path, char* out) {
  size_t at = 0;      // read position in path
  size_t length = 0;  // characters in out
  size_t rootLength;  // the part of out ".." never removes
  if (IsSeparator(path[0]) && IsSeparator(path[1])) {
    // Server and share; "\\?\" and "\\.\" device paths are no network paths.
    out[length++] = '\\';
    out[length++] = '\\';
    at = 2;
    for (int part = 0; part < 2; part++) {
      if (part == 1) {
        if (!IsSeparator(path[at])) return 0;
        at++;
      }
      size_t start = at;
      while (path[at] != '\0' && !IsSeparator(path[at])) at++;
      size_t partLength = at - start;
      if (partLength == 0) return 0;
      if (path[start] == '.' || path[start] == '?' || IsAmbiguousComponent(path + start, partLength))
        return 0;
      if (part == 1) out[length++] = '\\';
      if (length + partLength > PATH_MAX_LENGTH) return 0;
      memcpy(out + length, path + start, partLength);
      length += partLength;
    }
    rootLength = length;
  } else if (((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') && path[1] == ':' &&
             IsSeparator(path[2])) {
    out[0] = path[0];
    out[1] = ':';
    out[2] = '\\';
    length = rootLength = 3;
    at = 3;
  } else {
    return 0;
  }

  for (;;) {
    while (IsSeparator(path[at])) at++;
    if (path[at] == '\0') break;
    size_t start = at;
    while (path[at] != '\0' && !IsSeparator(path[at])) at++;
    size_t partLength = at - start;
    if (partLength == 1 && path[start] == '.') continue;
    if (partLength == 2 && path[start] == '.' && path[start + 1] == '.') {
      if (length == rootLength) return 0;
      while (length > rootLength && out[length - 1] != '\\') length--;
      // Drop the separator too, unless it is the drive root's own.
      if (length > rootLength) length--;
      continue;
    }
    if (IsAmbiguousComponent(path + start, partLength)) return 0;
    int needsSeparator = out[length - 1] != '\\';
    if (length + (needsSeparator ? 1 : 0) + partLength > PATH_MAX_LENGTH) return 0;
    if (needsSeparator) out[length++] = '\\';
    memcpy(out + length, path + start, partLength);
    length += partLength;
  }
  out[length] = '\0';
  return 1;
}

int PathInsideFolder(const char* path, const char* folder, char* resolved) {
  char resolvedFolder[PATH_CAPACITY];
  resolved[0] = '\0';
  if (!ResolveAbsolute(folder, resolvedFolder)) return 0;
  char candidate[PATH_CAPACITY];
  if (!ResolveAbsolute(path, candidate)) return 0;
  size_t folderLength = strlen(resolvedFolder);
  size_t candidateLength = strlen(candidate);
  // The folder's own root separator (C:\) already ends the prefix; otherwise one must follow.
  size_t prefixEnd = resolvedFolder[folderLength - 1] == '\\' ? folderLength : folderLength + 1;
  if (candidateLength <= prefixEnd) return 0;
  if (candidate[prefixEnd - 1] != '\\') return 0;
  char prefix[PATH_CAPACITY];
  memcpy(prefix, candidate, folderLength);
  prefix[folderLength] = '\0';
  if (lstrcmpiA(prefix, resolvedFolder) != 0) return 0;
  memcpy(resolved, candidate, candidateLength + 1);
  return 1;
}
