// Windows paths of the world: parsing them like Windows, and finding the Linux path that
// backs them (case-insensitive look-up, UTF-8 names on disk).
#include <dirent.h>
#include <sys/stat.h>

#include <string>

#include "platform/host/core_state.h"
#include "platform/host/world_internal.h"

namespace world {
namespace core {

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

static bool IsInvalidNameChar(unsigned char c) {
  return c < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*';
}

static ParsedPath ParsePathText(const std::string& windowsPath);

static std::vector<std::string> SplitComponents(const std::string& text) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : text) {
    if (IsSeparator(c)) {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

// Adds the components of `text` to `path`, resolving "." and ".." and dropping the trailing
// dots and spaces Windows drops. False (with path.error) on a character Windows refuses.
static bool AddComponents(ParsedPath& path, const std::string& text) {
  for (std::string part : SplitComponents(text)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!path.parts.empty()) path.parts.pop_back();
      continue;
    }
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    if (part.empty()) continue;
    if (part.size() > 255) {
      path.error = ERROR_INVALID_NAME;
      return false;
    }
    for (unsigned char c : part) {
      if (IsInvalidNameChar(c)) {
        path.error = ERROR_INVALID_NAME;
        return false;
      }
    }
    path.parts.push_back(part);
  }
  return true;
}

ParsedPath ParsePath(const std::string& windowsPath) {
  ParsedPath path = ParsePathText(windowsPath);
  path.trailingSeparator = path.valid && !path.parts.empty() && IsSeparator(windowsPath.back());
  return path;
}

static ParsedPath ParsePathText(const std::string& windowsPath) {
  ParsedPath path;
  if (windowsPath.empty()) {
    path.error = ERROR_PATH_NOT_FOUND;
    return path;
  }
  const std::string& s = windowsPath;
  if (s.size() >= 4 && IsSeparator(s[0]) && IsSeparator(s[1]) && (s[2] == '?' || s[2] == '.') &&
      IsSeparator(s[3])) {
    path.error = ERROR_INVALID_NAME;  // device and long-path prefixes are not modelled
    return path;
  }
  if (s.size() >= 2 && IsSeparator(s[0]) && IsSeparator(s[1])) {
    std::vector<std::string> parts = SplitComponents(s.substr(2));
    if (parts.size() < 2) {
      path.error = ERROR_BAD_NETPATH;
      return path;
    }
    // A server or share named by dots alone would lead out of the world's share folder.
    for (int i = 0; i < 2; i++) {
      if (parts[i].find_first_not_of(". ") == std::string::npos) return path;
      for (unsigned char c : parts[i])
        if (IsInvalidNameChar(c)) return path;
    }
    path.unc = true;
    path.server = parts[0];
    path.share = parts[1];
    // The components after the server and the share.
    size_t position = 2;
    int seen = 0;
    while (position < s.size() && seen < 2) {
      while (position < s.size() && IsSeparator(s[position])) position++;
      while (position < s.size() && !IsSeparator(s[position])) position++;
      seen++;
    }
    path.valid = AddComponents(path, s.substr(position));
    return path;
  }
  bool hasDrive = s.size() >= 2 && s[1] == ':' && isalpha((unsigned char)s[0]);
  std::string rest = hasDrive ? s.substr(2) : s;
  bool absolute = !rest.empty() && IsSeparator(rest[0]);
  ParsedPath current;
  bool needCurrent = !hasDrive || !absolute;
  if (needCurrent) {
    const std::string& cwd = TheMachine().currentDirectory;
    if (cwd.size() >= 2 && cwd[1] == ':' && !(cwd.size() >= 2 && IsSeparator(cwd[0]))) {
      current.drive = (char)toupper((unsigned char)cwd[0]);
      AddComponents(current, cwd.substr(2));
    } else if (cwd.size() >= 2 && IsSeparator(cwd[0]) && IsSeparator(cwd[1])) {
      current = ParsePathText(cwd);
    } else {
      current.drive = 'C';
    }
  }
  if (hasDrive) {
    path.drive = (char)toupper((unsigned char)s[0]);
    if (!absolute && !current.unc && current.drive == path.drive) path.parts = current.parts;
  } else {
    path.drive = current.drive;
    path.unc = current.unc;
    path.server = current.server;
    path.share = current.share;
    if (!absolute) path.parts = current.parts;
  }
  path.valid = AddComponents(path, rest);
  return path;
}

std::string DisplayPath(const ParsedPath& path) {
  if (!path.valid) return "";
  std::string out;
  if (path.unc) {
    out = "\\\\" + path.server + "\\" + path.share;
    for (const std::string& part : path.parts) out += "\\" + part;
    return out;
  }
  out = std::string(1, path.drive) + ":";
  if (path.parts.empty()) return out + "\\";
  for (const std::string& part : path.parts) out += "\\" + part;
  return out;
}

std::string KeyOf(const ParsedPath& path) { return UpperCp1252(DisplayPath(path)); }

static bool IsHostFolder(const std::string& hostPath) {
  struct stat info;
  return stat(hostPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Follows one component below `folder`: the existing entry of that name, or the name itself.
// While *exists holds, *kind tells what the entry is (0 missing, 1 file, 2 folder).
static std::string Descend(const std::string& folder, const std::string& ansiName, bool* exists, int* kind = nullptr) {
  if (kind) *kind = 0;
  if (*exists) {
    std::string nameOnDisk;
    int indexed = LookUpEntry(folder, ansiName, &nameOnDisk);
    if (indexed > 0) {
      if (kind) *kind = indexed;
      return folder + "/" + nameOnDisk;
    }
    if (indexed < 0) {
      // No index for this folder: the name as written, else a case-insensitive search.
      struct stat info;
      std::string found = folder + "/" + Cp1252ToUtf8(ansiName);
      bool present = stat(found.c_str(), &info) == 0;
      if (!present) {
        std::string entry = FindEntry(folder, ansiName);
        if (!entry.empty()) {
          found = folder + "/" + entry;
          present = stat(found.c_str(), &info) == 0;
        }
      }
      if (present) {
        if (kind) *kind = S_ISDIR(info.st_mode) ? 2 : 1;
        return found;
      }
    }
    *exists = false;
  }
  return folder + "/" + Cp1252ToUtf8(ansiName);
}

std::string HostChild(const std::string& folder, const std::string& ansiName) {
  bool exists = true;
  return Descend(folder, ansiName, &exists);
}

bool ResolveRoot(const ParsedPath& path, std::string* hostRoot, DWORD* error) {
  const std::string& root = TheMachine().root;
  *hostRoot = "";
  if (!path.valid || root.empty()) {
    *error = path.valid ? ERROR_PATH_NOT_FOUND : path.error;
    return false;
  }
  RefreshFolderIndexes();
  if (!path.unc) {
    std::string drive = root + "/" + std::string(1, (char)tolower((unsigned char)path.drive));
    std::string nameOnDisk;
    int indexed = LookUpEntry(root, drive.substr(root.size() + 1), &nameOnDisk);
    if (indexed == 2 && nameOnDisk != drive.substr(root.size() + 1)) indexed = -1;  // "C" is no drive folder
    if (indexed == 2) {
      *hostRoot = drive;
      return true;
    }
    if (indexed >= 0 || !IsHostFolder(drive)) {
      *error = ERROR_PATH_NOT_FOUND;
      return false;
    }
    *hostRoot = drive;
    return true;
  }
  bool exists = IsHostFolder(root + "/unc");
  std::string server = Descend(root + "/unc", path.server, &exists);
  if (!exists || !IsHostFolder(server)) {
    *error = ERROR_BAD_NETPATH;
    return false;
  }
  std::string share = Descend(server, path.share, &exists);
  if (!exists || !IsHostFolder(share)) {
    *error = ERROR_BAD_NET_NAME;
    return false;
  }
  *hostRoot = share;
  return true;
}

std::string HostRoot(const ParsedPath& path) {
  std::string hostRoot;
  DWORD error = 0;
  ResolveRoot(path, &hostRoot, &error);
  return hostRoot;
}

std::string HostPathOf(const ParsedPath& path) {
  std::string host = HostRoot(path);
  if (host.empty()) return "";
  bool exists = true;
  for (const std::string& part : path.parts) host = Descend(host, part, &exists);
  return host;
}

bool ResolveHost(const ParsedPath& path, HostPlace* place, DWORD* error) {
  *place = HostPlace();
  if (!ResolveRoot(path, &place->host, error)) return false;
  place->kind = 2;  // the root is a folder
  bool exists = true;
  for (const std::string& part : path.parts) {
    place->parentHost = place->host;
    place->parentKind = place->kind;
    place->host = Descend(place->host, part, &exists, &place->kind);
  }
  return true;
}

bool InsideDeniedFolder(const std::string& key) {
  for (const std::string& denied : TheMachine().deniedFolders) {
    if (denied.empty()) continue;
    std::string prefix = denied.back() == '\\' ? denied : denied + "\\";
    if (key.size() > prefix.size() && key.compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

}  // namespace core

namespace internal {
std::string CanonicalKey(const std::string& windowsPath) {
  return core::KeyOf(core::ParsePath(windowsPath));
}
}  // namespace internal

std::string HostPath(const std::string& windowsPath) {
  return core::HostPathOf(core::ParsePath(windowsPath));
}

}  // namespace world
