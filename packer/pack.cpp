// velmora-pack: the writer and the checking reader of the setup program's data resources.
#include "pack.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace pack {
namespace {

// Unicode code points of the code page 1252 bytes 0x80-0x9F; 0 where the code page has none.
const uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The next code point of strict UTF-8 at text[*at]; false on a malformed sequence.
bool NextCodePoint(const std::string& text, size_t* at, uint32_t* codePoint) {
  const unsigned char first = static_cast<unsigned char>(text[*at]);
  int extra;
  uint32_t value;
  uint32_t minimum;
  if (first < 0x80) {
    *codePoint = first;
    ++*at;
    return true;
  } else if ((first & 0xE0) == 0xC0) {
    extra = 1, value = first & 0x1F, minimum = 0x80;
  } else if ((first & 0xF0) == 0xE0) {
    extra = 2, value = first & 0x0F, minimum = 0x800;
  } else if ((first & 0xF8) == 0xF0) {
    extra = 3, value = first & 0x07, minimum = 0x10000;
  } else {
    return false;
  }
  if (*at + extra >= text.size()) return false;
  for (int i = 1; i <= extra; ++i) {
    const unsigned char next = static_cast<unsigned char>(text[*at + i]);
    if ((next & 0xC0) != 0x80) return false;
    value = value << 6 | (next & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  *codePoint = value;
  *at += extra + 1;
  return true;
}

bool CodePointToCp1252(uint32_t codePoint, char* byte) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    *byte = static_cast<char>(codePoint);
    return true;
  }
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] != 0 && kCp1252High[i] == codePoint) {
      *byte = static_cast<char>(0x80 + i);
      return true;
    }
  }
  return false;
}

void PutWord(std::string* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t GetWord(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

void PadTo4(std::string* out) {
  while (out->size() % 4 != 0) out->push_back('\0');
}

uint64_t Align4(uint64_t n) { return (n + 3) & ~uint64_t{3}; }

// zlib stream of data at the strongest level: the same bytes for the same input.
std::string Compress(const std::string& data) {
  uLongf capacity = compressBound(static_cast<uLong>(data.size()));
  std::string out(capacity, '\0');
  if (compress2(reinterpret_cast<Bytef*>(&out[0]), &capacity,
                reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                Z_BEST_COMPRESSION) != Z_OK)
    return std::string();
  out.resize(capacity);
  return out;
}

// One inflate (zlib or gzip header) that must end its stream with exactly `size` bytes.
bool InflateExactly(const char* src, size_t srcSize, uint32_t size, std::string* out) {
  out->assign(size + 1, '\0');  // one spare byte shows a stream that decodes to more
  z_stream stream{};
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(src));
  stream.avail_in = static_cast<uInt>(srcSize);
  stream.next_out = reinterpret_cast<Bytef*>(&(*out)[0]);
  stream.avail_out = size + 1;
  if (inflateInit2(&stream, 15 + 32) != Z_OK) return false;
  const int status = inflate(&stream, Z_FINISH);
  const uLong produced = stream.total_out;
  inflateEnd(&stream);
  if (status != Z_STREAM_END || produced != size) return false;
  out->resize(size);
  return true;
}

// The decoded sizes the setup program believes: what deflate can make of the stored bytes.
bool PlausibleDecodedSize(uint64_t decoded, uint64_t stored) {
  return decoded <= kMaxFileSize && decoded <= stored * 1032;
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) return false;
  *bytes = content.str();
  return true;
}

// Writes through a temporary file so that a failed run leaves no half-written resource.
bool WriteWholeFile(const fs::path& path, const std::string& bytes, std::string* error) {
  const fs::path temporary = path.string() + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      *error = "cannot write " + temporary.string() + ": " + std::strerror(errno);
      std::error_code ignored;
      fs::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code code;
  fs::rename(temporary, path, code);
  if (code) {
    *error = "cannot write " + path.string() + ": " + code.message();
    fs::remove(temporary, code);
    return false;
  }
  return true;
}

// The file's modification time as a FILETIME.
bool ModificationTime(const std::string& path, uint64_t* fileTime) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return false;
  const int64_t ticks = kUnixEpochAsFileTime + static_cast<int64_t>(status.st_mtim.tv_sec) * 10000000 +
                        status.st_mtim.tv_nsec / 100;
  *fileTime = ticks < 0 ? 0 : static_cast<uint64_t>(ticks);
  return true;
}

// Upper case as Windows compares names (ASCII and the Latin-1 letters of 1252).
std::string FoldCase(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) {
    unsigned char u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)) c = static_cast<char>(u - 0x20);
    else if (u == 0x9A || u == 0x9C || u == 0x9E) c = static_cast<char>(u - 0x10);
    else if (u == 0xFF) c = static_cast<char>(0x9F);
  }
  return folded;
}

bool IsReservedDeviceName(const std::string& part) {
  std::string stem = FoldCase(part.substr(0, part.find('.')));
  static const char* const kNames[] = {"CON", "PRN", "AUX", "NUL"};
  for (const char* name : kNames)
    if (stem == name) return true;
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
         stem[3] >= '1' && stem[3] <= '9';
}

bool ReadInput(const std::string& path, const char* what, std::string* bytes, std::string* error) {
  std::error_code code;
  if (!fs::is_regular_file(path, code)) {
    *error = std::string("missing input: ") + what + " " + path + " is not a readable file";
    return false;
  }
  if (fs::file_size(path, code) > kMaxFileSize) {
    *error = std::string(what) + " " + path + " is larger than 256 MiB, more than the setup program reads";
    return false;
  }
  if (!ReadWholeFile(path, bytes)) {
    *error = std::string("cannot read ") + what + " " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool CheckedProductFile(const std::string& productDir, const std::string& relativePath,
                        InputFile* file, std::string* error) {
  const std::string path = (fs::path(productDir) / relativePath).string();
  std::string reason;
  if (!PackageName(relativePath, &file->name, &reason)) {
    *error = "cannot pack " + path + ": " + reason;
    return false;
  }
  if (!ReadInput(path, "product file", &file->bytes, error)) return false;
  if (file->bytes.empty()) {
    *error = "cannot pack " + path + ": the file is empty, and an empty file cannot be carried (a size of 0 ends the package directory)";
    return false;
  }
  if (!ModificationTime(path, &file->time)) {
    *error = "cannot read the time of " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

// The regular files below productDir, as '/'-separated relative paths.
bool ListProductFolder(const std::string& productDir, std::vector<std::string>* paths,
                       std::string* error) {
  std::error_code code;
  fs::recursive_directory_iterator it(productDir, code), end;
  for (; !code && it != end; it.increment(code)) {
    const fs::path& path = it->path();
    std::error_code statusCode;
    if (it->is_directory(statusCode)) continue;
    if (!it->is_regular_file(statusCode)) {
      *error = "cannot pack " + path.string() + ": not a regular file";
      return false;
    }
    paths->push_back(path.lexically_relative(productDir).generic_string());
  }
  if (code) {
    *error = "cannot list " + productDir + ": " + code.message();
    return false;
  }
  return true;
}

bool ReadManifest(const std::string& manifestPath, std::vector<std::string>* paths,
                  std::string* error) {
  std::string text;
  if (!ReadInput(manifestPath, "manifest", &text, error)) return false;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::replace(line.begin(), line.end(), '\\', '/');
    paths->push_back(line);
  }
  return true;
}

}  // namespace

bool Utf8ToCp1252(const std::string& utf8, std::string* out) {
  std::string converted;
  size_t at = 0;
  while (at < utf8.size()) {
    uint32_t codePoint;
    char byte;
    if (!NextCodePoint(utf8, &at, &codePoint) || !CodePointToCp1252(codePoint, &byte)) return false;
    converted.push_back(byte);
  }
  *out = converted;
  return true;
}

std::string Cp1252ToUtf8(const std::string& ansi) {
  std::string out;
  for (char c : ansi) {
    const unsigned char u = static_cast<unsigned char>(c);
    uint32_t codePoint = u;
    if (u >= 0x80 && u < 0xA0) codePoint = kCp1252High[u - 0x80] != 0 ? kCp1252High[u - 0x80] : 0xFFFD;
    if (codePoint < 0x80) {
      out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
      out.push_back(static_cast<char>(0xC0 | codePoint >> 6));
      out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | codePoint >> 12));
      out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
  }
  return out;
}

std::string ToCrlf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (text[i] == '\n') {
      out += "\r\n";
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

bool PackageName(const std::string& relativePath, std::string* name, std::string* reason) {
  std::string converted;
  if (!Utf8ToCp1252(relativePath, &converted)) {
    *reason = "the name is not representable in code page 1252";
    return false;
  }
  std::string packaged;
  size_t start = 0;
  for (;;) {
    const size_t slash = converted.find('/', start);
    const std::string part = converted.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (part.empty() || part == ".") {
      *reason = "the name has an empty or \".\" part";
      return false;
    }
    if (part == "..") {
      *reason = "the name has a \"..\" part";
      return false;
    }
    for (char c : part) {
      if (static_cast<unsigned char>(c) < 0x20 || std::strchr("<>:\"\\|?*", c) != nullptr) {
        *reason = "the name has a character Windows does not allow in file names";
        return false;
      }
    }
    if (part.back() == '.' || part.back() == ' ') {
      *reason = "a part of the name ends in a dot or a space, which Windows drops";
      return false;
    }
    if (IsReservedDeviceName(part)) {
      *reason = "a part of the name is a Windows device name";
      return false;
    }
    if (!packaged.empty()) packaged.push_back('\\');
    packaged += part;
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  if (packaged.size() > kMaxNameLength) {
    *reason = "the name is " + std::to_string(packaged.size()) +
              " characters long; no install path of at most 259 characters can hold more than " +
              std::to_string(kMaxNameLength);
    return false;
  }
  *name = packaged;
  return true;
}

bool CollectProduct(const std::string& productDir, const std::string& manifestPath,
                    std::vector<InputFile>* files, std::string* error) {
  std::error_code code;
  if (!fs::is_directory(productDir, code)) {
    *error = "missing input: product folder " + productDir + " is not a folder";
    return false;
  }
  std::vector<std::string> paths;
  if (manifestPath.empty() ? !ListProductFolder(productDir, &paths, error)
                           : !ReadManifest(manifestPath, &paths, error))
    return false;
  std::vector<InputFile> collected;
  for (const std::string& relativePath : paths) {
    InputFile file;
    if (!CheckedProductFile(productDir, relativePath, &file, error)) return false;
    collected.push_back(std::move(file));
  }
  if (manifestPath.empty()) {
    std::sort(collected.begin(), collected.end(),
              [](const InputFile& a, const InputFile& b) { return a.name < b.name; });
  }
  // Windows names are case-insensitive: two such files would overwrite each other.
  std::map<std::string, std::string> seen;
  for (const InputFile& file : collected) {
    auto inserted = seen.emplace(FoldCase(file.name), file.name);
    if (!inserted.second) {
      *error = "cannot pack " + Cp1252ToUtf8(file.name) + ": it names the same Windows file as " +
               Cp1252ToUtf8(inserted.first->second);
      return false;
    }
  }
  if (collected.empty()) {
    *error = "missing input: product folder " + productDir + " holds no files";
    return false;
  }
  *files = std::move(collected);
  return true;
}

std::string EncodePackedText(const std::string& text) {
  std::string out;
  const std::string compressed = text.empty() ? std::string() : Compress(text);
  if (!compressed.empty() && compressed.size() < text.size()) {
    PutWord(&out, static_cast<uint32_t>(text.size()));
    PutWord(&out, static_cast<uint32_t>(compressed.size()));
    out += compressed;
  } else {
    PutWord(&out, static_cast<uint32_t>(-static_cast<int64_t>(text.size())));
    out += text;
  }
  return out;
}

std::string EncodePackage(const std::vector<InputFile>& files) {
  std::string directory;
  std::string data;
  for (const InputFile& file : files) {
    const std::string compressed = Compress(file.bytes);
    const bool useCompressed = !compressed.empty() && compressed.size() < file.bytes.size();
    const std::string& stored = useCompressed ? compressed : file.bytes;
    PutWord(&directory, static_cast<uint32_t>(file.bytes.size()));
    PutWord(&directory, static_cast<uint32_t>(stored.size()));
    PutWord(&directory, static_cast<uint32_t>(file.time & 0xFFFFFFFFu));
    PutWord(&directory, static_cast<uint32_t>(file.time >> 32));
    directory += file.name;
    directory.push_back('\0');
    PadTo4(&directory);
    data += stored;
    PadTo4(&data);
  }
  PutWord(&directory, 0);
  const std::string compressedDirectory = Compress(directory);
  std::string out;
  PutWord(&out, static_cast<uint32_t>(compressedDirectory.size()));
  PutWord(&out, static_cast<uint32_t>(directory.size()));
  out += compressedDirectory;
  PadTo4(&out);
  out += data;
  return out;
}

bool DecodePackage(const std::string& package, std::vector<Entry>* entries, std::string* error) {
  entries->clear();
  if (package.size() < 8) {
    *error = "shorter than its 8-byte header";
    return false;
  }
  const uint32_t storedSize = GetWord(package, 0);
  const uint32_t directorySize = GetWord(package, 4);
  if (8ull + storedSize > package.size()) {
    *error = "the directory's " + std::to_string(storedSize) + " stored bytes run past the end";
    return false;
  }
  if (directorySize < 4 || !PlausibleDecodedSize(directorySize, storedSize)) {
    *error = "a directory size of " + std::to_string(directorySize) + " bytes cannot come from " +
             std::to_string(storedSize) + " stored bytes";
    return false;
  }
  std::string directory;
  if (!InflateExactly(package.data() + 8, storedSize, directorySize, &directory)) {
    *error = "the directory does not decode to its stated " + std::to_string(directorySize) + " bytes";
    return false;
  }
  const uint64_t dataStart = 8 + Align4(storedSize);
  const uint64_t dataSize = dataStart > package.size() ? 0 : package.size() - dataStart;
  uint64_t entryAt = 0;
  uint64_t dataAt = 0;
  for (size_t index = 1;; ++index) {
    if (entryAt + 4 > directory.size()) {
      *error = "the directory has no end marker";
      return false;
    }
    Entry entry;
    entry.size = GetWord(directory, entryAt);
    if (entry.size == 0) break;
    const std::string label = "entry " + std::to_string(index);
    if (entryAt + 17 > directory.size()) {
      *error = label + " runs past the end of the directory";
      return false;
    }
    entry.storedSize = GetWord(directory, entryAt + 4);
    entry.time = GetWord(directory, entryAt + 8) | uint64_t{GetWord(directory, entryAt + 12)} << 32;
    const size_t nameEnd = directory.find('\0', entryAt + 16);
    if (nameEnd == std::string::npos) {
      *error = label + "'s name has no end within the directory";
      return false;
    }
    entry.name = directory.substr(entryAt + 16, nameEnd - (entryAt + 16));
    const std::string named = label + " (" + Cp1252ToUtf8(entry.name) + ")";
    const bool compressed = entry.storedSize > 0 && entry.storedSize < entry.size;
    const uint64_t occupied = compressed || entry.storedSize > entry.size ? entry.storedSize : entry.size;
    if (dataAt + occupied > dataSize) {
      *error = named + "'s data runs past the end of the package";
      return false;
    }
    const char* stored = package.data() + dataStart + dataAt;
    if (compressed) {
      if (!PlausibleDecodedSize(entry.size, entry.storedSize) ||
          !InflateExactly(stored, entry.storedSize, entry.size, &entry.bytes)) {
        *error = named + " does not decode to its stated " + std::to_string(entry.size) + " bytes";
        return false;
      }
    } else {
      entry.bytes.assign(stored, entry.size);
    }
    entries->push_back(std::move(entry));
    entryAt = Align4(nameEnd + 1);
    dataAt += Align4(entries->back().storedSize);
  }
  return true;
}

bool DecodePackedText(const std::string& packed, std::string* text, std::string* error) {
  if (packed.size() < 4) {
    *error = "shorter than its 4-byte length";
    return false;
  }
  const int64_t length = static_cast<int32_t>(GetWord(packed, 0));
  if (length <= 0) {
    if (static_cast<uint64_t>(-length) > packed.size() - 4) {
      *error = "the raw text runs past the end";
      return false;
    }
    *text = packed.substr(4, static_cast<size_t>(-length));
    return true;
  }
  if (packed.size() < 8) {
    *error = "shorter than its 8-byte header";
    return false;
  }
  const uint32_t storedSize = GetWord(packed, 4);
  if (8ull + storedSize > packed.size() || !PlausibleDecodedSize(length, storedSize) ||
      !InflateExactly(packed.data() + 8, storedSize, static_cast<uint32_t>(length), text)) {
    *error = "the text does not decode to its stated " + std::to_string(length) + " bytes";
    return false;
  }
  return true;
}

std::string FormatFileTime(uint64_t fileTime) {
  const int64_t seconds = static_cast<int64_t>(fileTime / 10000000) - kUnixEpochAsFileTime / 10000000;
  int64_t days = seconds / 86400;
  int64_t secondOfDay = seconds % 86400;
  if (secondOfDay < 0) secondOfDay += 86400, --days;
  // Civil date from days since 1970-01-01 (proleptic Gregorian).
  const int64_t shifted = days + 719468;
  const int64_t era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
  const int64_t dayOfEra = shifted - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  const int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  const int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  char text[96];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld UTC",
                static_cast<long long>(year), static_cast<long long>(month), static_cast<long long>(day),
                static_cast<long long>(secondOfDay / 3600), static_cast<long long>(secondOfDay / 60 % 60),
                static_cast<long long>(secondOfDay % 60));
  return text;
}

namespace {

const char kUsage[] =
    "usage: velmora-pack --product DIR --license FILE [--extra FILE] [--order MANIFEST] --out DIR\n"
    "       velmora-pack list PACKAGE\n";

int Refuse(std::ostream& err, const std::string& message) {
  err << "velmora-pack: " << message << "\n";
  return 2;
}

int ListPackage(const std::string& path, std::ostream& out, std::ostream& err) {
  std::string bytes;
  std::error_code code;
  if (!fs::is_regular_file(path, code) || !ReadWholeFile(path, &bytes))
    return Refuse(err, "missing input: package " + path + " is not a readable file");
  std::vector<Entry> entries;
  std::string reason;
  if (!DecodePackage(bytes, &entries, &reason))
    return Refuse(err, path + ": damaged package: " + reason);
  out << "name\tsize\tstored\ttime\n";
  for (const Entry& entry : entries)
    out << Cp1252ToUtf8(entry.name) << '\t' << entry.size << '\t' << entry.storedSize << '\t'
        << FormatFileTime(entry.time) << '\n';
  out << entries.size() << (entries.size() == 1 ? " file\n" : " files\n");
  return 0;
}

// The license as the setup program shows it: code page 1252 with CRLF line ends. UTF-8 text
// (with or without a byte-order mark) is converted; other text is taken as 1252 already.
bool LicenseText(const std::string& path, std::string* text, std::string* error) {
  std::string bytes;
  if (!ReadInput(path, "license", &bytes, error)) return false;
  bool hadMark = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
  if (hadMark) bytes.erase(0, 3);
  std::string converted;
  if (Utf8ToCp1252(bytes, &converted)) {
    bytes = converted;
  } else {
    size_t at = 0;
    uint32_t codePoint;
    bool validUtf8 = true;
    while (at < bytes.size() && validUtf8) validUtf8 = NextCodePoint(bytes, &at, &codePoint);
    if (validUtf8) {
      *error = "cannot pack license " + path + ": it has characters code page 1252 lacks";
      return false;
    }
    if (hadMark) {
      *error = "cannot pack license " + path + ": it starts like UTF-8 but is not valid UTF-8";
      return false;
    }
  }
  *text = ToCrlf(bytes);
  if (text->size() > kMaxFileSize) {
    *error = "license " + path + " is larger than 256 MiB";
    return false;
  }
  return true;
}

}  // namespace

int Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  if (!arguments.empty() && arguments[0] == "list") {
    if (arguments.size() != 2) return Refuse(err, std::string("list takes one package\n") + kUsage);
    return ListPackage(arguments[1], out, err);
  }
  std::map<std::string, std::string> options;
  for (size_t i = 0; i < arguments.size(); i += 2) {
    const std::string& option = arguments[i];
    if (option != "--product" && option != "--license" && option != "--extra" &&
        option != "--order" && option != "--out")
      return Refuse(err, "unknown argument " + option + "\n" + kUsage);
    if (i + 1 >= arguments.size()) return Refuse(err, option + " needs a value\n" + kUsage);
    options[option] = arguments[i + 1];
  }
  for (const char* required : {"--product", "--license", "--out"})
    if (options.count(required) == 0) return Refuse(err, std::string(required) + " is missing\n" + kUsage);

  std::string error;
  std::string license;
  if (!LicenseText(options["--license"], &license, &error)) return Refuse(err, error);
  std::vector<InputFile> files;
  if (!CollectProduct(options["--product"], options.count("--order") ? options["--order"] : "", &files, &error))
    return Refuse(err, error);
  std::string extra;
  const bool hasExtra = options.count("--extra") != 0;
  if (hasExtra && !ReadInput(options["--extra"], "extra file", &extra, &error)) return Refuse(err, error);

  const std::string package = EncodePackage(files);
  if (package.size() > 0xFFFFFFF0u) return Refuse(err, "the package would be larger than 4 GiB");

  const fs::path outDir = options["--out"];
  std::error_code code;
  fs::create_directories(outDir, code);
  if (code) {
    err << "velmora-pack: cannot create " << outDir.string() << ": " << code.message() << "\n";
    return 1;
  }
  if (!WriteWholeFile(outDir / "agreement.bin", EncodePackedText(license), &error) ||
      !WriteWholeFile(outDir / "package.bin", package, &error) ||
      (hasExtra && !WriteWholeFile(outDir / "extra.bin", extra, &error))) {
    err << "velmora-pack: " << error << "\n";
    return 1;
  }
  // An extra.bin of an earlier run would otherwise be embedded as if it were asked for.
  if (!hasExtra) fs::remove(outDir / "extra.bin", code);
  out << "package.bin: " << files.size() << (files.size() == 1 ? " file, " : " files, ")
      << package.size() << " bytes\n";
  return 0;
}

}  // namespace pack
