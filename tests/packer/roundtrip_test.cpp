// A package made by velmora-pack reads back through the setup program's own reader.
#include <gtest/gtest.h>
#include <zlib.h>

#include <map>
#include <sstream>

#include "common/common.h"
#include "pack.h"
#include "payload/package.h"
#include "product_folder.h"
#include "support/world_fixture.h"

namespace {

struct SourceFile {
  std::string bytes;
  uint64_t time;
};

class PackerRoundTripTest : public WorldTest {};

TEST_F(PackerRoundTripTest, EveryEntryReadsBackWithItsNameSizeTimeAndBytes) {
  const std::string folder = FreshFolder();
  const std::string product = folder + "/product";
  std::map<std::string, SourceFile> expected = {
      {"Velmora.exe", {NoiseBytes(3001, 1), FileTimeOf(1600000000, 500)}},
      {"Uninstall.exe", {NoiseBytes(4, 2), FileTimeOf(1000000000, 0)}},
      {"help\\guide.txt", {std::string(5000, 'g') + "end", FileTimeOf(1700000000, 999999900)}},
      {"help\\de\\Anleitung f\xFCr Sie.txt", {"abc", FileTimeOf(1234567890, 0)}},
      {"x.y", {"1234567", FileTimeOf(0, 0)}},
  };
  for (const auto& [name, file] : expected) {
    std::string linuxPath = name;
    for (char& c : linuxPath)
      if (c == '\\') c = '/';
    linuxPath = pack::Cp1252ToUtf8(linuxPath);
    const uint64_t ticks = file.time - 116444736000000000ull;
    WriteFile(product + "/" + linuxPath, file.bytes, static_cast<int64_t>(ticks / 10000000),
              static_cast<long>(ticks % 10000000) * 100);
  }
  WriteFile(folder + "/license.txt", "You may\nuse it.\n");
  WriteFile(folder + "/extra.src", std::string("DRL\x00\x01", 5), 0, 0);
  std::ostringstream out, err;
  ASSERT_EQ(0, pack::Run({"--product", product, "--license", folder + "/license.txt", "--extra",
                          folder + "/extra.src", "--out", folder + "/out"},
                         out, err))
      << err.str();

  world::SetDataResource(110, ReadFile(folder + "/out/package.bin"));
  world::SetDataResource(107, ReadFile(folder + "/out/agreement.bin"));
  world::SetDataResource(1, ReadFile(folder + "/out/extra.bin"));
  ResetRunState();

  PackageView view;
  ASSERT_EQ(1, OpenPackage(&view));
  PackageEntry entry;
  std::vector<std::string> seen;
  while (NextEntry(&view, &entry)) {
    seen.push_back(entry.name);
    auto found = expected.find(entry.name);
    ASSERT_NE(expected.end(), found) << entry.name;
    EXPECT_EQ(found->second.bytes.size(), entry.size) << entry.name;
    FILETIME time;
    memcpy(&time, entry.time, sizeof time);
    EXPECT_EQ(found->second.time, (uint64_t)time.dwHighDateTime << 32 | time.dwLowDateTime) << entry.name;
    std::string bytes;
    if (entry.storedSize > 0 && entry.storedSize < entry.size) {
      bytes.assign(entry.size, '\0');
      DWORD produced = 0;
      EXPECT_EQ(Z_OK, Decompress(&bytes[0], entry.size, entry.data, entry.storedSize, &produced));
      EXPECT_EQ(entry.size, produced);
    } else {
      bytes.assign(reinterpret_cast<const char*>(entry.data), entry.size);
    }
    EXPECT_EQ(found->second.bytes, bytes) << entry.name;
  }
  ClosePackage(&view);
  EXPECT_EQ((std::vector<std::string>{"Uninstall.exe", "Velmora.exe", "help\\de\\Anleitung f\xFCr Sie.txt",
                                      "help\\guide.txt", "x.y"}),
            seen);

  char* text = LoadAgreementText();
  ASSERT_NE(nullptr, text);
  EXPECT_STREQ("You may\r\nuse it.\r\n", text);
  free(text);

  const unsigned char* extra = nullptr;
  DWORD count = 0;
  ASSERT_EQ(1, OpenExtraFile(&extra, &count));
  EXPECT_EQ(std::string("DRL\x00\x01", 5), std::string(reinterpret_cast<const char*>(extra), count));
}

}  // namespace
