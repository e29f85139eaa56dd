// Drives the whole setup program as a user would: a world with a small product package,
// WinMain called with a Windows argument vector, and helpers to read what the user saw.
#ifndef VELMORA_TESTS_WHOLE_PROGRAM_SETUP_RUN_H
#define VELMORA_TESTS_WHOLE_PROGRAM_SETUP_RUN_H

#include <stdint.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "common/common.h"
#include "support/world_fixture.h"
#include "system/registry.h"

struct PackedFile {
  std::string name;
  std::string bytes;
  uint64_t time;
};

inline void PutLittleEndian(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += (char)((value >> (8 * i)) & 0xFF);
}

inline void PadToFour(std::string& out) {
  while (out.size() % 4 != 0) out += '\0';
}

// A package resource with every file stored raw and the directory compressed.
inline std::string MakePackage(const std::vector<PackedFile>& files) {
  std::string directory, data;
  for (const PackedFile& file : files) {
    PutLittleEndian(directory, file.bytes.size(), 4);
    PutLittleEndian(directory, file.bytes.size(), 4);
    PutLittleEndian(directory, file.time, 8);
    directory += file.name;
    directory += '\0';
    PadToFour(directory);
    data += file.bytes;
    PadToFour(data);
  }
  PutLittleEndian(directory, 0, 4);
  uLongf compressedSize = compressBound(directory.size());
  std::string compressed(compressedSize, '\0');
  compress2((Bytef*)&compressed[0], &compressedSize, (const Bytef*)directory.data(),
            directory.size(), 9);
  compressed.resize(compressedSize);
  std::string package;
  PutLittleEndian(package, compressed.size(), 4);
  PutLittleEndian(package, directory.size(), 4);
  package += compressed;
  PadToFour(package);
  return package + data;
}

// An agreement text stored raw.
inline std::string MakeAgreement(const std::string& text) {
  std::string packed;
  PutLittleEndian(packed, (uint32_t)(-(int32_t)text.size()), 4);
  return packed + text;
}

class SetupRun : public WorldTest {
 protected:
  static constexpr uint64_t kFileTime = 0x01D9000000000000ull;

  void SetUp() override {
    WorldTest::SetUp();
    world::SetDataResource(107, MakeAgreement("Velmora license.\r\nUse it well."));
    world::SetDataResource(110, MakePackage({{"Velmora.exe", "MZ product", kFileTime},
                                             {"Uninstall.exe", "MZ uninstaller", kFileTime},
                                             {"Help\\Guide.txt", "How to draw a tree.", kFileTime}}));
    world::RemoveDataResource(1);
    // A run that waits for a user action the test did not script fails this test alone.
    world::SetStallHandler([](const std::string& what) {
      ADD_FAILURE() << "the program stalled: " << what << "\n" << TranscriptText();
    });
  }

  // Runs the program with these options, as the run-time would start it.
  int Run(const std::vector<std::string>& options = {}) {
    ResetRunState();
    arguments_.assign(1, "VelmoraSetup.exe");
    arguments_.insert(arguments_.end(), options.begin(), options.end());
    argv_.clear();
    for (std::string& argument : arguments_) argv_.push_back(&argument[0]);
    argv_.push_back(NULL);
    __argc = (int)arguments_.size();
    __argv = argv_.data();
    static char commandLine[] = "";
    return WinMain(GetModuleHandleA(NULL), NULL, commandLine, SW_SHOWNORMAL);
  }

  static std::string DefaultFolder() {
    return world::SpecialFolder(CSIDL_PROGRAM_FILES) + "\\Velmora";
  }
  static std::string DocumentsFolder() { return world::SpecialFolder(CSIDL_PERSONAL) + "\\Velmora"; }

  // Transcript lines that contain `text`.
  static int Saw(const std::string& text) {
    int count = 0;
    for (const std::string& line : world::Transcript())
      if (line.find(text) != std::string::npos) ++count;
    return count;
  }
  static int MessageBoxes() { return Saw("message box"); }
  static std::string TranscriptText() {
    std::string all;
    for (const std::string& line : world::Transcript()) all += line + "\n";
    return all;
  }

  static std::string VendorString(const std::string& name) {
    world::RegistryValue value = world::ReadValue(HKEY_LOCAL_MACHINE, VENDOR_KEY, name);
    return value.present ? std::string(value.data.c_str()) : "<absent>";
  }
  static void StoreVendorString(const std::string& name, const std::string& text) {
    world::WriteValue(HKEY_LOCAL_MACHINE, VENDOR_KEY, name, REG_SZ, text + '\0');
  }

  // The lines of an install log, line ends dropped.
  static std::vector<std::string> LogLines(const std::string& folder) {
    std::vector<std::string> lines;
    std::string bytes = world::FileBytes(folder + "\\Uninstall.cfg");
    size_t start = 0;
    while (start < bytes.size()) {
      size_t end = bytes.find("\r\n", start);
      if (end == std::string::npos) end = bytes.size();
      lines.push_back(bytes.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }

  static std::string Link(int csidl) { return world::SpecialFolder(csidl) + "\\Velmora.lnk"; }

  std::vector<std::string> arguments_;
  std::vector<char*> argv_;
};

#endif
