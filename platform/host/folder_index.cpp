// Case-insensitive look-up of names in Linux folders, kept fast for folders with thousands
// of entries: each folder's names are indexed once, and the kernel's change notices
// (inotify) keep the index right whoever changes the folder, this layer or a test. Without
// inotify every look-up reads the folder again: slower, still right.
#include <dirent.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <string>
#include <unordered_map>

#include "platform/host/core_state.h"

namespace world {
namespace core {
namespace {

struct FolderIndex {
  int watch = -1;
  std::unordered_map<std::string, std::string> names;  // upper-case 1252 name -> name on disk
};

struct Indexer {
  int notices = -1;  // the inotify descriptor; -1 before first use or when unavailable
  bool unavailable = false;
  std::unordered_map<std::string, FolderIndex> byFolder;
  std::unordered_map<int, std::string> folderOfWatch;
};

Indexer& TheIndexer() {
  static Indexer indexer;
  return indexer;
}

std::string KeyOfName(const std::string& nameOnDisk) { return UpperCp1252(Utf8ToCp1252(nameOnDisk)); }

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
  indexer.byFolder.clear();
  indexer.folderOfWatch.clear();
}

// Applies every change notice that has arrived since the last look-up.
void TakeNotices(Indexer& indexer) {
  if (indexer.notices < 0) return;
  alignas(struct inotify_event) char buffer[16384];
  for (;;) {
    ssize_t got = read(indexer.notices, buffer, sizeof buffer);
    if (got <= 0) return;
    for (ssize_t at = 0; at < got;) {
      const struct inotify_event* notice = reinterpret_cast<const struct inotify_event*>(buffer + at);
      at += (ssize_t)(sizeof(struct inotify_event) + notice->len);
      if (notice->mask & IN_Q_OVERFLOW) {
        DropAll(indexer);
        return;
      }
      auto watched = indexer.folderOfWatch.find(notice->wd);
      if (watched == indexer.folderOfWatch.end()) continue;
      std::string folder = watched->second;
      if (notice->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) {
        DropFolder(indexer, folder);
        continue;
      }
      FolderIndex& index = indexer.byFolder[folder];
      std::string name = notice->len ? notice->name : "";
      if (name.empty()) continue;
      if (notice->mask & (IN_CREATE | IN_MOVED_TO)) index.names[KeyOfName(name)] = name;
      if (notice->mask & (IN_DELETE | IN_MOVED_FROM)) {
        auto entry = index.names.find(KeyOfName(name));
        if (entry != index.names.end() && entry->second == name) index.names.erase(entry);
      }
    }
  }
}

// Reads the folder's names; false when it cannot be read.
bool ReadNames(const std::string& folder, std::unordered_map<std::string, std::string>* names) {
  DIR* directory = opendir(folder.c_str());
  if (!directory) return false;
  while (struct dirent* entry = readdir(directory)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names->emplace(KeyOfName(name), name);
  }
  closedir(directory);
  return true;
}

}  // namespace

std::string FindEntry(const std::string& folder, const std::string& ansiName) {
  Indexer& indexer = TheIndexer();
  std::string wanted = UpperCp1252(ansiName);
  if (indexer.notices < 0 && !indexer.unavailable) {
    indexer.notices = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    indexer.unavailable = indexer.notices < 0;
  }
  if (indexer.unavailable) {
    std::unordered_map<std::string, std::string> names;
    ReadNames(folder, &names);
    auto found = names.find(wanted);
    return found == names.end() ? "" : found->second;
  }
  TakeNotices(indexer);
  auto indexed = indexer.byFolder.find(folder);
  if (indexed == indexer.byFolder.end()) {
    // Watch first, then read: a change in between shows in both, which is harmless.
    int watch = inotify_add_watch(indexer.notices, folder.c_str(),
                                  IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                                      IN_MOVE_SELF | IN_ONLYDIR);
    auto sameFolder = indexer.folderOfWatch.find(watch);
    FolderIndex index;
    // A folder already watched under another path (a link) is read each time instead.
    if (watch < 0 || (sameFolder != indexer.folderOfWatch.end() && sameFolder->second != folder) ||
        !ReadNames(folder, &index.names)) {
      std::unordered_map<std::string, std::string> names;
      ReadNames(folder, &names);
      auto found = names.find(wanted);
      return found == names.end() ? "" : found->second;
    }
    index.watch = watch;
    indexer.folderOfWatch[watch] = folder;
    indexed = indexer.byFolder.emplace(folder, std::move(index)).first;
  }
  auto found = indexed->second.names.find(wanted);
  return found == indexed->second.names.end() ? "" : found->second;
}

void ForgetFolderIndexes() { DropAll(TheIndexer()); }

}  // namespace core
}  // namespace world
