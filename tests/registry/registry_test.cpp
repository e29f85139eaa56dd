// The registry store: exact keys, names, types and bytes; bounded reads; silent failures.
#include <gtest/gtest.h>

#include <string>

#include "common/common.h"
#include "support/world_fixture.h"
#include "system/registry.h"

namespace {

std::string Sz(const std::string& text) { return text + '\0'; }
std::string Dword(DWORD value) {
  return std::string{static_cast<char>(value), static_cast<char>(value >> 8),
                     static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
}

class RegistryTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    ResetRunState();
  }
  void ExpectValue(HKEY root, const std::string& key, const std::string& name, DWORD type,
                   const std::string& data) {
    world::RegistryValue value = world::ReadValue(root, key, name);
    EXPECT_TRUE(value.present) << key << " " << name;
    EXPECT_EQ(type, value.type) << key << " " << name;
    EXPECT_EQ(data, value.data) << key << " " << name;
  }
};

TEST_F(RegistryTest, InstallFolderIsStoredAsAStringWithItsZero) {
  SaveInstallFolder("D:\\Velmora");
  ExpectValue(HKEY_LOCAL_MACHINE, VENDOR_KEY, "InstallPath", REG_SZ, Sz("D:\\Velmora"));
  char folder[PATH_CAPACITY];
  ReadInstallFolder(folder);
  EXPECT_STREQ("D:\\Velmora", folder);
}

TEST_F(RegistryTest, ReadChoiceFindsTheLetterInTheAlphabet) {
  struct Case {
    const char* label;
    bool present;
    std::string stored;
    int fallback;
    const char* alphabet;
    int expected;
  } cases[] = {
      {"Y", true, Sz("Y"), 0, "NY", 1},
      {"N", true, Sz("N"), 0, "NY", 0},
      {"N with fallback 1", true, Sz("N"), 1, "NY", 0},
      {"YES is too long", true, Sz("YES"), 0, "NY", 0},
      {"letter outside the alphabet", true, Sz("y"), 0, "NY", 0},
      {"empty", true, Sz(""), 7, "NY", 7},
      {"absent", false, "", 7, "NY", 7},
      {"stored without its zero", true, "Y", 0, "NY", 1},
      {"longer than 32 bytes", true, Sz(std::string(40, 'Y')), 3, "NY", 3},
      {"decimal", true, Sz("42"), 0, nullptr, 42},
      {"decimal with text after", true, Sz("12abc"), 0, nullptr, 12},
      {"not a number", true, Sz("abc"), 5, nullptr, 0},
      {"decimal absent", false, "", 5, nullptr, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    world::Create(root_);
    ResetRunState();
    if (c.present) world::WriteValue(HKEY_LOCAL_MACHINE, VENDOR_KEY, "UserAcceptedAgreement", REG_SZ, c.stored);
    EXPECT_EQ(c.expected, ReadChoice("UserAcceptedAgreement", c.fallback, c.alphabet));
  }
}

TEST_F(RegistryTest, WriteChoiceStoresOneLetterOrTheNumber) {
  struct Case {
    int index;
    const char* alphabet;
    std::string stored;
  } cases[] = {
      {1, "NY", Sz("Y")}, {0, "NY", Sz("N")}, {2, "NY", Sz("")}, {-1, "NY", Sz("")},
      {-12, nullptr, Sz("-12")}, {305, nullptr, Sz("305")},
  };
  for (const Case& c : cases) {
    WriteChoice("UserAcceptedAgreement", c.index, c.alphabet);
    ExpectValue(HKEY_LOCAL_MACHINE, VENDOR_KEY, "UserAcceptedAgreement", REG_SZ, c.stored);
  }
  WriteChoice("UserAcceptedAgreement", 1, "NY");
  EXPECT_EQ(1, ReadChoice("UserAcceptedAgreement", 0, "NY"));
}

TEST_F(RegistryTest, SettingsFlagsAreOredIntoADword) {
  SetSettingsFlags("LicenseAgreement", 3);
  ExpectValue(HKEY_CURRENT_USER, SETTINGS_KEY, "LicenseAgreement", REG_DWORD, Dword(3));
  world::WriteValue(HKEY_CURRENT_USER, SETTINGS_KEY, "LicenseAgreement", REG_DWORD, Dword(4));
  SetSettingsFlags("LicenseAgreement", 3);
  ExpectValue(HKEY_CURRENT_USER, SETTINGS_KEY, "LicenseAgreement", REG_DWORD, Dword(7));
  world::WriteValue(HKEY_CURRENT_USER, SETTINGS_KEY, "LicenseAgreement", REG_DWORD, Dword(0x80000001));
  SetSettingsFlags("LicenseAgreement", 3);
  ExpectValue(HKEY_CURRENT_USER, SETTINGS_KEY, "LicenseAgreement", REG_DWORD, Dword(0x80000003));
}

TEST_F(RegistryTest, UninstallEntryAndAssociation) {
  RegisterUninstall("C:\\Program Files\\Velmora\\Uninstall.exe", "C:\\Program Files\\Velmora\\Velmora.exe");
  RegisterAssociation();
  ExpectValue(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString", REG_SZ,
              Sz("C:\\Program Files\\Velmora\\Uninstall.exe"));
  ExpectValue(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayName", REG_SZ, Sz("Velmora 2.5.4.1"));
  ExpectValue(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayIcon", REG_SZ,
              Sz("C:\\Program Files\\Velmora\\Velmora.exe"));
  ExpectValue(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "Publisher", REG_SZ, Sz("Velmora Inc."));
  ExpectValue(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "URLInfoAbout", REG_SZ, Sz("https://www.velmora.example/"));
  ExpectValue(HKEY_LOCAL_MACHINE, ASSOCIATION_KEY, "", REG_SZ, Sz("Velmora.Document"));
  EXPECT_FALSE(world::KeyExists(HKEY_LOCAL_MACHINE, "Software\\Classes\\Velmora.Document"));
}

TEST_F(RegistryTest, SaveAsPathGoesToTheCurrentAndTheDefaultUser) {
  SaveSaveAsPath(nullptr);
  EXPECT_FALSE(world::KeyExists(HKEY_CURRENT_USER, SAVE_AS_KEY));
  EXPECT_FALSE(world::KeyExists(HKEY_USERS, DEFAULT_USER_SAVE_AS_KEY));
  SaveSaveAsPath("E:\\Family Trees");
  ExpectValue(HKEY_CURRENT_USER, SAVE_AS_KEY, "PathSaveAs", REG_SZ, Sz("E:\\Family Trees"));
  ExpectValue(HKEY_USERS, DEFAULT_USER_SAVE_AS_KEY, "PathSaveAs", REG_SZ, Sz("E:\\Family Trees"));
}

TEST_F(RegistryTest, ANonAdministratorsMachineWritesAreSkippedSilently) {
  world::SetAdministrator(false);
  SaveInstallFolder("D:\\Velmora");
  WriteChoice("UserAcceptedAgreement", 1, "NY");
  RegisterUninstall("C:\\U.exe", "C:\\V.exe");
  RegisterAssociation();
  SetSettingsFlags("LicenseAgreement", 3);
  SaveSaveAsPath("E:\\Docs");
  EXPECT_FALSE(world::ReadValue(HKEY_LOCAL_MACHINE, VENDOR_KEY, "InstallPath").present);
  EXPECT_FALSE(world::ReadValue(HKEY_LOCAL_MACHINE, VENDOR_KEY, "UserAcceptedAgreement").present);
  EXPECT_FALSE(world::ReadValue(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayName").present);
  EXPECT_FALSE(world::ReadValue(HKEY_LOCAL_MACHINE, ASSOCIATION_KEY, "").present);
  EXPECT_FALSE(world::ReadValue(HKEY_USERS, DEFAULT_USER_SAVE_AS_KEY, "PathSaveAs").present);
  // The current user's own keys are still written.
  ExpectValue(HKEY_CURRENT_USER, SETTINGS_KEY, "LicenseAgreement", REG_DWORD, Dword(3));
  ExpectValue(HKEY_CURRENT_USER, SAVE_AS_KEY, "PathSaveAs", REG_SZ, Sz("E:\\Docs"));
  // Reads behave as if nothing were stored.
  char folder[PATH_CAPACITY];
  ReadInstallFolder(folder);
  EXPECT_STREQ("", folder);
  EXPECT_EQ(0, ReadChoice("UserAcceptedAgreement", 0, "NY"));
}

TEST_F(RegistryTest, StringReadsStayInsideTheBufferAndAlwaysEndWithAZero) {
  struct Case {
    const char* label;
    DWORD type;
    std::string stored;
    std::string read;
  } cases[] = {
      {"with its zero", REG_SZ, Sz("abc"), "abc"},
      {"without a zero", REG_SZ, "abc", "abc"},
      {"without a zero, filling the buffer", REG_SZ, "abcdefgh", ""},
      {"with its zero, filling the buffer", REG_SZ, Sz("abcdefg"), "abcdefg"},
      {"longer than the buffer", REG_SZ, Sz("abcdefghijk"), ""},
      {"empty", REG_SZ, "", ""},
      {"another type, read as bytes", REG_BINARY, "xy", "xy"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    world::WriteValue(HKEY_LOCAL_MACHINE, "Software\\Test", "Value", c.type, c.stored);
    char buffer[8 + 4];
    memset(buffer, '#', sizeof buffer);
    ReadMachineString("Software\\Test", "Value", buffer, 8);
    EXPECT_EQ(c.read, std::string(buffer));
    EXPECT_EQ(std::string(4, '#'), std::string(buffer + 8, 4)) << "nothing written past the buffer";
  }
  char buffer[8];
  strcpy(buffer, "stale");
  ReadMachineString("Software\\Missing", "Value", buffer, sizeof buffer);
  EXPECT_STREQ("", buffer);
  strcpy(buffer, "stale");
  ReadMachineString("Software\\Test", "Missing", buffer, sizeof buffer);
  EXPECT_STREQ("", buffer);
}

TEST_F(RegistryTest, AStoredInstallPathOf260BytesWithoutAZeroIsNotTakenHalf) {
  world::WriteValue(HKEY_LOCAL_MACHINE, VENDOR_KEY, "InstallPath", REG_SZ, "D:\\" + std::string(257, 'p'));
  char folder[PATH_CAPACITY + 1];
  folder[PATH_CAPACITY] = '#';
  ReadInstallFolder(folder);
  EXPECT_STREQ("", folder);
  EXPECT_EQ('#', folder[PATH_CAPACITY]);
  world::WriteValue(HKEY_LOCAL_MACHINE, VENDOR_KEY, "InstallPath", REG_SZ, "D:\\" + std::string(256, 'p'));
  ReadInstallFolder(folder);
  EXPECT_EQ("D:\\" + std::string(256, 'p'), std::string(folder));
}

}  // namespace
