// Case-insensitive look-up of names in Linux folders, kept fast for folders with thousands
// of entries: each folder's names and kinds are indexed once, and the kernel's change notices
// (inotify) keep the index right whoever changes the folder, this layer or a test. Without
// inotify, or for a folder it cannot watch, look-ups go to the disk each time.
#include <dirent.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <unordered_map>

#include "platform/host/core_state.h"

namespace world {
namespace core {
namespace {

struct Entry {
  std::string name;  // as on disk
  int kind;          // 1 file, 2 folder
};

struct FolderIndex {
  int watch = -1;
  std::unordered_map<std::string, Entry> entries;  // by upper-case 1252 name
};

struct Indexer {
  int notices = -1;  // the inotify descriptor; -1 before first use or when unavailable
  bool unavailable = false;
  std::unordered_map<std::string, FolderIndex> byFolder;
  std::unordered_map<int, std::string> folderOfWatch;
};

const uint32_t kWatched = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF |
                          IN_ONLYDIR;

Indexer& TheIndexer() {
  static Indexer indexer;
  return indexer;
}

std::string KeyOfName(const std::string& nameOnDisk) { return UpperCp1252(Utf8ToCp1252(nameOnDisk)); }

int KindOnDisk(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return 0;
  return S_ISDIR(info.st_mode) ? 2 : 1;
}

void DropFolder(Indexer& indexer, const std::string& folder) {
  auto found = indexer.byFolder.find(folder);
  if (found == indexer.byFolder.end()) return;
  if (found->second.watch >= 0) {
    inotify_rm_watch(indexer.notices, found->second.watch);
    indexer.folderOfWatch.erase(found->second.watch);
  }
  indexer.byFolder.erase(found);
}

void DropAll(Indexer& indexer) {
  if (indexer.notices >= 0) close(indexer.notices);  // removes every watch with it
  indexer.notices = -1;
  indexer.unavailable = false;  // the next look-up tries again
  indexer.byFolder.clear();
  indexer.folderOfWatch.clear();
}

// VELMORA_NO_INOTIFY=1 takes the way without notices, as on a system that has none.
bool Ready(Indexer& indexer) {
  if (indexer.notices < 0 && !indexer.unavailable) {
    const char* refused = getenv("VELMORA_NO_INOTIFY");
    indexer.notices = refused && *refused == '1' ? -1 : inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    indexer.unavailable = indexer.notices < 0;
  }
  return !indexer.unavailable;
}

void Apply(Indexer& indexer, const struct inotify_event* notice) {
  if (notice->mask & IN_Q_OVERFLOW) {
    DropAll(indexer);
    return;
  }
  auto watched = indexer.folderOfWatch.find(notice->wd);
  if (watched == indexer.folderOfWatch.end()) return;
  std::string folder = watched->second;
  if (notice->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) {
    DropFolder(indexer, folder);
    return;
  }
  if (notice->len == 0 || notice->name[0] == 0) return;
  FolderIndex& index = indexer.byFolder[folder];
  std::string name = notice->name;
  std::string key = KeyOfName(name);
  if (notice->mask & (IN_CREATE | IN_MOVED_TO)) {
    int kind = (notice->mask & IN_ISDIR) ? 2 : 1;
    if (!(notice->mask & IN_ISDIR)) {
      // A link to a folder is reported as a file; look at what it leads to.
      struct stat info;
      if (lstat((folder + "/" + name).c_str(), &info) == 0 && S_ISLNK(info.st_mode)) kind = KindOnDisk(folder + "/" + name);
    }
    index.entries[key] = Entry{name, kind};
  }
  if (notice->mask & (IN_DELETE | IN_MOVED_FROM)) {
    auto entry = index.entries.find(key);
    if (entry != index.entries.end() && entry->second.name == name) index.entries.erase(entry);
  }
}

// Reads the folder's entries; false when it cannot be read.
bool ReadEntries(const std::string& folder, std::unordered_map<std::string, Entry>* entries) {
  DIR* directory = opendir(folder.c_str());
  if (!directory) return false;
  while (struct dirent* found = readdir(directory)) {
    std::string name = found->d_name;
    if (name == "." || name == "..") continue;
    int kind = found->d_type == DT_DIR ? 2 : found->d_type == DT_REG ? 1 : KindOnDisk(folder + "/" + name);
    if (kind) entries->emplace(KeyOfName(name), Entry{name, kind});
  }
  closedir(directory);
  return true;
}

}  // namespace

void RefreshFolderIndexes() {
  Indexer& indexer = TheIndexer();
  if (indexer.notices < 0) return;
  alignas(struct inotify_event) char buffer[65536];
  const ssize_t roomForOneMore = (ssize_t)(sizeof buffer - sizeof(struct inotify_event) - NAME_MAX - 1);
  for (;;) {
    ssize_t got = read(indexer.notices, buffer, sizeof buffer);
    if (got <= 0) return;
    for (ssize_t at = 0; at < got && indexer.notices >= 0;) {
      const struct inotify_event* notice = reinterpret_cast<const struct inotify_event*>(buffer + at);
      at += (ssize_t)(sizeof(struct inotify_event) + notice->len);
      Apply(indexer, notice);
    }
    // A read that left room for another notice has taken all there were.
    if (got < roomForOneMore || indexer.notices < 0) return;
  }
}

int LookUpEntry(const std::string& folder, const std::string& ansiName, std::string* nameOnDisk) {
  Indexer& indexer = TheIndexer();
  if (!Ready(indexer)) return -1;
  auto indexed = indexer.byFolder.find(folder);
  if (indexed == indexer.byFolder.end()) {
    // Watch first, then read: a change in between shows in both, which is harmless.
    int watch = inotify_add_watch(indexer.notices, folder.c_str(), kWatched);
    if (watch < 0) return -1;
    auto sameFolder = indexer.folderOfWatch.find(watch);
    // A folder already watched under another path (a link) is looked up on disk instead.
    if (sameFolder != indexer.folderOfWatch.end() && sameFolder->second != folder) return -1;
    FolderIndex index;
    if (!ReadEntries(folder, &index.entries)) {
      inotify_rm_watch(indexer.notices, watch);
      return -1;
    }
    index.watch = watch;
    indexer.folderOfWatch[watch] = folder;
    indexed = indexer.byFolder.emplace(folder, std::move(index)).first;
  }
  auto found = indexed->second.entries.find(UpperCp1252(ansiName));
  if (found == indexed->second.entries.end()) return 0;
  *nameOnDisk = found->second.name;
  return found->second.kind;
}

std::string FindEntry(const std::string& folder, const std::string& ansiName) {
  std::string name;
  int kind = LookUpEntry(folder, ansiName, &name);
  if (kind > 0) return name;
  if (kind == 0) return "";
  std::unordered_map<std::string, Entry> entries;
  ReadEntries(folder, &entries);
  auto found = entries.find(UpperCp1252(ansiName));
  return found == entries.end() ? "" : found->second.name;
}

void ForgetFolderIndexes() { DropAll(TheIndexer()); }

}  // namespace core
}  // namespace world
