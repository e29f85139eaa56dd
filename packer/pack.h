// velmora-pack: builds the setup program's data resources from a product folder and a
// license text, and reads a package back. Standard C++ and zlib only.
#ifndef VELMORA_PACKER_PACK_H
#define VELMORA_PACKER_PACK_H

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace pack {

// Largest file (and license text) the setup program's reader accepts.
constexpr uint64_t kMaxFileSize = 256ull * 1024 * 1024;
// Longest name: it must still fit a 259-character path under the shortest folder ("C:\").
constexpr size_t kMaxNameLength = 256;
// FILETIME of 1970-01-01 00:00:00 UTC.
constexpr int64_t kUnixEpochAsFileTime = 116444736000000000ll;

struct InputFile {
  std::string name;   // package name: code page 1252, backslash-separated
  std::string bytes;  // contents as installed
  uint64_t time = 0;  // FILETIME: 100 ns since 1601-01-01 UTC
};

struct Entry {
  std::string name;
  uint32_t size = 0;
  uint32_t storedSize = 0;
  uint64_t time = 0;
  std::string bytes;  // decoded contents
};

// UTF-8 to code page 1252; false when the text is not UTF-8 or has a character 1252 lacks.
bool Utf8ToCp1252(const std::string& utf8, std::string* out);
std::string Cp1252ToUtf8(const std::string& ansi);
// Every line break (LF, CR or CRLF) becomes CRLF.
std::string ToCrlf(const std::string& text);

// Checks one relative path (UTF-8, '/' or '\' separated) and gives its package name; false
// and a reason when the format or Windows cannot carry it.
bool PackageName(const std::string& relativePath, std::string* name, std::string* reason);

// The files to pack: every regular file below productDir in byte order of their package
// names, or the manifest's paths (one per line) in its order. False and a message naming the
// offending file when an input is missing or cannot be carried.
bool CollectProduct(const std::string& productDir, const std::string& manifestPath,
                    std::vector<InputFile>* files, std::string* error);

// The three resource layouts. Each is the same bytes for the same input.
std::string EncodePackedText(const std::string& text);
std::string EncodePackage(const std::vector<InputFile>& files);

// Reads a package back, checking every size and decoding every entry; false and a reason
// when it is damaged.
bool DecodePackage(const std::string& package, std::vector<Entry>* entries, std::string* error);
// Reads a PackedText back; false when damaged.
bool DecodePackedText(const std::string& packed, std::string* text, std::string* error);

// FILETIME as "YYYY-MM-DD hh:mm:ss UTC".
std::string FormatFileTime(uint64_t fileTime);

// The command: "--product DIR --license FILE [--extra FILE] [--order MANIFEST] --out DIR" or
// "list PACKAGE". Returns the exit status: 0 done, 2 refused input or damaged package,
// 1 an output that could not be written.
int Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace pack

#endif
