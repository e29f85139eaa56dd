// Files and folders of the world with Windows semantics POSIX lacks: the read-only
// attribute, share modes, denied folders, files held by other programs, creation times.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>

#include "platform/host/core_state.h"
#include "platform/host/world_internal.h"

namespace world {
namespace core {

namespace {

const DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | 0x100 /* temporary */ | 0x1000 /* offline */ |
                                  0x2000 /* not content indexed */;
const DWORD kFileReadData = 0x0001, kFileWriteData = 0x0002, kFileAppendData = 0x0004;
const DWORD kFileWriteAttributes = 0x0100, kDeleteAccess = 0x00010000;
const DWORD kErrorNegativeSeek = 131;
const DWORD kErrorNoAccess = 998;
const LONGLONG kUnixEpochAsFileTime = 116444736000000000LL;  // 1970-01-01 in 100 ns since 1601

struct OpenFile {
  std::string key;      // canonical key
  std::string display;  // the Windows path as opened, normalised
  int fd = -1;
  bool canRead = false, canWrite = false, canWriteAttributes = false, canDelete = false;
  DWORD share = 0;
};

std::set<OpenFile*>& OpenFiles() {
  static std::set<OpenFile*> files;
  return files;
}

OpenFile* FindOpenFile(HANDLE handle) {
  OpenFile* file = static_cast<OpenFile*>(handle);
  return OpenFiles().count(file) ? file : nullptr;
}

enum class Kind { Missing, File, Folder };

Kind KindOf(const std::string& hostPath, struct stat* info = nullptr) {
  struct stat local;
  struct stat* target = info ? info : &local;
  if (hostPath.empty() || stat(hostPath.c_str(), target) != 0) return Kind::Missing;
  return S_ISDIR(target->st_mode) ? Kind::Folder : Kind::File;
}

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC: return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG: return ERROR_INVALID_NAME;
  }
  return ERROR_INVALID_FUNCTION;
}

// A path the calls below work on: parsed, with its key and Linux path, or an error.
struct Target {
  bool ok = false;
  DWORD error = 0;
  ParsedPath parsed;
  std::string key, display, host, parentHost;
  Kind kind = Kind::Missing, parentKind = Kind::Missing;
  bool isRoot = false;
};

// Parses `name` for a call; `maxLength` is the longest text the call accepts.
Target Resolve(LPCSTR name, size_t maxLength = MAX_PATH - 1) {
  Target target;
  if (!name) {
    target.error = ERROR_PATH_NOT_FOUND;
    return target;
  }
  if (strlen(name) > maxLength) {
    target.error = ERROR_FILENAME_EXCED_RANGE;
    return target;
  }
  target.parsed = ParsePath(name);
  HostPlace place;
  if (!ResolveHost(target.parsed, &place, &target.error)) return target;
  target.key = KeyOf(target.parsed);
  target.display = DisplayPath(target.parsed);
  target.host = place.host;
  target.parentHost = place.parentHost;
  target.kind = (Kind)place.kind;
  target.parentKind = (Kind)place.parentKind;
  target.isRoot = target.parsed.parts.empty();
  target.ok = true;
  return target;
}

bool ParentExists(const Target& target) {
  return target.isRoot || target.parentKind == Kind::Folder;
}

// The error for a missing file: 2 when its folder exists, else 3.
DWORD MissingError(const Target& target) {
  return ParentExists(target) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

FILETIME FileTimeFromTimespec(const struct timespec& time) {
  LONGLONG value = (LONGLONG)time.tv_sec * 10000000LL + time.tv_nsec / 100 + kUnixEpochAsFileTime;
  FILETIME result;
  result.dwLowDateTime = (DWORD)(value & 0xFFFFFFFF);
  result.dwHighDateTime = (DWORD)((ULONGLONG)value >> 32);
  return result;
}

struct timespec TimespecFromFileTime(const FILETIME& time) {
  LONGLONG value = (LONGLONG)(((ULONGLONG)time.dwHighDateTime << 32) | time.dwLowDateTime) - kUnixEpochAsFileTime;
  struct timespec result;
  LONGLONG seconds = value / 10000000LL;
  LONGLONG rest = value % 10000000LL;
  if (rest < 0) {
    rest += 10000000LL;
    seconds--;
  }
  result.tv_sec = (time_t)seconds;
  result.tv_nsec = (long)(rest * 100);
  return result;
}

FILETIME NowAsFileTime() {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return FileTimeFromTimespec(now);
}

// Attributes as GetFileAttributesA reports them, from the Linux entry and the kept metadata.
DWORD ReportedAttributes(const std::string& key, Kind kind) {
  auto& table = MetaTable();
  auto found = table.find(key);
  DWORD attributes = found != table.end() ? found->second.attributes
                                          : (kind == Kind::File ? (DWORD)FILE_ATTRIBUTE_ARCHIVE : 0);
  if (kind == Kind::Folder) return attributes | FILE_ATTRIBUTE_DIRECTORY;
  return attributes == 0 ? (DWORD)FILE_ATTRIBUTE_NORMAL : attributes;
}

FileMeta& MetaFor(const std::string& key) { return MetaTable()[key]; }

bool IsReadOnly(const std::string& key) {
  auto found = MetaTable().find(key);
  return found != MetaTable().end() && (found->second.attributes & FILE_ATTRIBUTE_READONLY);
}

DWORD StoredAttributes(const std::string& key, Kind kind) {
  auto found = MetaTable().find(key);
  if (found != MetaTable().end()) return found->second.attributes;
  return kind == Kind::File ? (DWORD)FILE_ATTRIBUTE_ARCHIVE : 0;
}

// Whether an open with these rights and share mode may coexist with the handles already open.
bool SharingAllows(const std::string& key, bool read, bool write, bool remove, DWORD share) {
  for (OpenFile* other : OpenFiles()) {
    if (other->key != key) continue;
    if ((read && !(other->share & FILE_SHARE_READ)) || (write && !(other->share & FILE_SHARE_WRITE)) ||
        (remove && !(other->share & FILE_SHARE_DELETE)) || (other->canRead && !(share & FILE_SHARE_READ)) ||
        (other->canWrite && !(share & FILE_SHARE_WRITE)) || (other->canDelete && !(share & FILE_SHARE_DELETE)))
      return false;
  }
  return true;
}

void RememberCreated(const std::string& key, DWORD attributes) {
  FileMeta& meta = MetaFor(key);
  meta.attributes = attributes;
  meta.hasCreation = true;
  meta.creation = NowAsFileTime();
}

HANDLE Fail(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

BOOL FailBool(DWORD error) {
  SetLastError(error);
  return FALSE;
}

bool MakeHostFolders(const std::string& windowsPath) {
  ParsedPath parsed = ParsePath(windowsPath);
  std::string host = HostRoot(parsed);
  if (host.empty()) return false;
  ParsedPath walk = parsed;
  walk.parts.clear();
  for (const std::string& part : parsed.parts) {
    walk.parts.push_back(part);
    std::string hostPath = HostPathOf(walk);
    if (KindOf(hostPath) == Kind::Folder) continue;
    if (mkdir(hostPath.c_str(), 0777) != 0) return false;
    RememberCreated(KeyOf(walk), 0);
  }
  return true;
}

}  // namespace

std::map<std::string, FileMeta>& MetaTable() {
  static std::map<std::string, FileMeta> table;
  return table;
}

void ForgetMeta(const std::string& key) {
  auto& table = MetaTable();
  table.erase(key);
  std::string prefix = key + "\\";
  for (auto it = table.lower_bound(prefix); it != table.end() && it->first.compare(0, prefix.size(), prefix) == 0;)
    it = table.erase(it);
}

std::string SerializeMeta() {
  std::string out;
  for (const auto& [key, meta] : MetaTable()) {
    out += "F " + HexEncode(key) + " " + std::to_string(meta.attributes) + " " +
           std::to_string(meta.hasCreation ? 1 : 0) + " " + std::to_string(meta.creation.dwLowDateTime) + " " +
           std::to_string(meta.creation.dwHighDateTime) + "\n";
  }
  return out;
}

void DeserializeMeta(const std::string& text) {
  MetaTable().clear();
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string tag, hex;
    unsigned long attributes = 0, hasCreation = 0, low = 0, high = 0;
    if (!(fields >> tag >> hex >> attributes >> hasCreation >> low >> high) || tag != "F") continue;
    FileMeta meta;
    meta.attributes = (DWORD)attributes;
    meta.hasCreation = hasCreation != 0;
    meta.creation.dwLowDateTime = (DWORD)low;
    meta.creation.dwHighDateTime = (DWORD)high;
    MetaTable()[HexDecode(hex)] = meta;
  }
}

void CloseAllFiles() {
  for (OpenFile* file : OpenFiles()) {
    if (file->fd >= 0) close(file->fd);
    delete file;
  }
  OpenFiles().clear();
}

}  // namespace core
}  // namespace world

using namespace world::core;

// ---- the Win32 file calls ------------------------------------------------------------------

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                          DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile) {
  if (world::internal::FaultFires("CreateFileA", fileName ? fileName : "")) return INVALID_HANDLE_VALUE;
  if (creationDisposition < CREATE_NEW || creationDisposition > TRUNCATE_EXISTING) return Fail(ERROR_INVALID_PARAMETER);
  Target target = Resolve(fileName);
  if (!target.ok) return Fail(target.error);
  if (target.parsed.trailingSeparator) return Fail(ERROR_INVALID_NAME);  // a folder's name, not a file's
  bool read = (desiredAccess & (GENERIC_READ | GENERIC_ALL | kFileReadData)) != 0;
  bool write = (desiredAccess & (GENERIC_WRITE | GENERIC_ALL | kFileWriteData | kFileAppendData)) != 0;
  bool remove = (desiredAccess & (GENERIC_ALL | kDeleteAccess)) != 0;
  bool writeAttributes = write || (desiredAccess & kFileWriteAttributes);
  if (creationDisposition == TRUNCATE_EXISTING && !write) return Fail(ERROR_INVALID_PARAMETER);
  if (target.isRoot) return Fail(ERROR_ACCESS_DENIED);
  if (!ParentExists(target)) return Fail(ERROR_PATH_NOT_FOUND);

  Kind kind = target.kind;
  if (kind == Kind::Folder) return Fail(ERROR_ACCESS_DENIED);
  bool exists = kind == Kind::File;
  bool truncate = exists && (creationDisposition == CREATE_ALWAYS || creationDisposition == TRUNCATE_EXISTING);
  DWORD newAttributes = (flagsAndAttributes & kSettableAttributes) | FILE_ATTRIBUTE_ARCHIVE;

  if (exists) {
    if (creationDisposition == CREATE_NEW) return Fail(ERROR_FILE_EXISTS);
    if (write || truncate) {
      if (IsReadOnly(target.key) || InsideDeniedFolder(target.key)) return Fail(ERROR_ACCESS_DENIED);
    }
    if (creationDisposition == CREATE_ALWAYS) {
      // Overwriting a hidden or system file needs the same attributes asked for.
      DWORD old = StoredAttributes(target.key, kind);
      DWORD guarded = old & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
      if ((flagsAndAttributes & guarded) != guarded) return Fail(ERROR_ACCESS_DENIED);
    }
    // A running program's image is mapped by Windows: it may be read, not changed or removed.
    if ((write || truncate || remove) && world::internal::IsRunningImage(target.key))
      return Fail(ERROR_SHARING_VIOLATION);
    if ((read || write || remove) && world::internal::HeldByProcess(target.key)) return Fail(ERROR_SHARING_VIOLATION);
    if (!SharingAllows(target.key, read, write || truncate, remove, shareMode)) return Fail(ERROR_SHARING_VIOLATION);
  } else {
    if (creationDisposition == OPEN_EXISTING || creationDisposition == TRUNCATE_EXISTING)
      return Fail(ERROR_FILE_NOT_FOUND);
    if (InsideDeniedFolder(target.key)) return Fail(ERROR_ACCESS_DENIED);
  }

  int flags = (write || truncate) ? O_RDWR : O_RDONLY;
  if (!exists) flags = O_RDWR | O_CREAT | O_EXCL;
  if (truncate) flags |= O_TRUNC;
  int fd = open(target.host.c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) return Fail(ErrorFromErrno(errno));

  if (!exists) {
    RememberCreated(target.key, newAttributes);
  } else if (creationDisposition == CREATE_ALWAYS) {
    MetaFor(target.key).attributes =
        newAttributes | (StoredAttributes(target.key, kind) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  }

  OpenFile* file = new OpenFile;
  file->key = target.key;
  file->display = target.display;
  file->fd = fd;
  file->canRead = read;
  file->canWrite = write;
  file->canWriteAttributes = writeAttributes;
  file->canDelete = remove;
  file->share = shareMode;
  OpenFiles().insert(file);
  bool reportsExisting = exists && (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS);
  SetLastError(reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return file;
}

BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped) {
  if (bytesRead) *bytesRead = 0;
  OpenFile* file = FindOpenFile(handle);
  if (world::internal::FaultFires("ReadFile", file ? file->display : "")) return FALSE;
  if (!file) return FailBool(ERROR_INVALID_HANDLE);
  if (!file->canRead) return FailBool(ERROR_ACCESS_DENIED);
  if (!buffer && bytesToRead > 0) return FailBool(kErrorNoAccess);
  DWORD total = 0;
  while (total < bytesToRead) {
    ssize_t got = read(file->fd, (char*)buffer + total, bytesToRead - total);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return FailBool(ERROR_READ_FAULT);
    if (got == 0) break;
    total += (DWORD)got;
  }
  if (bytesRead) *bytesRead = total;
  return TRUE;
}

BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped) {
  if (bytesWritten) *bytesWritten = 0;
  OpenFile* file = FindOpenFile(handle);
  if (world::internal::FaultFires("WriteFile", file ? file->display : "")) return FALSE;
  if (!file) return FailBool(ERROR_INVALID_HANDLE);
  if (!file->canWrite) return FailBool(ERROR_ACCESS_DENIED);
  if (!buffer && bytesToWrite > 0) return FailBool(kErrorNoAccess);
  DWORD allowed = ShortWriteLimit(file->display, bytesToWrite);
  DWORD total = 0;
  while (total < allowed) {
    ssize_t put = write(file->fd, (const char*)buffer + total, allowed - total);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) {
      if (bytesWritten) *bytesWritten = total;
      return FailBool(errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
    }
    total += (DWORD)put;
  }
  if (bytesWritten) *bytesWritten = total;
  return TRUE;
}

DWORD WINAPI GetFileSize(HANDLE handle, LPDWORD fileSizeHigh) {
  OpenFile* file = FindOpenFile(handle);
  if (world::internal::FaultFires("GetFileSize", file ? file->display : "")) return INVALID_FILE_SIZE;
  if (!file) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  struct stat info;
  if (fstat(file->fd, &info) != 0) {
    SetLastError(ERROR_READ_FAULT);
    return INVALID_FILE_SIZE;
  }
  ULONGLONG size = (ULONGLONG)info.st_size;
  if (fileSizeHigh) *fileSizeHigh = (DWORD)(size >> 32);
  if ((DWORD)size == INVALID_FILE_SIZE) SetLastError(NO_ERROR);
  return (DWORD)size;
}

DWORD WINAPI SetFilePointer(HANDLE handle, LONG distance, PLONG distanceHigh, DWORD moveMethod) {
  OpenFile* file = FindOpenFile(handle);
  if (world::internal::FaultFires("SetFilePointer", file ? file->display : "")) return INVALID_SET_FILE_POINTER;
  if (!file) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  LONGLONG move = distanceHigh ? (LONGLONG)(((ULONGLONG)(DWORD)*distanceHigh << 32) | (DWORD)distance) : (LONGLONG)distance;
  LONGLONG base = 0;
  if (moveMethod == FILE_CURRENT) {
    base = lseek(file->fd, 0, SEEK_CUR);
  } else if (moveMethod == FILE_END) {
    struct stat info;
    fstat(file->fd, &info);
    base = info.st_size;
  } else if (moveMethod != FILE_BEGIN) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  LONGLONG position = base + move;
  if (position < 0) {
    SetLastError(kErrorNegativeSeek);
    return INVALID_SET_FILE_POINTER;
  }
  lseek(file->fd, (off_t)position, SEEK_SET);
  if (distanceHigh) *distanceHigh = (LONG)(position >> 32);
  SetLastError(NO_ERROR);
  return (DWORD)position;
}

DWORD WINAPI GetFileAttributesA(LPCSTR fileName) {
  if (world::internal::FaultFires("GetFileAttributesA", fileName ? fileName : "")) return INVALID_FILE_ATTRIBUTES;
  Target target = Resolve(fileName);
  if (!target.ok) {
    SetLastError(target.error);
    return INVALID_FILE_ATTRIBUTES;
  }
  Kind kind = target.kind;
  if (kind == Kind::File && target.parsed.trailingSeparator) {
    SetLastError(ERROR_PATH_NOT_FOUND);  // "file.txt" asks for a folder
    return INVALID_FILE_ATTRIBUTES;
  }
  if (kind == Kind::Missing) {
    SetLastError(MissingError(target));
    return INVALID_FILE_ATTRIBUTES;
  }
  return ReportedAttributes(target.key, kind);
}

BOOL WINAPI SetFileAttributesA(LPCSTR fileName, DWORD attributes) {
  if (world::internal::FaultFires("SetFileAttributesA", fileName ? fileName : "")) return FALSE;
  Target target = Resolve(fileName);
  if (!target.ok) return FailBool(target.error);
  Kind kind = target.kind;
  if (kind == Kind::File && target.parsed.trailingSeparator) return FailBool(ERROR_PATH_NOT_FOUND);
  if (kind == Kind::Missing) return FailBool(MissingError(target));
  if (InsideDeniedFolder(target.key)) return FailBool(ERROR_ACCESS_DENIED);
  MetaFor(target.key).attributes = attributes & kSettableAttributes;
  return TRUE;
}

// A FILETIME that SetFileTime can store: all ones (keep the time) is handled by the caller.
static bool IsStorableFileTime(const FILETIME* time) {
  return !time || (time->dwHighDateTime & 0x80000000u) == 0 ||
         (time->dwHighDateTime == 0xFFFFFFFFu && time->dwLowDateTime == 0xFFFFFFFFu);
}

static bool KeepsTime(const FILETIME* time) {
  return !time || (time->dwLowDateTime == 0 && time->dwHighDateTime == 0) ||
         (time->dwHighDateTime == 0xFFFFFFFFu && time->dwLowDateTime == 0xFFFFFFFFu);
}

BOOL WINAPI SetFileTime(HANDLE handle, const FILETIME* creationTime, const FILETIME* lastAccessTime,
                        const FILETIME* lastWriteTime) {
  OpenFile* file = FindOpenFile(handle);
  if (world::internal::FaultFires("SetFileTime", file ? file->display : "")) return FALSE;
  if (!file) return FailBool(ERROR_INVALID_HANDLE);
  if (!file->canWriteAttributes) return FailBool(ERROR_ACCESS_DENIED);
  if (!IsStorableFileTime(creationTime) || !IsStorableFileTime(lastAccessTime) || !IsStorableFileTime(lastWriteTime))
    return FailBool(ERROR_INVALID_PARAMETER);
  struct timespec times[2];
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_nsec = UTIME_OMIT;
  if (!KeepsTime(lastAccessTime)) times[0] = TimespecFromFileTime(*lastAccessTime);
  if (!KeepsTime(lastWriteTime)) times[1] = TimespecFromFileTime(*lastWriteTime);
  if (futimens(file->fd, times) != 0) return FailBool(ErrorFromErrno(errno));
  if (!KeepsTime(creationTime)) {
    FileMeta& meta = MetaFor(file->key);
    meta.hasCreation = true;
    meta.creation = *creationTime;
  }
  return TRUE;
}

BOOL WINAPI GetFileTime(HANDLE handle, LPFILETIME creationTime, LPFILETIME lastAccessTime, LPFILETIME lastWriteTime) {
  OpenFile* file = FindOpenFile(handle);
  if (world::internal::FaultFires("GetFileTime", file ? file->display : "")) return FALSE;
  if (!file) return FailBool(ERROR_INVALID_HANDLE);
  struct stat info;
  if (fstat(file->fd, &info) != 0) return FailBool(ERROR_READ_FAULT);
  if (creationTime) {
    auto found = MetaTable().find(file->key);
    *creationTime = found != MetaTable().end() && found->second.hasCreation ? found->second.creation
                                                                             : FileTimeFromTimespec(info.st_mtim);
  }
  if (lastAccessTime) *lastAccessTime = FileTimeFromTimespec(info.st_atim);
  if (lastWriteTime) *lastWriteTime = FileTimeFromTimespec(info.st_mtim);
  return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR fileName) {
  if (world::internal::FaultFires("DeleteFileA", fileName ? fileName : "")) return FALSE;
  Target target = Resolve(fileName);
  if (!target.ok) return FailBool(target.error);
  if (target.parsed.trailingSeparator) return FailBool(ERROR_INVALID_NAME);
  Kind kind = target.kind;
  if (kind == Kind::Missing) return FailBool(MissingError(target));
  if (kind == Kind::Folder) return FailBool(ERROR_ACCESS_DENIED);
  if (IsReadOnly(target.key) || InsideDeniedFolder(target.key)) return FailBool(ERROR_ACCESS_DENIED);
  // Windows refuses to delete a running program's image with access denied, not a sharing error.
  if (world::internal::IsRunningImage(target.key)) return FailBool(ERROR_ACCESS_DENIED);
  if (world::internal::HeldByProcess(target.key)) return FailBool(ERROR_SHARING_VIOLATION);
  if (!SharingAllows(target.key, false, false, true, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE))
    return FailBool(ERROR_SHARING_VIOLATION);
  if (unlink(target.host.c_str()) != 0) return FailBool(ErrorFromErrno(errno));
  ForgetMeta(target.key);
  return TRUE;
}

BOOL WINAPI CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES security) {
  if (world::internal::FaultFires("CreateDirectoryA", pathName ? pathName : "")) return FALSE;
  Target target = Resolve(pathName, MAX_PATH - 12 - 1);  // room for an 8.3 name below it
  if (!target.ok) return FailBool(target.error);
  if (target.isRoot) return FailBool(ERROR_ALREADY_EXISTS);
  if (!ParentExists(target)) return FailBool(ERROR_PATH_NOT_FOUND);
  if (target.kind != Kind::Missing) return FailBool(ERROR_ALREADY_EXISTS);
  if (InsideDeniedFolder(target.key)) return FailBool(ERROR_ACCESS_DENIED);
  if (mkdir(target.host.c_str(), 0777) != 0) return FailBool(ErrorFromErrno(errno));
  RememberCreated(target.key, 0);
  return TRUE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR pathName) {
  if (world::internal::FaultFires("RemoveDirectoryA", pathName ? pathName : "")) return FALSE;
  Target target = Resolve(pathName);
  if (!target.ok) return FailBool(target.error);
  Kind kind = target.kind;
  if (kind == Kind::Missing) return FailBool(MissingError(target));
  if (kind == Kind::File) return FailBool(ERROR_DIRECTORY);
  if (target.isRoot || IsReadOnly(target.key) || InsideDeniedFolder(target.key)) return FailBool(ERROR_ACCESS_DENIED);
  if (world::internal::CanonicalKey(TheMachine().currentDirectory) == target.key)
    return FailBool(ERROR_SHARING_VIOLATION);
  if (rmdir(target.host.c_str()) != 0) return FailBool(ErrorFromErrno(errno));
  ForgetMeta(target.key);
  return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE object) {
  if (OpenFile* file = FindOpenFile(object)) {
    OpenFiles().erase(file);
    close(file->fd);
    delete file;
    return TRUE;
  }
  if (object && object != INVALID_HANDLE_VALUE && world::internal::CloseProcessHandle(object)) return TRUE;
  return FailBool(ERROR_INVALID_HANDLE);
}

// ---- the world's own file access (no faults, no denials) -----------------------------------------
namespace world {

void PutFile(const std::string& path, const std::string& bytes, DWORD attributes) {
  ParsedPath parsed = ParsePath(path);
  if (!parsed.valid || parsed.parts.empty()) return;
  ParsedPath parent = parsed;
  parent.parts.pop_back();
  if (!parent.parts.empty() && !MakeHostFolders(DisplayPath(parent))) return;
  std::string host = HostPathOf(parsed);
  if (host.empty()) return;
  FILE* out = fopen(host.c_str(), "wb");
  if (!out) return;
  fwrite(bytes.data(), 1, bytes.size(), out);
  fclose(out);
  RememberCreated(KeyOf(parsed), attributes & kSettableAttributes);
}

void MakeFolder(const std::string& path) { MakeHostFolders(path); }

bool FileExists(const std::string& path) { return KindOf(HostPath(path)) == Kind::File; }

bool FolderExists(const std::string& path) { return KindOf(HostPath(path)) == Kind::Folder; }

std::string FileBytes(const std::string& path) {
  std::string host = HostPath(path);
  if (KindOf(host) != Kind::File) return "";
  FILE* in = fopen(host.c_str(), "rb");
  if (!in) return "";
  std::string bytes;
  char chunk[65536];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, in)) > 0) bytes.append(chunk, got);
  fclose(in);
  return bytes;
}

DWORD Attributes(const std::string& path) {
  ParsedPath parsed = ParsePath(path);
  Kind kind = KindOf(HostPathOf(parsed));
  if (kind == Kind::Missing) return INVALID_FILE_ATTRIBUTES;
  return ReportedAttributes(KeyOf(parsed), kind);
}

FileTimes Times(const std::string& path) {
  FileTimes times = {};
  ParsedPath parsed = ParsePath(path);
  struct stat info;
  if (KindOf(HostPathOf(parsed), &info) == Kind::Missing) return times;
  auto found = MetaTable().find(KeyOf(parsed));
  times.creation = found != MetaTable().end() && found->second.hasCreation ? found->second.creation
                                                                           : FileTimeFromTimespec(info.st_mtim);
  times.lastAccess = FileTimeFromTimespec(info.st_atim);
  times.lastWrite = FileTimeFromTimespec(info.st_mtim);
  return times;
}

static void ListInto(const std::string& hostFolder, const std::string& windowsFolder, std::vector<std::string>& out) {
  DIR* directory = opendir(hostFolder.c_str());
  if (!directory) return;
  std::vector<std::string> names;
  while (struct dirent* entry = readdir(directory)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(directory);
  for (const std::string& name : names) {
    std::string windowsPath = windowsFolder + (windowsFolder.back() == '\\' ? "" : "\\") + Utf8ToCp1252(name);
    out.push_back(windowsPath);
    std::string hostPath = hostFolder + "/" + name;
    if (KindOf(hostPath) == Kind::Folder) ListInto(hostPath, windowsPath, out);
  }
}

std::vector<std::string> ListTree(const std::string& folder) {
  std::vector<std::string> out;
  ParsedPath parsed = ParsePath(folder);
  std::string host = HostPathOf(parsed);
  if (KindOf(host) != Kind::Folder) return out;
  ListInto(host, DisplayPath(parsed), out);
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace world
