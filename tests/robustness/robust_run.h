// A whole setup run in a fresh world, repeated many times within one test: each run gets
// its own machine, the product package, and a stall handler that records instead of failing,
// so a sweep can report which run stalled.
#ifndef VELMORA_TESTS_ROBUSTNESS_ROBUST_RUN_H
#define VELMORA_TESTS_ROBUSTNESS_ROBUST_RUN_H

#include <stdint.h>
#include <strings.h>

#include <string>
#include <vector>

#include "extract/package_builder.h"
#include "whole_program/setup_run.h"

// Small deterministic generator, so every failing case can be replayed from its seed.
struct Random {
  uint64_t state;
  explicit Random(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint32_t Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return (uint32_t)(state >> 11);
  }
  uint32_t Below(uint32_t bound) { return bound == 0 ? 0 : Next() % bound; }
};

inline std::string Repeated(const std::string& text, size_t count) {
  std::string out;
  while (out.size() < count) out += text;
  out.resize(count);
  return out;
}

// The product: raw files, one compressed file in a sub-folder, and the extra file.
inline std::vector<fixture::PackagedFile> ProductFiles() {
  const uint64_t time = 0x01D9000000000000ull;
  std::vector<fixture::PackagedFile> files(4);
  files[0] = {"Velmora.exe", "MZ product body", time, fixture::Storage::Raw, ""};
  files[1] = {"Uninstall.exe", "MZ uninstaller", time, fixture::Storage::Raw, ""};
  files[2] = {"Help\\Guide.txt", Repeated("How to draw a family tree. ", 600), time,
              fixture::Storage::Compressed, ""};
  files[3] = {"Help\\Samples\\Royal.vlm", "genogram sample", time, fixture::Storage::Raw, ""};
  return files;
}

const char kExtraFileBytes[] = "extra file resource bytes";

class RobustRun : public SetupRun {
 protected:
  // A new machine with the product package; the next Run starts from scratch there.
  void FreshWorld(const std::string& package = fixture::Package(ProductFiles())) {
    world::Create(root_);
    ASSERT_TRUE(world::LoadResourceFile(VELMORA_DIALOGS_RES));
    world::SetDataResource(107, MakeAgreement("Velmora license."));
    world::SetDataResource(110, package);
    world::SetDataResource(1, kExtraFileBytes);
    stalls_.clear();
    world::SetStallHandler([this](const std::string& what) { stalls_.push_back(what); });
  }

  // Message boxes shown that are none of the allowed texts.
  static std::vector<std::string> UnexpectedMessages(const std::vector<std::string>& allowed) {
    std::vector<std::string> unexpected;
    for (const std::string& line : world::Transcript()) {
      if (line.compare(0, 11, "message box") != 0) continue;
      bool known = false;
      for (const std::string& text : allowed) known = known || line.find(text) != std::string::npos;
      if (!known) unexpected.push_back(line);
    }
    return unexpected;
  }

  // "f" lines of the log that name a path outside every folder in `folders`.
  static std::vector<std::string> FileLinesOutside(const std::string& logFolder,
                                                   const std::vector<std::string>& folders) {
    std::vector<std::string> outside;
    for (const std::string& line : LogLines(logFolder)) {
      if (line.empty() || line[0] != 'f') continue;
      bool inside = false;
      for (const std::string& folder : folders) {
        const std::string prefix = folder + "\\";
        inside = inside || (line.size() > prefix.size() + 1 &&
                            strncasecmp(line.c_str() + 1, prefix.c_str(), prefix.size()) == 0 &&
                            line.find("..") == std::string::npos);
      }
      if (!inside) outside.push_back(line);
    }
    return outside;
  }

  static std::vector<std::string> ShortcutFolders() {
    return {world::SpecialFolder(CSIDL_COMMON_PROGRAMS), world::SpecialFolder(CSIDL_PROGRAMS),
            world::SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY),
            world::SpecialFolder(CSIDL_DESKTOPDIRECTORY)};
  }

  std::vector<std::string> stalls_;
};

#endif
