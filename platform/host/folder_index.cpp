// Case-insensitive look-up of names in Linux folders, kept fast for folders with thousands
// of entries: each folder's names are indexed once and the index is trusted while the folder's
// stamp (times, size, links) is unchanged. Changes the layer makes itself update the index;
// changes made by others show in the stamp and rebuild it.
#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

#include <string>
#include <unordered_map>

#include "platform/host/core_state.h"

namespace world {
namespace core {
namespace {

struct FolderIndex {
  FolderStamp stamp;
  bool trusted = false;
  std::unordered_map<std::string, std::string> names;  // upper-case 1252 name -> name on disk
};

std::unordered_map<std::string, FolderIndex>& Indexes() {
  static std::unordered_map<std::string, FolderIndex> indexes;
  return indexes;
}

bool SameStamp(const FolderStamp& a, const FolderStamp& b) {
  return a.valid && b.valid && a.inode == b.inode && a.size == b.size && a.links == b.links &&
         a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec &&
         a.changed.tv_sec == b.changed.tv_sec && a.changed.tv_nsec == b.changed.tv_nsec;
}

std::string KeyOfName(const std::string& nameOnDisk) { return UpperCp1252(Utf8ToCp1252(nameOnDisk)); }

// A folder changed less than this long ago may change again within the same tick of the
// file system's coarse clock, unseen in its stamp.
const long long kCoarseClockNanoseconds = 50 * 1000 * 1000;

bool ChangedRecently(const FolderStamp& stamp) {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  long long age = (long long)(now.tv_sec - stamp.changed.tv_sec) * 1000000000LL + (now.tv_nsec - stamp.changed.tv_nsec);
  long long modifiedAge =
      (long long)(now.tv_sec - stamp.modified.tv_sec) * 1000000000LL + (now.tv_nsec - stamp.modified.tv_nsec);
  return age < kCoarseClockNanoseconds || modifiedAge < kCoarseClockNanoseconds;
}

void Rebuild(const std::string& folder, const FolderStamp& stamp, FolderIndex& index) {
  index.names.clear();
  index.stamp = stamp;
  index.trusted = !ChangedRecently(stamp);
  DIR* directory = opendir(folder.c_str());
  if (!directory) {
    index.stamp.valid = false;
    return;
  }
  while (struct dirent* entry = readdir(directory)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    index.names.emplace(KeyOfName(name), name);
  }
  closedir(directory);
}

}  // namespace

FolderStamp StampOf(const std::string& folder) {
  FolderStamp stamp;
  struct stat info;
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return stamp;
  stamp.valid = true;
  stamp.inode = info.st_ino;
  stamp.size = info.st_size;
  stamp.links = info.st_nlink;
  stamp.modified = info.st_mtim;
  stamp.changed = info.st_ctim;
  return stamp;
}

std::string FindEntry(const std::string& folder, const std::string& ansiName) {
  FolderStamp stamp = StampOf(folder);
  if (!stamp.valid) return "";
  FolderIndex& index = Indexes()[folder];
  if (!index.trusted || !SameStamp(index.stamp, stamp)) Rebuild(folder, stamp, index);
  auto found = index.names.find(UpperCp1252(ansiName));
  return found == index.names.end() ? "" : found->second;
}

void NoteFolderChange(const std::string& folder, const FolderStamp& before, const std::string& nameOnDisk, bool added) {
  auto found = Indexes().find(folder);
  if (found == Indexes().end()) return;
  FolderIndex& index = found->second;
  if (!SameStamp(index.stamp, before)) {
    Indexes().erase(found);  // something else changed it too: read it again when needed
    return;
  }
  if (added) {
    index.names.emplace(KeyOfName(nameOnDisk), nameOnDisk);
  } else {
    index.names.erase(KeyOfName(nameOnDisk));
  }
  index.stamp = StampOf(folder);
  index.trusted = true;
}

void ForgetFolderIndexes() { Indexes().clear(); }

void ForgetFolderIndex(const std::string& folder) {
  std::string prefix = folder + "/";
  for (auto it = Indexes().begin(); it != Indexes().end();) {
    if (it->first == folder || it->first.compare(0, prefix.size(), prefix) == 0)
      it = Indexes().erase(it);
    else
      ++it;
  }
}

}  // namespace core
}  // namespace world
