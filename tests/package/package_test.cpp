// Walking the file package of resource 110, and the extra file of resource 1.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/common.h"
#include "fixtures.h"
#include "payload/package.h"
#include "support/world_fixture.h"

namespace {

struct Walked {
  std::string name;
  uint32_t size;
  uint32_t storedSize;
  uint64_t time;
  std::string stored;  // the bytes the entry points at: storedSize, or size when raw
};

class PackageTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    ResetRunState();
  }
  // Opens resource 110 and walks it to its end; opened is false when OpenPackage refused.
  std::vector<Walked> Walk(const std::string& resource, bool* opened = nullptr) {
    world::SetDataResource(110, resource);
    std::vector<Walked> walked;
    PackageView view;
    int open = OpenPackage(&view);
    if (opened) *opened = open != 0;
    if (!open) return walked;
    PackageEntry entry;
    while (NextEntry(&view, &entry)) {
      FILETIME time;
      memcpy(&time, entry.time, sizeof time);
      const bool compressed = entry.storedSize > 0 && entry.storedSize < entry.size;
      walked.push_back({entry.name, entry.size, entry.storedSize,
                        static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime,
                        std::string(reinterpret_cast<const char*>(entry.data),
                                    compressed ? entry.storedSize : entry.size)});
    }
    ClosePackage(&view);
    return walked;
  }
};

TEST_F(PackageTest, EntriesComeInOrderWithTheirFieldsAndData) {
  const std::string text(2000, 't');
  const std::string packed = Deflated(text);
  std::vector<FixtureEntry> entries = {
      {7, 7, 0x01D2C3B4A5968778ull, "Velmora.exe", "1234567"},     // stored size 7: next data at 8
      {2000, static_cast<uint32_t>(packed.size()), 42, "help\\guide.txt", packed},
      {4, 4, 0, "abc", "\x78\x9c\x01\x02"},  // 3-character name; raw bytes that look like zlib
      {1, 1, 9, "d.txt", "Z"},
  };
  std::vector<Walked> walked = Walk(PackageOf(entries));
  ASSERT_EQ(4u, walked.size());
  EXPECT_EQ("Velmora.exe", walked[0].name);
  EXPECT_EQ(0x01D2C3B4A5968778ull, walked[0].time);
  EXPECT_EQ("1234567", walked[0].stored);

  EXPECT_EQ("help\\guide.txt", walked[1].name);
  EXPECT_EQ(packed, walked[1].stored);
  std::string decoded(2000, '\0');
  DWORD produced = 0;
  EXPECT_EQ(Z_OK, Decompress(&decoded[0], 2000, walked[1].stored.data(), walked[1].storedSize, &produced));
  EXPECT_EQ(text, decoded);

  EXPECT_EQ("abc", walked[2].name);
  EXPECT_EQ(4u, walked[2].storedSize);
  EXPECT_EQ(std::string("\x78\x9c\x01\x02", 4), walked[2].stored) << "stored size = size: raw";

  EXPECT_EQ("d.txt", walked[3].name);
  EXPECT_EQ(9u, walked[3].time);
  EXPECT_EQ("Z", walked[3].stored);
}

TEST_F(PackageTest, AThreeCharacterNameNeedsNoPadding) {
  // Hand-laid directory: the second entry starts right after "abc\0".
  const std::string directory = Word(1) + Word(1) + Word(0) + Word(0) + std::string("abc\0", 4) +
                                Word(2) + Word(2) + Word(0) + Word(0) + std::string("xy\0\0", 4) + Word(0);
  std::vector<Walked> walked = Walk(PackageOf(directory, std::string("A\0\0\0BB\0\0", 8)));
  ASSERT_EQ(2u, walked.size());
  EXPECT_EQ("abc", walked[0].name);
  EXPECT_EQ("A", walked[0].stored);
  EXPECT_EQ("xy", walked[1].name);
  EXPECT_EQ("BB", walked[1].stored);
}

TEST_F(PackageTest, OnlyTheEndMarkerMeansNoFiles) {
  bool opened = false;
  EXPECT_TRUE(Walk(PackageOf(Word(0), ""), &opened).empty());
  EXPECT_TRUE(opened);
}

TEST_F(PackageTest, PackagesThatAreRefusedWhole) {
  const std::string directory = DirectoryOf({{1, 1, 0, "a", "A"}});
  const std::string packed = Deflated(directory);
  struct Case {
    const char* label;
    std::string resource;
  } cases[] = {
      {"shorter than its header", "\x08\x00\x00"},
      {"directory decodes short", PackageOf(directory, "A\0\0\0", directory.size() + 4)},
      {"directory decodes long", PackageOf(directory, "A\0\0\0", directory.size() - 4)},
      {"directory runs past the end", Word(static_cast<uint32_t>(packed.size() + 1)) +
                                          Word(static_cast<uint32_t>(directory.size())) + packed},
      // Gigabytes stated for a few stored bytes: refused before anything is allocated.
      {"directory size out of proportion", PackageOf(directory, "A\0\0\0", 0xF0000000u)},
      {"directory size zero", PackageOf(directory, "A\0\0\0", 0)},
      {"directory not a stream", Word(8) + Word(20) + "garbage!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    bool opened = true;
    EXPECT_TRUE(Walk(c.resource, &opened).empty());
    EXPECT_FALSE(opened);
  }
  world::RemoveDataResource(110);
  PackageView view;
  EXPECT_EQ(0, OpenPackage(&view));
  EXPECT_EQ(nullptr, view.directory);
}

std::string WithoutMarker(const std::string& directory) { return directory.substr(0, directory.size() - 4); }

TEST_F(PackageTest, AnEntryThatRunsPastItsBoundsEndsTheWalk) {
  const FixtureEntry good = {3, 3, 0, "good.txt", "abc"};
  const std::string zlib = Deflated(std::string(100, 'z'));
  struct Case {
    const char* label;
    std::string resource;
  } cases[] = {
      {"raw data past the resource", PackageOf(DirectoryOf({good, {50, 50, 0, "cut.bin", ""}}),
                                               DataOf({good}) + std::string(49, 'c'))},
      {"stored size past the resource",
       PackageOf(DirectoryOf({good, {10, 400, 0, "cut.bin", ""}}), DataOf({good}) + std::string(20, 'c'))},
      {"raw entry with stored size 0 past the resource",
       PackageOf(DirectoryOf({good, {30, 0, 0, "zero.bin", ""}}), DataOf({good}) + std::string(8, 'c'))},
      {"compressed size out of proportion",
       PackageOf(DirectoryOf({good, {0xFFFFFFF0u, static_cast<uint32_t>(zlib.size()), 0, "huge.bin", zlib}}),
                 DataOf({good, {0, 0, 0, "", zlib}}))},
      {"name without its zero",
       PackageOf(WithoutMarker(DirectoryOf({good})) + Word(1) + Word(1) + Word(0) + Word(0) + "nozero", "abc\0x")},
      {"entry cut inside its fields", PackageOf(WithoutMarker(DirectoryOf({good})) + Word(1) + Word(1), "abc\0x")},
      {"no end marker", PackageOf(WithoutMarker(DirectoryOf({good})), "abc\0")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<Walked> walked = Walk(c.resource);
    ASSERT_EQ(1u, walked.size());
    EXPECT_EQ("good.txt", walked[0].name);
    EXPECT_EQ("abc", walked[0].stored);
  }
}

// The reader passes every name on as stored, so that the installer can refuse an unsafe one
// as a failed file (with its prompt and error code) instead of silently ending the walk.
TEST_F(PackageTest, UnsafeNamesAreReportedNotSwallowed) {
  const FixtureEntry good = {3, 3, 0, "good.txt", "abc"};
  const char* names[] = {"sub\\..\\..\\evil.exe", "\\Windows\\evil.exe", "C:evil.exe", ""};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    std::vector<Walked> walked = Walk(PackageOf(DirectoryOf({good, {1, 1, 0, name, "e"}, good}),
                                                DataOf({good, {1, 1, 0, "", "e"}, good})));
    ASSERT_EQ(3u, walked.size());
    EXPECT_EQ(name, walked[1].name);
    EXPECT_EQ("e", walked[1].stored);
    EXPECT_EQ("good.txt", walked[2].name);
  }
}

TEST_F(PackageTest, ExtraFileAndResourcePresence) {
  world::SetDataResource(1, std::string("DRL\0data", 8));
  const unsigned char* bytes = nullptr;
  DWORD count = 0;
  ASSERT_EQ(1, OpenExtraFile(&bytes, &count));
  EXPECT_EQ(std::string("DRL\0data", 8), std::string(reinterpret_cast<const char*>(bytes), count));
  EXPECT_EQ(1, HasDataResource(1));
  world::RemoveDataResource(1);
  EXPECT_EQ(0, OpenExtraFile(&bytes, &count));
  EXPECT_EQ(0u, count);
  EXPECT_EQ(0, HasDataResource(1));
}

}  // namespace
