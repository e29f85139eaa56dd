// Damaged packages installed silently: bit flips, truncation, size fields set to extremes,
// names without their zero. The run never writes outside the install folder, and ends with
// 0 only when every file it installed holds what the package gives for it.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "robustness/robust_run.h"

namespace {

const char kFolder[] = "C:\\Program Files\\Velmora";

uint32_t Word(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= (uint32_t)(unsigned char)bytes[at + i] << (8 * i);
  return value;
}

void SetWord(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = (char)(value >> (8 * i));
}

// One-shot inflate of exactly `size` bytes (zlib or gzip); false unless the stream ends there.
bool Inflate(const std::string& stored, uint32_t size, std::string* out) {
  if (size > (64u << 20)) return false;
  out->assign(size, '\0');
  z_stream stream = {};
  if (inflateInit2(&stream, 15 + 32) != Z_OK) return false;
  stream.next_in = (Bytef*)stored.data();
  stream.avail_in = (uInt)stored.size();
  stream.next_out = (Bytef*)&(*out)[0];
  stream.avail_out = size;
  int status = inflate(&stream, Z_FINISH);
  bool good = status == Z_STREAM_END && stream.total_out == size;
  inflateEnd(&stream);
  return good;
}

// What the package format gives for each name, walking as a reader must: the entries up to
// the end marker or to the first one that runs past the directory or the resource. A name
// maps to its bytes, or to "" with `good` false when its data cannot be had.
struct Yielded {
  std::string bytes;
  bool good;
};
std::map<std::string, Yielded> Walk(const std::string& package) {
  std::map<std::string, Yielded> entries;
  if (package.size() < 8) return entries;
  uint32_t storedSize = Word(package, 0), directorySize = Word(package, 4);
  if (8ull + storedSize > package.size()) return entries;
  std::string directory;
  if (!Inflate(package.substr(8, storedSize), directorySize, &directory)) return entries;
  size_t dataStart = std::min<size_t>(package.size(), 8 + ((storedSize + 3ull) & ~3ull));
  std::string data = package.substr(dataStart);
  uint64_t at = 0, dataAt = 0;
  while (at + 4 <= directory.size()) {
    uint32_t size = Word(directory, at);
    if (size == 0 || at + 17 > directory.size()) break;
    uint32_t stored = Word(directory, at + 4);
    size_t nameEnd = directory.find('\0', at + 16);
    if (nameEnd == std::string::npos) break;
    std::string name = directory.substr(at + 16, nameEnd - (at + 16));
    bool compressed = stored > 0 && stored < size;
    uint64_t occupied = compressed || stored > size ? stored : size;
    if (dataAt + occupied > data.size()) break;
    Yielded yielded{"", false};
    if (compressed)
      yielded.good = Inflate(data.substr(dataAt, stored), size, &yielded.bytes);
    else
      yielded = {data.substr(dataAt, size), true};
    if (!entries.count(name)) entries[name] = yielded;
    at = (nameEnd + 1 + 3) & ~3ull;
    dataAt = std::min<uint64_t>(data.size(), dataAt + ((stored + 3ull) & ~3ull));
  }
  return entries;
}

// A package whose decoded directory is changed by `mutate` before it is compressed again.
template <typename Mutate>
std::string WithDirectory(Mutate mutate) {
  std::vector<std::string> stored;
  std::string directory = fixture::Directory(ProductFiles(), &stored);
  mutate(directory);
  std::string packed = fixture::Deflate(directory);
  std::string out;
  fixture::PutWord(out, (uint32_t)packed.size());
  fixture::PutWord(out, (uint32_t)directory.size());
  out += packed;
  fixture::Align4(out);
  for (const std::string& bytes : stored) {
    out += bytes;
    fixture::Align4(out);
  }
  return out;
}

// Offsets of the entries in the decoded directory of the product.
std::vector<size_t> EntryOffsets() {
  std::vector<std::string> stored;
  std::string directory = fixture::Directory(ProductFiles(), &stored);
  std::vector<size_t> offsets;
  size_t at = 0;
  while (Word(directory, at) != 0) {
    offsets.push_back(at);
    at = (directory.find('\0', at + 16) + 1 + 3) & ~(size_t)3;
  }
  return offsets;
}

struct Damage {
  std::string what;
  std::string package;
};

std::vector<Damage> Damages() {
  std::vector<Damage> damages;
  const std::string good = fixture::Package(ProductFiles());
  for (uint32_t seed = 1; seed <= 150; ++seed) {
    Random random(seed);
    std::string bytes = good;
    int flips = 1 + (int)random.Below(3);
    for (int i = 0; i < flips; ++i) bytes[random.Below((uint32_t)bytes.size())] ^= (char)(1 << random.Below(8));
    damages.push_back({"bit flips, seed " + std::to_string(seed), bytes});
  }
  for (size_t length = 0; length < good.size(); length += 4)
    damages.push_back({"cut to " + std::to_string(length) + " bytes", good.substr(0, length)});
  const uint32_t extremes[] = {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0x10000000u, 4096u};
  for (uint32_t value : extremes)
    for (size_t field : {0, 4}) {
      std::string bytes = good;
      SetWord(bytes, field, value);
      damages.push_back({"header word " + std::to_string(field) + " = " + std::to_string(value), bytes});
    }
  std::vector<size_t> offsets = EntryOffsets();
  for (size_t e = 0; e < offsets.size(); ++e) {
    const size_t entry = offsets[e];
    const std::string which = "entry " + std::to_string(e);
    for (uint32_t value : extremes)
      for (size_t field : {0, 4}) {
        damages.push_back({which + (field ? " stored size = " : " size = ") + std::to_string(value),
                           WithDirectory([&](std::string& d) { SetWord(d, entry + field, value); })});
      }
    damages.push_back({which + " stored size above size", WithDirectory([&](std::string& d) {
                         SetWord(d, entry + 4, Word(d, entry) + 5);
                       })});
    damages.push_back({which + " size one above stored", WithDirectory([&](std::string& d) {
                         SetWord(d, entry, Word(d, entry + 4) + 1);
                       })});
    damages.push_back({which + " name without zero", WithDirectory([&](std::string& d) {
                         for (size_t i = entry + 16; i < d.size(); ++i) d[i] = 'N';
                       })});
    damages.push_back({which + " name runs into the next entry", WithDirectory([&](std::string& d) {
                         size_t zero = d.find('\0', entry + 16);
                         while (zero < d.size() && zero % 4 != 0) d[zero++] = 'n';
                       })});
    for (const char* name : {"..\\..\\Windows\\evil.dll", "C:\\evil.dll", "\\evil.dll", "a\\..\\..\\evil.dll",
                             "D:evil.dll", "\\\\server\\share\\evil.dll", "...\\evil.dll", "Help\\ \\x"}) {
      std::vector<fixture::PackagedFile> files = ProductFiles();
      files[e].name = name;
      damages.push_back({which + " named " + name, fixture::Package(files)});
    }
  }
  return damages;
}

class DamagedPackage : public RobustRun {};

TEST_F(DamagedPackage, NeverWritesOutsideAndNeverReportsWrongFilesAsSuccess) {
  const std::string folder = kFolder;
  for (const Damage& damage : Damages()) {
    FreshWorld(damage.package);
    world::AddShare("server", "share");
    std::vector<std::string> before = world::ListTree("C:\\"), beforeD = world::ListTree("D:\\");
    world::Answer("Unable to create shortcut to ", IDOK);  // not expected, but allowed
    int exitCode = Run({"/USilent"});
    const std::string& what = damage.what;
    EXPECT_EQ(std::vector<std::string>{}, stalls_) << what;

    // Nothing new on any drive or share except the install folder and the shortcuts.
    std::vector<std::string> shortcutFolders = ShortcutFolders();
    for (const std::string& path : world::ListTree("C:\\")) {
      if (std::find(before.begin(), before.end(), path) != before.end()) continue;
      bool allowed = path == folder || path.compare(0, folder.size() + 1, folder + "\\") == 0 ||
                     path == "C:\\Program Files";
      for (const std::string& shortcuts : shortcutFolders) allowed = allowed || path == shortcuts + "\\Velmora.lnk";
      EXPECT_TRUE(allowed) << what << ": wrote " << path;
    }
    EXPECT_EQ(beforeD, world::ListTree("D:\\")) << what;
    EXPECT_EQ(std::vector<std::string>{}, world::ListTree("\\\\server\\share")) << what;

    std::map<std::string, Yielded> yielded = Walk(damage.package);
    std::vector<std::string> logged;
    for (const std::string& line : LogLines(folder))
      if (!line.empty() && line[0] == 'f' && line.compare(1, folder.size() + 1, folder + "\\") == 0)
        logged.push_back(line.substr(folder.size() + 2));
    if (exitCode == 0) {
      for (const std::string& name : logged) {
        auto entry = yielded.find(name);
        ASSERT_NE(yielded.end(), entry) << what << ": logged " << name << " that the package does not hold";
        EXPECT_TRUE(entry->second.good) << what << ": " << name;
        EXPECT_EQ(entry->second.bytes, world::FileBytes(folder + "\\" + name)) << what << ": " << name;
      }
      EXPECT_EQ(kExtraFileBytes, world::FileBytes(folder + "\\Velmora.drl")) << what;
    }
    if (HasFailure()) {
      ADD_FAILURE() << TranscriptText();
      break;
    }
  }
}

}  // namespace
