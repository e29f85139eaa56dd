// Finding and reading resources of the program's own module: the dialogs and icon of
// resources/setup.rc and the data of contract.rc.
#include <string>

#include "contract_fixture.h"
#include "resources/resource.h"

namespace {

std::string ResourceBytes(LPCSTR name, LPCSTR type) {
  HRSRC found = FindResourceA(nullptr, name, type);
  if (!found) return "<error " + std::to_string(GetLastError()) + ">";
  HGLOBAL loaded = LoadResource(nullptr, found);
  const char* data = static_cast<const char*>(LockResource(loaded));
  if (!data) return "<not loaded>";
  return std::string(data, SizeofResource(nullptr, found));
}

class Resources : public ContractTest {};

TEST_F(Resources, DataResourcesByNumberByNameAndByNamedType) {
  EXPECT_EQ(std::string("contract\r\n\0\x01", 12), ResourceBytes(MAKEINTRESOURCEA(4242), RT_RCDATA));
  EXPECT_EQ(std::string("contract\r\n\0\x01", 12), ResourceBytes("#4242", RT_RCDATA));
  EXPECT_EQ("named", ResourceBytes("NamedData", RT_RCDATA));
  EXPECT_EQ("typed", ResourceBytes(MAKEINTRESOURCEA(7), "velmoradata"));
}

TEST_F(Resources, MissingTypeAndMissingNameAreTold) {
  EXPECT_EQ(nullptr, FindResourceA(nullptr, MAKEINTRESOURCEA(7), "NOSUCHTYPE"));
  EXPECT_EQ((DWORD)ERROR_RESOURCE_TYPE_NOT_FOUND, GetLastError());
  EXPECT_EQ(nullptr, FindResourceA(nullptr, MAKEINTRESOURCEA(999), RT_DIALOG));
  EXPECT_EQ((DWORD)ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
  EXPECT_EQ(nullptr, FindResourceA(nullptr, MAKEINTRESOURCEA(4243), RT_RCDATA));
  EXPECT_EQ((DWORD)ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
}

TEST_F(Resources, TheThreeDialogTemplatesAreExtendedTemplates) {
  for (int id : {IDD_PROGRESS, IDD_MAIN, IDD_IN_USE}) {
    SCOPED_TRACE(id);
    std::string bytes = ResourceBytes(MAKEINTRESOURCEA(id), RT_DIALOG);
    ASSERT_GE(bytes.size(), 26u) << bytes;
    EXPECT_EQ(1, (unsigned char)bytes[0] | ((unsigned char)bytes[1] << 8));          // dlgVer
    EXPECT_EQ(0xFFFF, (unsigned char)bytes[2] | ((unsigned char)bytes[3] << 8));     // signature
  }
}

TEST_F(Resources, TheIconGroupNamesIconsThatExist) {
  std::string group = ResourceBytes(MAKEINTRESOURCEA(IDI_VELMORA), RT_GROUP_ICON);
  ASSERT_GE(group.size(), 6u) << group;
  auto word = [&](size_t at) { return (int)((unsigned char)group[at] | ((unsigned char)group[at + 1] << 8)); };
  EXPECT_EQ(0, word(0));  // reserved
  EXPECT_EQ(1, word(2));  // icons
  int count = word(4);
  ASSERT_GE(count, 1);
  ASSERT_EQ(6u + 14u * count, group.size());
  for (int i = 0; i < count; i++) {
    size_t entry = 6 + 14 * i;
    DWORD bytesInResource = (DWORD)word(entry + 8) | ((DWORD)word(entry + 10) << 16);
    int iconId = word(entry + 12);
    SCOPED_TRACE(iconId);
    HRSRC icon = FindResourceA(nullptr, MAKEINTRESOURCEA(iconId), RT_ICON);
    ASSERT_NE(nullptr, icon);
    EXPECT_EQ(bytesInResource, SizeofResource(nullptr, icon));
  }
}

}  // namespace
