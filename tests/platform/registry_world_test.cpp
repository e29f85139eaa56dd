// The registry of the world: the rights of a non-administrator and the world's own access.
#include "support/world_fixture.h"

namespace {

class WorldRegistry : public WorldTest {};

TEST_F(WorldRegistry, ANonAdministratorReadsButCannotWriteTheMachineAndTheUsers) {
  world::WriteValue(HKEY_LOCAL_MACHINE, "Software\\Brisbeck\\Velmora", "InstallPath", REG_SZ, std::string("C:\\V\0", 5));
  world::WriteValue(HKEY_USERS, ".DEFAULT\\Software\\Kestrine", "PathSaveAs", REG_SZ, std::string("D:\\\0", 4));
  world::SetAdministrator(false);

  struct Case {
    HKEY root;
    const char* subKey;
  };
  const Case protectedKeys[] = {
      {HKEY_LOCAL_MACHINE, "Software\\Brisbeck\\Velmora"},        // exists
      {HKEY_LOCAL_MACHINE, "Software\\Classes\\.vlm"},           // new
      {HKEY_USERS, ".DEFAULT\\Software\\Kestrine"},              // exists
      {HKEY_CLASSES_ROOT, ".vlm"},                                // the machine's classes
  };
  for (const Case& c : protectedKeys) {
    SCOPED_TRACE(c.subKey);
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegCreateKeyExA(c.root, c.subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr));
    EXPECT_EQ(nullptr, key);
  }
  HKEY read = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Brisbeck\\Velmora", 0, KEY_READ, &read));
  char buffer[16];
  DWORD size = sizeof buffer;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(read, "InstallPath", nullptr, nullptr, (BYTE*)buffer, &size));
  EXPECT_STREQ("C:\\V", buffer);
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExA(read, "InstallPath", 0, REG_SZ, (const BYTE*)"x", 2));
  RegCloseKey(read);
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExA(HKEY_LOCAL_MACHINE, "Direct", 0, REG_SZ, (const BYTE*)"x", 2));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Brisbeck\\Velmora", 0, KEY_WRITE, &read));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Brisbeck\\Velmora"));

  // The user's own hive stays writable.
  HKEY user = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Kestrine", 0, nullptr, 0, KEY_WRITE, nullptr,
                                           &user, nullptr));
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(user, "PathSaveAs", 0, REG_SZ, (const BYTE*)"D:\\", 4));
  RegCloseKey(user);
  EXPECT_EQ(std::string("D:\\\0", 4), world::ReadValue(HKEY_CURRENT_USER, "SOFTWARE\\kestrine", "pathsaveas").data);
  EXPECT_FALSE(world::KeyExists(HKEY_LOCAL_MACHINE, "Software\\Classes\\.vlm"));
}

TEST_F(WorldRegistry, ClassesRootShowsTheMachinesClasses) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.vlm", 0, nullptr, 0, KEY_WRITE,
                                           nullptr, &key, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, nullptr, 0, REG_SZ, (const BYTE*)"Velmora.Document", 17));
  RegCloseKey(key);
  EXPECT_EQ(std::string("Velmora.Document\0", 17), world::ReadValue(HKEY_CLASSES_ROOT, ".VLM", "").data);
}

TEST_F(WorldRegistry, HandlesThatAreNoKeysAndKeysDeletedUnderAnOpenHandle) {
  HKEY bogus = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x1234));
  DWORD size = 4;
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(bogus, "x", nullptr, nullptr, nullptr, &size));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(bogus));
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, nullptr));
  EXPECT_EQ(ERROR_BAD_PATHNAME, RegOpenKeyExA(HKEY_CURRENT_USER, "\\Software", 0, KEY_READ, &key));

  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Gone", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                           &key, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Gone"));
  EXPECT_EQ(1018, RegSetValueExA(key, "v", 0, REG_SZ, (const BYTE*)"x", 2));  // ERROR_KEY_DELETED
  EXPECT_FALSE(world::KeyExists(HKEY_CURRENT_USER, "Software\\Gone"));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
  // A query into a buffer that is too small leaves the buffer as it was.
  world::WriteValue(HKEY_CURRENT_USER, "Software\\K", "Long", REG_SZ, std::string("0123456789\0", 11));
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\K", 0, KEY_READ, &key));
  char small[4] = {0, 'Z', 'Z', 'Z'};
  size = sizeof small;
  EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Long", nullptr, nullptr, (BYTE*)small, &size));
  EXPECT_EQ(11u, size);
  EXPECT_EQ(0, small[0]);
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(key, "Long", nullptr, nullptr, (BYTE*)small, nullptr));
  RegCloseKey(key);
}

}  // namespace
