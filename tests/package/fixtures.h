// Hand-made packed resources: zlib and gzip streams, PackedText and FilePackage bytes.
#ifndef VELMORA_TESTS_PACKAGE_FIXTURES_H
#define VELMORA_TESTS_PACKAGE_FIXTURES_H

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

// windowBits 15: zlib wrapper; 31: gzip wrapper.
inline std::string Deflated(const std::string& data, int windowBits = 15,
                            const std::string& dictionary = "") {
  z_stream stream{};
  deflateInit2(&stream, 9, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
  if (!dictionary.empty())
    deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(dictionary.data()),
                         static_cast<uInt>(dictionary.size()));
  std::string out(deflateBound(&stream, data.size()) + 32, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

inline std::string Word(uint32_t value) {
  return std::string{static_cast<char>(value), static_cast<char>(value >> 8),
                     static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
}

inline void Pad4(std::string* bytes) {
  while (bytes->size() % 4) bytes->push_back('\0');
}

struct FixtureEntry {
  uint32_t size;
  uint32_t storedSize;
  uint64_t time;
  std::string name;    // written with its zero and padding unless rawName is set
  std::string stored;  // the bytes placed in the data area (padded to 4)
};

// The decoded directory of the entries, closed by the zero marker.
inline std::string DirectoryOf(const std::vector<FixtureEntry>& entries) {
  std::string directory;
  for (const FixtureEntry& entry : entries) {
    directory += Word(entry.size) + Word(entry.storedSize) + Word(static_cast<uint32_t>(entry.time)) +
                 Word(static_cast<uint32_t>(entry.time >> 32)) + entry.name + '\0';
    Pad4(&directory);
  }
  return directory + Word(0);
}

inline std::string DataOf(const std::vector<FixtureEntry>& entries) {
  std::string data;
  for (const FixtureEntry& entry : entries) {
    data += entry.stored;
    Pad4(&data);
  }
  return data;
}

// A FilePackage around a decoded directory and a data area.
inline std::string PackageOf(const std::string& directory, const std::string& data,
                             int64_t statedDirectorySize = -1) {
  const std::string packed = Deflated(directory);
  std::string out = Word(static_cast<uint32_t>(packed.size())) +
                    Word(statedDirectorySize < 0 ? static_cast<uint32_t>(directory.size())
                                                 : static_cast<uint32_t>(statedDirectorySize)) +
                    packed;
  Pad4(&out);
  return out + data;
}

inline std::string PackageOf(const std::vector<FixtureEntry>& entries) {
  return PackageOf(DirectoryOf(entries), DataOf(entries));
}

#endif
