// A throw-away product folder on the Linux side, for packing.
#ifndef VELMORA_TESTS_PACKER_PRODUCT_FOLDER_H
#define VELMORA_TESTS_PACKER_PRODUCT_FOLDER_H

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

// A folder of its own per test, emptied first.
inline std::string FreshFolder() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "-" + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  const std::string folder = ::testing::TempDir() + "velmora-pack-" + name + "-" + std::to_string(getpid());
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

// Writes bytes to path (parent folders created) and sets its modification time.
inline void WriteFile(const std::string& path, const std::string& bytes, int64_t unixSeconds = 1700000000,
                      long nanoseconds = 123456700) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = unixSeconds;
  times[0].tv_nsec = times[1].tv_nsec = nanoseconds;
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// Bytes that deflate cannot shrink.
inline std::string NoiseBytes(size_t count, uint32_t seed) {
  std::string bytes(count, '\0');
  for (char& c : bytes) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 23);
  }
  return bytes;
}

// The FILETIME of a Unix time.
inline uint64_t FileTimeOf(int64_t unixSeconds, long nanoseconds) {
  return static_cast<uint64_t>(116444736000000000ll + unixSeconds * 10000000 + nanoseconds / 100);
}

#endif
