// The module loader: which names load which system library, psapi's GetModuleFileNameExA on
// the simulated programs, psapi missing, and the DLL search restriction.
#include <string>
#include <vector>

#include "platform/host/world.h"
#include "support/world_fixture.h"

namespace {

typedef DWORD(WINAPI* ImageNameFunction)(HANDLE, HMODULE, LPSTR, DWORD);
typedef BOOL(WINAPI* SetDllDirectoriesFunction)(DWORD);

const char kSystemPsapi[] = "C:\\Windows\\System32\\psapi.dll";
const char kImage[] = "C:\\Program Files\\Velmora\\Velmora.exe";

class ModulesTest : public WorldTest {};

struct LoadCase {
  const char* name;
  bool loads;
};

const LoadCase kLoadCases[] = {
    {"C:\\Windows\\System32\\psapi.dll", true},
    {"c:\\WINDOWS\\system32\\PSAPI.DLL", true},
    {"C:\\Windows\\System32\\kernel32.dll", true},
    {"psapi.dll", true},
    {"PSAPI", true},
    {"user32.dll", true},
    {"C:\\Users\\user\\Downloads\\psapi.dll", false},  // never from beside the program
    {"C:\\Windows\\psapi.dll", false},
    {"C:\\Windows\\System32\\sub\\psapi.dll", false},
    {"shell32x.dll", false},
    {"", false},
};

TEST_F(ModulesTest, LoadLibraryKnowsTheSystemLibrariesOnly) {
  std::vector<std::string> asked;
  for (const LoadCase& test : kLoadCases) {
    SCOPED_TRACE(test.name);
    SetLastError(0);
    HMODULE module = LoadLibraryA(test.name);
    asked.push_back(test.name);
    if (test.loads) {
      EXPECT_NE(module, (HMODULE)NULL);
      EXPECT_TRUE(FreeLibrary(module));
    } else {
      EXPECT_EQ(module, (HMODULE)NULL);
      EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
    }
  }
  EXPECT_EQ(world::LoadedLibraries(), asked);
}

TEST_F(ModulesTest, SameLibraryBySpellingGivesTheSameHandle) {
  HMODULE byPath = LoadLibraryA(kSystemPsapi);
  HMODULE byName = LoadLibraryA("Psapi.dll");
  EXPECT_NE(byPath, (HMODULE)NULL);
  EXPECT_EQ(byPath, byName);
  EXPECT_NE(byPath, LoadLibraryA("kernel32.dll"));
}

TEST_F(ModulesTest, PsapiIsLoadedOnlyWhileReferenced) {
  SetLastError(0);
  EXPECT_EQ(GetModuleHandleA("psapi.dll"), (HMODULE)NULL);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
  EXPECT_NE(GetModuleHandleA("kernel32.dll"), (HMODULE)NULL);
  EXPECT_NE(GetModuleHandleA("USER32"), (HMODULE)NULL);
  EXPECT_NE(GetModuleHandleA(NULL), (HMODULE)NULL);

  HMODULE first = LoadLibraryA(kSystemPsapi);
  HMODULE second = LoadLibraryA(kSystemPsapi);
  EXPECT_EQ(GetModuleHandleA("psapi.dll"), first);
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_NE(GetProcAddress(second, "GetModuleFileNameExA"), (FARPROC)NULL);
  EXPECT_TRUE(FreeLibrary(second));
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(second, "GetModuleFileNameExA"), (FARPROC)NULL);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
  EXPECT_FALSE(FreeLibrary(second));
}

TEST_F(ModulesTest, PsapiMissing) {
  world::SetPsapiAvailable(false);
  const char* names[] = {kSystemPsapi, "psapi.dll"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA(name), (HMODULE)NULL);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
  }
  EXPECT_EQ(GetModuleHandleA("psapi.dll"), (HMODULE)NULL);
  EXPECT_NE(LoadLibraryA("kernel32.dll"), (HMODULE)NULL);
  world::SetPsapiAvailable(true);
  EXPECT_NE(LoadLibraryA(kSystemPsapi), (HMODULE)NULL);
}

TEST_F(ModulesTest, GetProcAddressOfUnknownExports) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  HMODULE psapi = LoadLibraryA(kSystemPsapi);
  struct {
    HMODULE module;
    const char* name;
  } cases[] = {
      {kernel, "GetModuleFileNameExA"},  // psapi's, not kernel32's
      {psapi, "SetDefaultDllDirectories"},
      {psapi, "getmodulefilenameexa"},   // export names are case-sensitive
      {psapi, MAKEINTRESOURCEA(5)},
      {GetModuleHandleA("user32.dll"), "EnumWindows"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(IS_INTRESOURCE(test.name) ? "ordinal" : test.name);
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(test.module, test.name), (FARPROC)NULL);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PROC_NOT_FOUND);
  }
  SetLastError(0);
  EXPECT_EQ(GetProcAddress((HMODULE)(uintptr_t)0x1234, "GetModuleFileNameExA"), (FARPROC)NULL);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
}

TEST_F(ModulesTest, SetDefaultDllDirectoriesRecordsItsFlags) {
  EXPECT_EQ(world::DllSearchFlags(), 0u);
  SetDllDirectoriesFunction restrict = (SetDllDirectoriesFunction)GetProcAddress(
      GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
  ASSERT_NE(restrict, (SetDllDirectoriesFunction)NULL);
  SetLastError(0);
  EXPECT_FALSE(restrict(0));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(restrict(0x1));
  EXPECT_EQ(world::DllSearchFlags(), 0u);
  EXPECT_TRUE(restrict(0x800));
  EXPECT_EQ(world::DllSearchFlags(), 0x800u);
}

// ---- GetModuleFileNameExA ---------------------------------------------------------------------

class ImageNameTest : public ModulesTest {
 protected:
  void SetUp() override {
    ModulesTest::SetUp();
    HMODULE psapi = LoadLibraryA(kSystemPsapi);
    ASSERT_NE(psapi, (HMODULE)NULL);
    imageName_ = (ImageNameFunction)GetProcAddress(psapi, "GetModuleFileNameExA");
    ASSERT_NE(imageName_, (ImageNameFunction)NULL);
    world::ProcessSpec programSpec;
    programSpec.image = kImage;
    programSpec.windows.push_back(world::ProcessWindow());
    pid_ = world::StartProcess(programSpec);
  }
  ImageNameFunction imageName_ = NULL;
  DWORD pid_ = 0;
};

TEST_F(ImageNameTest, ReadsTheImagePathOfAProgram) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid_);
  ASSERT_NE(process, (HANDLE)NULL);
  char name[MAX_PATH];
  memset(name, 'x', sizeof name);
  EXPECT_EQ(imageName_(process, NULL, name, MAX_PATH), strlen(kImage));
  EXPECT_STREQ(name, kImage);

  // A short buffer gets as much as fits, terminated, and never more.
  char small[12];
  memset(small, 'x', sizeof small);
  EXPECT_EQ(imageName_(process, NULL, small, 8), 7u);
  EXPECT_STREQ(small, "C:\\Prog");
  EXPECT_EQ(small[8], 'x');
  SetLastError(0);
  EXPECT_EQ(imageName_(process, NULL, small, 0), 0u);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  CloseHandle(process);
}

TEST_F(ImageNameTest, FailsWithoutTheRightsOrTheProcess) {
  char name[MAX_PATH] = "untouched";
  HANDLE terminateOnly = OpenProcess(PROCESS_TERMINATE, FALSE, pid_);
  SetLastError(0);
  EXPECT_EQ(imageName_(terminateOnly, NULL, name, MAX_PATH), 0u);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
  SetLastError(0);
  EXPECT_EQ(imageName_((HANDLE)(uintptr_t)0x4444, NULL, name, MAX_PATH), 0u);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);

  HANDLE query = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid_);
  EXPECT_TRUE(TerminateProcess(terminateOnly, 1223));
  SetLastError(0);
  EXPECT_EQ(imageName_(query, NULL, name, MAX_PATH), 0u);
  EXPECT_NE(GetLastError(), (DWORD)ERROR_SUCCESS);
  EXPECT_STREQ(name, "untouched");
  CloseHandle(query);
  CloseHandle(terminateOnly);
}

TEST_F(ImageNameTest, OwnProcessReadsAsTheSetupProgram) {
  char own[MAX_PATH] = "";
  ASSERT_GT(GetModuleFileNameA(NULL, own, MAX_PATH), 0u);
  // The setup's own process (id 1000 on the simulated machine) is reachable like any other,
  // since the guard enumerates the program's own dialogs too.
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, 1000);
  ASSERT_NE(process, (HANDLE)NULL);
  char name[MAX_PATH] = "";
  EXPECT_EQ(imageName_(process, NULL, name, MAX_PATH), strlen(own));
  EXPECT_STREQ(name, own);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, (DWORD)STILL_ACTIVE);
  CloseHandle(process);
}

}  // namespace
