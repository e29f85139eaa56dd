// The registry calls as the program relies on them, under a scratch key of the current user.
#include <string>

#include "contract_fixture.h"

namespace {

class Registry : public ContractTest {
 protected:
  HKEY Create(const std::string& name, DWORD* disposition = nullptr, REGSAM access = KEY_READ | KEY_WRITE) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, ScratchKey(name).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  access, nullptr, &key, disposition);
    EXPECT_EQ(ERROR_SUCCESS, result);
    return key;
  }
};

TEST_F(Registry, CreatingTellsNewFromExisting) {
  DWORD disposition = 0;
  HKEY key = Create("A\\B\\C", &disposition);
  EXPECT_EQ((DWORD)REG_CREATED_NEW_KEY, disposition);
  RegCloseKey(key);
  key = Create("a\\b\\c", &disposition);
  EXPECT_EQ((DWORD)REG_OPENED_EXISTING_KEY, disposition);
  RegCloseKey(key);
  HKEY opened = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, ScratchKey("A\\b").c_str(), 0, KEY_READ, &opened));
  RegCloseKey(opened);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, ScratchKey("A\\X").c_str(), 0, KEY_READ, &opened));
}

TEST_F(Registry, QueryFollowsTheDocumentedSizeRules) {
  HKEY key = Create("");
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Text", 0, REG_SZ, (const BYTE*)"hello", 6));

  DWORD type = 0, size = 0;
  // No buffer: the size needed, terminating zero included since it was stored.
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size));
  EXPECT_EQ((DWORD)REG_SZ, type);
  EXPECT_EQ(6u, size);
  // Too small: ERROR_MORE_DATA and the size needed.
  char small[3];
  size = sizeof small;
  EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Text", nullptr, &type, (BYTE*)small, &size));
  EXPECT_EQ(6u, size);
  // Enough: the bytes and their count.
  char buffer[16];
  size = sizeof buffer;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "text", nullptr, &type, (BYTE*)buffer, &size));
  EXPECT_EQ(6u, size);
  EXPECT_STREQ("hello", buffer);
  // Missing values.
  size = sizeof buffer;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "Absent", nullptr, &type, (BYTE*)buffer, &size));
  RegCloseKey(key);
}

TEST_F(Registry, NoTerminatingZeroIsAddedToWhatWasStored) {
  HOST_ONLY("Wine appends a zero to an unterminated string and counts it");
  HKEY key = Create("");
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Bare", 0, REG_SZ, (const BYTE*)"abc", 3));
  char buffer[8];
  memset(buffer, 'Z', sizeof buffer);
  DWORD type = 0, size = sizeof buffer;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Bare", nullptr, &type, (BYTE*)buffer, &size));
  EXPECT_EQ(3u, size);
  EXPECT_EQ(std::string("abcZ"), std::string(buffer, 4));
  RegCloseKey(key);
}

TEST_F(Registry, ValuesOfEachTypeRoundTrip) {
  HKEY key = Create("Types");
  DWORD word = 0xA1B2C3D4;
  const BYTE binary[] = {0, 1, 2, 0xFF, 0};
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Word", 0, REG_DWORD, (const BYTE*)&word, sizeof word));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Blob", 0, REG_BINARY, binary, sizeof binary));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, nullptr, 0, REG_SZ, (const BYTE*)"default", 8));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Word", 0, REG_DWORD, (const BYTE*)&word, sizeof word));
  RegCloseKey(key);

  HKEY read = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, ScratchKey("TYPES").c_str(), 0, KEY_READ, &read));
  DWORD type = 0, back = 0, size = sizeof back;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(read, "WORD", nullptr, &type, (BYTE*)&back, &size));
  EXPECT_EQ((DWORD)REG_DWORD, type);
  EXPECT_EQ(word, back);
  BYTE blob[16];
  size = sizeof blob;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(read, "blob", nullptr, &type, blob, &size));
  EXPECT_EQ((DWORD)REG_BINARY, type);
  EXPECT_EQ(std::string((const char*)binary, sizeof binary), std::string((const char*)blob, size));
  // The default value answers to no name and to the empty name.
  char text[16];
  size = sizeof text;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(read, "", nullptr, &type, (BYTE*)text, &size));
  EXPECT_STREQ("default", text);
  RegCloseKey(read);
}

TEST_F(Registry, RightsOfTheHandleAreEnforced) {
  HKEY key = Create("Rights");
  RegCloseKey(key);
  HKEY readOnly = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, ScratchKey("Rights").c_str(), 0, KEY_READ, &readOnly));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExA(readOnly, "V", 0, REG_SZ, (const BYTE*)"x", 2));
  RegCloseKey(readOnly);
}

TEST_F(Registry, DeletingValuesAndKeys) {
  HKEY key = Create("Parent\\Child");
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "V", 0, REG_SZ, (const BYTE*)"x", 2));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, "v"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(key, "v"));
  DWORD size = 0;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "V", nullptr, nullptr, nullptr, &size));
  RegCloseKey(key);

  // A key with sub-keys is not deleted.
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CURRENT_USER, ScratchKey("Parent").c_str()));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, ScratchKey("PARENT\\child").c_str()));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, ScratchKey("Parent").c_str()));
  HKEY gone = nullptr;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, ScratchKey("Parent").c_str(), 0, KEY_READ, &gone));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(HKEY_CURRENT_USER, ScratchKey("Parent").c_str()));
}

TEST_F(Registry, OddArgumentsGetDefinedCodes) {
  HKEY key = Create("Odd");
  HKEY other = nullptr;
  EXPECT_EQ(ERROR_BAD_PATHNAME, RegOpenKeyExA(HKEY_CURRENT_USER, "\\Software", 0, KEY_READ, &other));
  // No sub-key, or an empty one, opens the key itself again.
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(key, "", 0, KEY_READ, &other));
  RegCloseKey(other);
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(key, nullptr, 0, KEY_READ, &other));
  RegCloseKey(other);
  // An empty value, and a buffer without its size.
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Empty", 0, REG_BINARY, nullptr, 0));
  char buffer[8];
  DWORD type = 0, size = sizeof buffer;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Empty", nullptr, &type, (BYTE*)buffer, &size));
  EXPECT_EQ(0u, size);
  EXPECT_EQ((DWORD)REG_BINARY, type);
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(key, "Empty", nullptr, &type, (BYTE*)buffer, nullptr));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
}

TEST_F(Registry, ClosingAPredefinedKeyIsHarmlessAndAClosedKeyIsGone) {
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));
  HKEY key = Create("Closing");
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
  // The root still works after "closing" it.
  HKEY again = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, ScratchKey("Closing").c_str(), 0, KEY_READ, &again));
  RegCloseKey(again);
}

}  // namespace
