// Builds the bytes of a file package resource for tests and the benchmark: a zlib-compressed
// directory of entries and the data area, each entry's bytes on a multiple of 4.
#ifndef VELMORA_TESTS_EXTRACT_PACKAGE_BUILDER_H
#define VELMORA_TESTS_EXTRACT_PACKAGE_BUILDER_H

#include <stdint.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace fixture {

enum class Storage { Smallest, Raw, Compressed, Gzip };

struct PackagedFile {
  std::string name;
  std::string bytes;
  uint64_t time = 0;
  Storage storage = Storage::Smallest;
  // Stored bytes that replace the encoded data (for damaged entries); empty: none.
  std::string storedOverride;
};

inline std::string Deflate(const std::string& bytes, bool gzip = false, int level = 6) {
  z_stream stream = {};
  deflateInit2(&stream, level, Z_DEFLATED, gzip ? 15 + 16 : 15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, bytes.size()) + 32, '\0');
  stream.next_in = (Bytef*)bytes.data();
  stream.avail_in = (uInt)bytes.size();
  stream.next_out = (Bytef*)&out[0];
  stream.avail_out = (uInt)out.size();
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

inline void PutWord(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; i++) out.push_back((char)(value >> (8 * i)));
}

inline void Align4(std::string& out) {
  while (out.size() % 4 != 0) out.push_back('\0');
}

// The stored bytes of a file, and whether they are its zlib stream.
inline std::string StoredBytes(const PackagedFile& file) {
  if (!file.storedOverride.empty()) return file.storedOverride;
  if (file.storage == Storage::Raw) return file.bytes;
  std::string packed = Deflate(file.bytes, file.storage == Storage::Gzip);
  if (file.storage == Storage::Smallest && packed.size() >= file.bytes.size()) return file.bytes;
  return packed;
}

// The decoded directory; `stored` gets every entry's stored bytes.
inline std::string Directory(const std::vector<PackagedFile>& files, std::vector<std::string>* stored) {
  std::string directory;
  for (const PackagedFile& file : files) {
    std::string bytes = StoredBytes(file);
    PutWord(directory, (uint32_t)file.bytes.size());
    PutWord(directory, (uint32_t)bytes.size());
    PutWord(directory, (uint32_t)file.time);
    PutWord(directory, (uint32_t)(file.time >> 32));
    directory += file.name;
    directory.push_back('\0');
    Align4(directory);
    stored->push_back(bytes);
  }
  PutWord(directory, 0);
  return directory;
}

inline std::string Package(const std::vector<PackagedFile>& files, bool damageDirectory = false) {
  std::vector<std::string> stored;
  std::string directory = Directory(files, &stored);
  std::string packed = Deflate(directory);
  if (damageDirectory) packed[packed.size() / 2] ^= 0x55, packed.resize(packed.size() - 2);
  std::string out;
  PutWord(out, (uint32_t)packed.size());
  PutWord(out, (uint32_t)directory.size());
  out += packed;
  Align4(out);
  for (const std::string& bytes : stored) {
    out += bytes;
    Align4(out);
  }
  return out;
}

}  // namespace fixture

#endif
