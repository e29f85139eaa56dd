// velmora-pack: layouts written, order, names, times, determinism, refusals and listing.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "pack.h"
#include "product_folder.h"

namespace {

struct RunResult {
  int status;
  std::string out;
  std::string err;
};

RunResult RunPacker(const std::vector<std::string>& arguments) {
  std::ostringstream out, err;
  int status = pack::Run(arguments, out, err);
  return {status, out.str(), err.str()};
}

uint32_t WordAt(const std::string& bytes, size_t at) {
  return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8 |
         static_cast<unsigned char>(bytes[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

class PackerTest : public ::testing::Test {
 public:
  void SetUp() override {
    root_ = FreshFolder();
    product_ = root_ + "/product";
    license_ = root_ + "/license.txt";
    out_ = root_ + "/out";
    fs::create_directories(product_);
    WriteFile(license_, "Terms\n");
  }
  RunResult Pack(std::vector<std::string> more = {}) {
    std::vector<std::string> arguments = {"--product", product_, "--license", license_, "--out", out_};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return RunPacker(arguments);
  }
  std::vector<pack::Entry> PackedEntries() {
    std::vector<pack::Entry> entries;
    std::string error;
    EXPECT_TRUE(pack::DecodePackage(ReadFile(out_ + "/package.bin"), &entries, &error)) << error;
    return entries;
  }
  std::string root_, product_, license_, out_;
};

TEST_F(PackerTest, PacksEveryFileWithBackslashNamesTimesAndTheSmallerEncoding) {
  const std::string text(4000, 'x');
  const std::string noise = NoiseBytes(2000, 7);
  WriteFile(product_ + "/Velmora.exe", noise, 1600000000, 987654300);
  WriteFile(product_ + "/help/guide.txt", text, 1500000000, 0);
  WriteFile(product_ + "/a.dat", "abc", 1400000000, 100);

  RunResult result = Pack();
  ASSERT_EQ(0, result.status) << result.err;

  std::vector<pack::Entry> entries = PackedEntries();
  ASSERT_EQ(3u, entries.size());
  // Byte order of the package names: stable whatever order the folder lists.
  EXPECT_EQ("Velmora.exe", entries[0].name);
  EXPECT_EQ("a.dat", entries[1].name);
  EXPECT_EQ("help\\guide.txt", entries[2].name);

  EXPECT_EQ(noise, entries[0].bytes);
  EXPECT_EQ(2000u, entries[0].storedSize) << "noise must be stored raw";
  EXPECT_EQ(FileTimeOf(1600000000, 987654300), entries[0].time);

  EXPECT_EQ("abc", entries[1].bytes);
  EXPECT_EQ(3u, entries[1].storedSize);
  EXPECT_EQ(FileTimeOf(1400000000, 100), entries[1].time);

  EXPECT_EQ(text, entries[2].bytes);
  EXPECT_EQ(4000u, entries[2].size);
  EXPECT_GT(entries[2].storedSize, 0u);
  EXPECT_LT(entries[2].storedSize, 100u);
  EXPECT_EQ(FileTimeOf(1500000000, 0), entries[2].time);

  EXPECT_FALSE(fs::exists(out_ + "/extra.bin"));
}

TEST_F(PackerTest, DirectoryAndDataFollowTheLayoutByteForByte) {
  WriteFile(product_ + "/abc", "1234567", 0, 0);  // 3-character name, stored size 7
  WriteFile(product_ + "/b", "Z", 0, 0);
  ASSERT_EQ(0, Pack().status);
  const std::string package = ReadFile(out_ + "/package.bin");
  const uint32_t storedSize = WordAt(package, 0);
  const uint32_t directorySize = WordAt(package, 4);
  // abc: 16 + 4 bytes; b: 16 + 2 + 2 padding; end marker 4.
  EXPECT_EQ(20u + 20u + 4u, directorySize);
  const size_t dataStart = 8 + ((storedSize + 3) & ~3u);
  ASSERT_EQ(dataStart + 8 + 4, package.size());
  EXPECT_EQ(std::string("1234567\0", 8), package.substr(dataStart, 8));
  EXPECT_EQ(std::string("Z\0\0\0", 4), package.substr(dataStart + 8, 4));
}

TEST_F(PackerTest, SameInputGivesTheSameBytes) {
  WriteFile(product_ + "/x/y.txt", std::string(3000, 'q'));
  WriteFile(product_ + "/z.bin", NoiseBytes(500, 3));
  WriteFile(root_ + "/extra.src", "EXTRA\x01\x02");
  ASSERT_EQ(0, Pack({"--extra", root_ + "/extra.src"}).status);
  const std::string first = ReadFile(out_ + "/package.bin");
  const std::string firstText = ReadFile(out_ + "/agreement.bin");
  out_ = root_ + "/again";
  ASSERT_EQ(0, Pack({"--extra", root_ + "/extra.src"}).status);
  EXPECT_EQ(first, ReadFile(out_ + "/package.bin"));
  EXPECT_EQ(firstText, ReadFile(out_ + "/agreement.bin"));
  EXPECT_EQ("EXTRA\x01\x02", ReadFile(out_ + "/extra.bin"));
}

TEST_F(PackerTest, ManifestGivesTheOrderAndAcceptsEitherSeparator) {
  WriteFile(product_ + "/a.txt", "a");
  WriteFile(product_ + "/sub/b.txt", "b");
  WriteFile(product_ + "/c.txt", "c");
  WriteFile(root_ + "/order.txt", "c.txt\r\nsub\\b.txt\n\na.txt\n");
  ASSERT_EQ(0, Pack({"--order", root_ + "/order.txt"}).status);
  std::vector<pack::Entry> entries = PackedEntries();
  ASSERT_EQ(3u, entries.size());
  EXPECT_EQ("c.txt", entries[0].name);
  EXPECT_EQ("sub\\b.txt", entries[1].name);
  EXPECT_EQ("a.txt", entries[2].name);
}

TEST_F(PackerTest, LicenseGetsCrlfLineEndsAndCodePage1252) {
  WriteFile(product_ + "/a.txt", "a");
  struct Case {
    std::string input;
    std::string shown;
  } cases[] = {
      {"one\ntwo\n", "one\r\ntwo\r\n"},
      {"one\r\ntwo\rthree", "one\r\ntwo\r\nthree"},
      {"\xEF\xBB\xBFVelmora\xC2\xAE \xE2\x82\xAC\n", "Velmora\xAE \x80\r\n"},  // UTF-8 with mark
      {"caf\xE9\n", "caf\xE9\r\n"},  // already code page 1252
      {"", ""},
      {std::string(5000, 'L') + "\n", std::string(5000, 'L') + "\r\n"},
  };
  for (const Case& c : cases) {
    WriteFile(license_, c.input);
    ASSERT_EQ(0, Pack().status);
    std::string text, error;
    const std::string packed = ReadFile(out_ + "/agreement.bin");
    ASSERT_TRUE(pack::DecodePackedText(packed, &text, &error)) << error;
    EXPECT_EQ(c.shown, text);
    // Long text is compressed (positive length), short text stored raw (negative length).
    const int32_t length = static_cast<int32_t>(WordAt(packed, 0));
    if (c.shown.size() > 100)
      EXPECT_EQ(static_cast<int32_t>(c.shown.size()), length);
    else
      EXPECT_EQ(-static_cast<int32_t>(c.shown.size()), length);
  }
}

TEST_F(PackerTest, AnExtraBinOfAnEarlierRunIsRemovedWhenNoExtraIsGiven) {
  WriteFile(product_ + "/a.txt", "a");
  WriteFile(root_ + "/extra.src", "E");
  ASSERT_EQ(0, Pack({"--extra", root_ + "/extra.src"}).status);
  ASSERT_TRUE(fs::exists(out_ + "/extra.bin"));
  ASSERT_EQ(0, Pack().status);
  EXPECT_FALSE(fs::exists(out_ + "/extra.bin"));
}

// Each case makes one input the format or Windows cannot carry; the refusal names it.
TEST_F(PackerTest, RefusesWhatThePackageCannotCarry) {
  struct Case {
    const char* label;
    std::function<void(PackerTest*)> setUp;
    std::vector<std::string> extraArguments;
    std::string namedFile;   // must appear in the message
    std::string reason;      // must appear in the message
  };
  const std::string longPart(200, 'n');
  std::vector<Case> cases = {
      {"empty file", [](PackerTest* t) { WriteFile(t->product_ + "/empty.txt", ""); }, {},
       "empty.txt", "empty"},
      {"name over the path bound",
       [&](PackerTest* t) { WriteFile(t->product_ + "/" + longPart + "/" + std::string(60, 'm'), "x"); },
       {}, std::string(60, 'm'), "characters long"},
      {"name outside code page 1252",
       [](PackerTest* t) { WriteFile(t->product_ + "/\xCE\xB1\xCE\xB2.txt", "x"); }, {},
       "\xCE\xB1\xCE\xB2.txt", "code page 1252"},
      {"name that is not UTF-8", [](PackerTest* t) { WriteFile(t->product_ + "/bad\xFF.txt", "x"); },
       {}, "bad", "code page 1252"},
      {"dot-dot part in the manifest",
       [](PackerTest* t) {
         WriteFile(t->root_ + "/outside.txt", "secret");
         WriteFile(t->root_ + "/order.txt", "../outside.txt\n");
       },
       {"--order", "@root/order.txt"}, "outside.txt", "\"..\""},
      {"manifest names a missing file", [](PackerTest* t) { WriteFile(t->root_ + "/order.txt", "gone.txt\n"); },
       {"--order", "@root/order.txt"}, "gone.txt", "missing input"},
      {"missing manifest", [](PackerTest*) {}, {"--order", "@root/no-order.txt"}, "no-order.txt",
       "missing input"},
      {"missing license", [](PackerTest* t) { fs::remove(t->license_); }, {}, "license.txt",
       "missing input"},
      {"missing extra file", [](PackerTest*) {}, {"--extra", "@root/no-extra.bin"}, "no-extra.bin",
       "missing input"},
      {"missing product folder", [](PackerTest* t) { fs::remove_all(t->product_); }, {}, "product",
       "missing input"},
      {"names equal but for case",
       [](PackerTest* t) {
         WriteFile(t->product_ + "/Readme.txt", "1");
         WriteFile(t->product_ + "/README.TXT", "2");
       },
       {}, "README.TXT", "same Windows file"},
      {"backslash inside a Linux file name",
       [](PackerTest* t) { WriteFile(t->product_ + "/a\\b.txt", "x"); }, {}, "a\\b.txt",
       "Windows does not allow"},
      {"trailing dot", [](PackerTest* t) { WriteFile(t->product_ + "/notes.", "x"); }, {}, "notes.",
       "dot or a space"},
      {"device name", [](PackerTest* t) { WriteFile(t->product_ + "/sub/aux.txt", "x"); }, {},
       "aux.txt", "device name"},
      {"license with characters 1252 lacks",
       [](PackerTest* t) { WriteFile(t->license_, "\xE2\x9C\x93 accepted\n"); }, {}, "license.txt",
       "code page 1252"},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove_all(root_);
    fs::create_directories(product_);
    WriteFile(license_, "Terms\n");
    WriteFile(product_ + "/fine.txt", "fine");
    c.setUp(this);
    for (std::string& argument : c.extraArguments)
      if (argument.rfind("@root", 0) == 0) argument = root_ + argument.substr(5);
    RunResult result = Pack(c.extraArguments);
    EXPECT_EQ(2, result.status);
    EXPECT_NE(std::string::npos, result.err.find(c.namedFile)) << result.err;
    EXPECT_NE(std::string::npos, result.err.find(c.reason)) << result.err;
    EXPECT_FALSE(fs::exists(out_ + "/package.bin")) << "a refused run writes nothing";
  }
}

TEST_F(PackerTest, ANameOf256CharactersIsTheLongestAccepted) {
  const std::string folder(200, 'f');
  WriteFile(product_ + "/" + folder + "/" + std::string(55, 'g'), "x");  // 200 + 1 + 55 = 256
  RunResult result = Pack();
  ASSERT_EQ(0, result.status) << result.err;
  EXPECT_EQ(256u, PackedEntries()[0].name.size());
}

TEST_F(PackerTest, CommandLineMistakesExitWithStatus2AndUsage) {
  const std::vector<std::vector<std::string>> lines = {
      {},
      {"--product", product_, "--license", license_},
      {"--product", product_, "--license", license_, "--out"},
      {"--bogus", "x"},
      {"list"},
  };
  for (const auto& line : lines) {
    RunResult result = RunPacker(line);
    EXPECT_EQ(2, result.status);
    EXPECT_NE(std::string::npos, result.err.find("usage:")) << result.err;
  }
}

TEST_F(PackerTest, ListShowsEachEntry) {
  WriteFile(product_ + "/caf\xC3\xA9.txt", "x", 1700000000, 0);
  WriteFile(product_ + "/sub/big.txt", std::string(1000, 'b'), 0, 0);
  ASSERT_EQ(0, Pack().status);
  RunResult result = RunPacker({"list", out_ + "/package.bin"});
  ASSERT_EQ(0, result.status) << result.err;
  const std::string big = "sub\\big.txt\t1000\t";
  EXPECT_NE(std::string::npos, result.out.find("caf\xC3\xA9.txt\t1\t1\t2023-11-14 22:13:20 UTC\n")) << result.out;
  EXPECT_NE(std::string::npos, result.out.find(big)) << result.out;
  EXPECT_NE(std::string::npos, result.out.find("1970-01-01 00:00:00 UTC\n2 files\n")) << result.out;
}

TEST_F(PackerTest, ListReportsADamagedPackage) {
  WriteFile(product_ + "/a.txt", std::string(3000, 'a'));
  WriteFile(product_ + "/b.txt", NoiseBytes(100, 9));
  ASSERT_EQ(0, Pack().status);
  const std::string good = ReadFile(out_ + "/package.bin");
  const uint32_t dataStart = 8 + ((WordAt(good, 0) + 3) & ~3u);
  std::string badDirectory = good;
  badDirectory[10] ^= 0x55;
  std::string hugeDirectorySize = good;
  hugeDirectorySize[7] = 0x7F;
  struct Case {
    const char* label;
    std::string bytes;
    std::string reason;
  } cases[] = {
      {"header only", good.substr(0, 5), "header"},
      {"directory cut", good.substr(0, 12), "run past the end"},
      {"directory damaged", badDirectory, "directory"},
      {"directory size out of proportion", hugeDirectorySize, "cannot come from"},
      {"data cut", good.substr(0, good.size() - 10), "runs past the end of the package"},
      {"compressed data damaged",
       good.substr(0, dataStart + 4) + std::string(good.size() - dataStart - 4, '\x11'), "decode"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    WriteFile(root_ + "/bad.bin", c.bytes);
    RunResult result = RunPacker({"list", root_ + "/bad.bin"});
    EXPECT_EQ(2, result.status);
    EXPECT_NE(std::string::npos, result.err.find("bad.bin: damaged package")) << result.err;
    EXPECT_NE(std::string::npos, result.err.find(c.reason)) << result.err;
  }
  RunResult missing = RunPacker({"list", root_ + "/none.bin"});
  EXPECT_EQ(2, missing.status);
  EXPECT_NE(std::string::npos, missing.err.find("none.bin")) << missing.err;
}

}  // namespace
