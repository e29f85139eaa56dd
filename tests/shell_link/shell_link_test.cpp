// The shell link object behind CoCreateInstance: COM's rules for creating it, what its
// IShellLinkA keeps, and the .lnk files IPersistFile::Save writes, read back by Debian's
// lnkinfo (an independent reader of the format) and by the world.
#include <stdio.h>

#include <map>
#include <string>
#include <vector>

#include "platform/host/world.h"
#include "support/world_fixture.h"

namespace {

const char kTarget[] = "C:\\Program Files\\Velmora\\Velmora.exe";
const char kFolder[] = "C:\\Program Files\\Velmora";
const char kDescription[] = "Powerful graphical editor capable to create the most complex family tree";
const char kLink[] = "C:\\Users\\Public\\Start Menu\\Programs\\Velmora.lnk";

std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

const WCHAR* W(const std::u16string& text) { return (const WCHAR*)text.c_str(); }

// lnkinfo's report of a file, as "field" -> "value" (its lines read "\tField\t\t: value").
std::map<std::string, std::string> LnkInfo(const std::string& hostPath) {
  std::map<std::string, std::string> fields;
  std::string command = "lnkinfo '" + hostPath + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == NULL) return fields;
  char line[2048];
  while (fgets(line, sizeof line, pipe) != NULL) {
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    size_t colon = text.find(": ");
    if (colon == std::string::npos) continue;
    std::string field = text.substr(0, colon);
    size_t first = field.find_first_not_of(" \t");
    size_t last = field.find_last_not_of(" \t");
    if (first == std::string::npos) continue;
    fields[field.substr(first, last - first + 1)] = text.substr(colon + 2);
  }
  fields["exit status"] = std::to_string(pclose(pipe));
  return fields;
}

class ShellLinkTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    world::PutFile(kTarget, std::string(5000, 'M'));
    world::MakeFolder("C:\\Users\\Public\\Start Menu\\Programs");
    ASSERT_EQ(CoInitialize(NULL), S_OK);
  }
  void TearDown() override { CoUninitialize(); }

  // A link object with the program's three settings, or NULL.
  IShellLinkA* NewLink(const char* target = kTarget, const char* folder = kFolder,
                       const char* description = kDescription) {
    IShellLinkA* link = NULL;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                (void**)&link)))
      return NULL;
    link->SetPath(target);
    link->SetWorkingDirectory(folder);
    link->SetDescription(description);
    return link;
  }

  HRESULT SaveLink(IShellLinkA* link, const std::string& path) {
    IPersistFile* file = NULL;
    HRESULT result = link->QueryInterface(IID_IPersistFile, (void**)&file);
    if (FAILED(result)) return result;
    result = file->Save(W(Wide(path)), TRUE);
    file->Release();
    return result;
  }

  // Makes, saves and releases a link; the result of Save.
  HRESULT MakeLink(const std::string& path, const char* target = kTarget,
                   const char* folder = kFolder, const char* description = kDescription) {
    IShellLinkA* link = NewLink(target, folder, description);
    if (link == NULL) return E_FAIL;
    HRESULT result = SaveLink(link, path);
    link->Release();
    return result;
  }
};

// ---- creating the object ------------------------------------------------------------------------

TEST_F(ShellLinkTest, CoCreateInstanceFollowsComRules) {
  struct {
    const char* name;
    const CLSID* clsid;
    DWORD context;
    const IID* iid;
    HRESULT expected;
  } cases[] = {
      {"another class", &IID_IPersistFile, CLSCTX_INPROC_SERVER, &IID_IShellLinkA, REGDB_E_CLASSNOTREG},
      {"out of process only", &CLSID_ShellLink, CLSCTX_LOCAL_SERVER, &IID_IShellLinkA, REGDB_E_CLASSNOTREG},
      {"an interface it lacks", &CLSID_ShellLink, CLSCTX_INPROC_SERVER, &IID_IMalloc, E_NOINTERFACE},
      {"IShellLinkA", &CLSID_ShellLink, CLSCTX_INPROC_SERVER, &IID_IShellLinkA, S_OK},
      {"IPersistFile directly", &CLSID_ShellLink, CLSCTX_ALL, &IID_IPersistFile, S_OK},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    IUnknown* object = (IUnknown*)(uintptr_t)0x1;
    EXPECT_EQ(CoCreateInstance(*test.clsid, NULL, test.context, *test.iid, (void**)&object), test.expected);
    if (SUCCEEDED(test.expected)) {
      ASSERT_NE(object, (IUnknown*)NULL);
      object->Release();
    } else {
      EXPECT_EQ(object, (IUnknown*)NULL);
    }
  }
  EXPECT_EQ(world::ShellLinkObjectsAlive(), 0);
}

TEST_F(ShellLinkTest, NothingIsCreatedBeforeCoInitialize) {
  EXPECT_EQ(CoInitialize(NULL), S_FALSE);  // a second initialisation of the thread
  CoUninitialize();
  CoUninitialize();
  IShellLinkA* link = (IShellLinkA*)(uintptr_t)0x1;
  EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void**)&link),
            CO_E_NOTINITIALIZED);
  EXPECT_EQ(link, (IShellLinkA*)NULL);
  ASSERT_EQ(CoInitialize(NULL), S_OK);  // for TearDown
}

TEST_F(ShellLinkTest, CoCreateInstanceFaultFromThePlan) {
  world::Fault fault;
  fault.function = "CoCreateInstance";
  fault.error = ERROR_NOT_ENOUGH_MEMORY;
  world::AddFault(fault);
  IShellLinkA* link = NULL;
  EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void**)&link),
            HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(link, (IShellLinkA*)NULL);
  link = NewLink();
  ASSERT_NE(link, (IShellLinkA*)NULL);
  link->Release();
}

TEST_F(ShellLinkTest, InterfacesShareOneObjectThatReleaseFrees) {
  IShellLinkA* link = NewLink();
  ASSERT_NE(link, (IShellLinkA*)NULL);
  EXPECT_EQ(world::ShellLinkObjectsAlive(), 1);
  IPersistFile* file = NULL;
  ASSERT_EQ(link->QueryInterface(IID_IPersistFile, (void**)&file), S_OK);
  IUnknown* fromLink = NULL;
  IUnknown* fromFile = NULL;
  link->QueryInterface(IID_IUnknown, (void**)&fromLink);
  file->QueryInterface(IID_IUnknown, (void**)&fromFile);
  EXPECT_EQ(fromLink, fromFile);
  fromLink->Release();
  fromFile->Release();
  CLSID classId;
  EXPECT_EQ(file->GetClassID(&classId), S_OK);
  EXPECT_TRUE(classId == CLSID_ShellLink);
  IUnknown* none = (IUnknown*)(uintptr_t)0x1;
  EXPECT_EQ(file->QueryInterface(IID_IMalloc, (void**)&none), E_NOINTERFACE);
  EXPECT_EQ(none, (IUnknown*)NULL);

  EXPECT_EQ(link->Release(), 1u);
  EXPECT_EQ(world::ShellLinkObjectsAlive(), 1);
  EXPECT_EQ(file->Release(), 0u);
  EXPECT_EQ(world::ShellLinkObjectsAlive(), 0);
}

// ---- IShellLinkA keeps what it was given --------------------------------------------------------

TEST_F(ShellLinkTest, GettersReturnWhatSettersStored) {
  IShellLinkA* link = NULL;
  ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void**)&link), S_OK);
  char buffer[MAX_PATH];
  // A fresh link has no path.
  EXPECT_EQ(link->GetPath(buffer, MAX_PATH, NULL, 0), S_FALSE);
  EXPECT_STREQ(buffer, "");

  struct Field {
    const char* name;
    HRESULT (*set)(IShellLinkA*, const char*);
    HRESULT (*get)(IShellLinkA*, char*, int);
  };
  const Field fields[] = {
      {"path", [](IShellLinkA* l, const char* v) { return l->SetPath(v); },
       [](IShellLinkA* l, char* b, int n) { return l->GetPath(b, n, NULL, 0); }},
      {"working folder", [](IShellLinkA* l, const char* v) { return l->SetWorkingDirectory(v); },
       [](IShellLinkA* l, char* b, int n) { return l->GetWorkingDirectory(b, n); }},
      {"description", [](IShellLinkA* l, const char* v) { return l->SetDescription(v); },
       [](IShellLinkA* l, char* b, int n) { return l->GetDescription(b, n); }},
      {"arguments", [](IShellLinkA* l, const char* v) { return l->SetArguments(v); },
       [](IShellLinkA* l, char* b, int n) { return l->GetArguments(b, n); }},
      {"icon", [](IShellLinkA* l, const char* v) { return l->SetIconLocation(v, 3); },
       [](IShellLinkA* l, char* b, int n) {
         int index = 0;
         HRESULT r = l->GetIconLocation(b, n, &index);
         return SUCCEEDED(r) && index != 3 ? E_FAIL : r;
       }},
  };
  const std::string value = "D:\\Velmora Family\\Velmora.exe";
  for (const Field& field : fields) {
    SCOPED_TRACE(field.name);
    EXPECT_EQ(field.set(link, value.c_str()), S_OK);
    memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(field.get(link, buffer, MAX_PATH), S_OK);
    EXPECT_EQ(std::string(buffer), value);
    // A small buffer gets what fits, terminated, and nothing beyond it.
    memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(field.get(link, buffer, 6), S_OK);
    EXPECT_STREQ(buffer, "D:\\Ve");
    EXPECT_EQ(buffer[6], 'x');
    EXPECT_EQ(field.get(link, NULL, MAX_PATH), E_INVALIDARG);
    EXPECT_EQ(field.get(link, buffer, 0), E_INVALIDARG);
    EXPECT_EQ(field.set(link, NULL), E_INVALIDARG);
    // A path the ANSI interfaces cannot carry is refused and the old value kept.
    EXPECT_EQ(field.set(link, std::string(2000, 'a').c_str()), E_INVALIDARG);
    EXPECT_EQ(field.get(link, buffer, MAX_PATH), S_OK);
    EXPECT_EQ(std::string(buffer), value);
  }

  WORD hotkey = 1;
  EXPECT_EQ(link->GetHotkey(&hotkey), S_OK);
  EXPECT_EQ(hotkey, 0);
  EXPECT_EQ(link->SetHotkey(0x0656), S_OK);
  EXPECT_EQ(link->GetHotkey(&hotkey), S_OK);
  EXPECT_EQ(hotkey, 0x0656);
  int show = 0;
  EXPECT_EQ(link->GetShowCmd(&show), S_OK);
  EXPECT_EQ(show, SW_SHOWNORMAL);
  EXPECT_EQ(link->SetShowCmd(SW_SHOWMAXIMIZED), S_OK);
  EXPECT_EQ(link->GetShowCmd(&show), S_OK);
  EXPECT_EQ(show, SW_SHOWMAXIMIZED);
  EXPECT_EQ(link->SetRelativePath(".\\Velmora.exe", 0), S_OK);
  EXPECT_EQ(link->Resolve(NULL, 0), S_FALSE);  // D:\Velmora Family does not exist
  link->SetPath(kTarget);
  EXPECT_EQ(link->Resolve(NULL, 0), S_OK);
  link->Release();
}

TEST_F(ShellLinkTest, IdListNamesThePath) {
  IShellLinkA* link = NewLink();
  ASSERT_NE(link, (IShellLinkA*)NULL);
  LPITEMIDLIST idList = NULL;
  ASSERT_EQ(link->GetIDList(&idList), S_OK);
  char path[MAX_PATH] = "";
  EXPECT_TRUE(SHGetPathFromIDListA(idList, path));
  EXPECT_STREQ(path, kTarget);
  link->SetPath("D:\\Other.exe");
  EXPECT_EQ(link->SetIDList(idList), S_OK);
  CoTaskMemFree(idList);
  EXPECT_EQ(link->GetPath(path, MAX_PATH, NULL, 0), S_OK);
  EXPECT_STREQ(path, kTarget);
  link->Release();
}

// ---- saved .lnk files ---------------------------------------------------------------------------

TEST_F(ShellLinkTest, SavedLinkReadsBackWithLnkinfo) {
  ASSERT_EQ(MakeLink(kLink), S_OK);
  EXPECT_EQ(world::ShellLinkObjectsAlive(), 0);
  ASSERT_TRUE(world::FileExists(kLink));

  std::string bytes = world::FileBytes(kLink);
  ASSERT_GE(bytes.size(), 0x4Cu);
  const unsigned char header[] = {0x4C, 0, 0, 0, 0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                  0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  EXPECT_EQ(bytes.substr(0, sizeof header), std::string((const char*)header, sizeof header));
  EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string(4, '\0'));  // terminal block

  std::map<std::string, std::string> info = LnkInfo(world::HostPath(kLink));
  EXPECT_EQ(info["exit status"], "0");
  EXPECT_EQ(info["Local path"], kTarget);
  EXPECT_EQ(info["Working directory"], kFolder);
  EXPECT_EQ(info["Description"], kDescription);
  EXPECT_EQ(info["Drive type"], "Fixed (3)");
  EXPECT_EQ(info["File size"], "5000 bytes");  // the target's, as it was when saved
  EXPECT_EQ(info.count("Command line arguments"), 0u);
  EXPECT_EQ(info.count("Icon location"), 0u);

  world::ShellLinkInfo read = world::ReadShellLink(kLink);
  EXPECT_TRUE(read.valid);
  EXPECT_EQ(read.target, kTarget);
  EXPECT_EQ(read.workingFolder, kFolder);
  EXPECT_EQ(read.description, kDescription);
  EXPECT_EQ(read.showCommand, SW_SHOWNORMAL);
}

TEST_F(ShellLinkTest, TargetsOnSharesAndTextsBeyondAscii) {
  world::AddShare("server", "apps");
  struct {
    const char* name;
    const char* target;
    const char* description;
    const char* lnkinfoField;
    std::string lnkinfoValue;  // as lnkinfo prints it, in UTF-8
    std::string description8;
  } cases[] = {
      {"network share", "\\\\server\\apps\\Velmora\\Velmora.exe", kDescription, "Network path",
       "\\\\server\\apps\\Velmora\\Velmora.exe", kDescription},
      {"code page 1252 texts", "D:\\G\xE9n\xE9" "alogie\\Velmora.exe", "Velmora\xAE editor \x80 5",
       "Local path", "D:\\G\xC3\xA9n\xC3\xA9" "alogie\\Velmora.exe", "Velmora\xC2\xAE editor \xE2\x82\xAC 5"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    std::string path = std::string("C:\\Users\\Public\\Start Menu\\Programs\\") + test.name + ".lnk";
    ASSERT_EQ(MakeLink(path, test.target, kFolder, test.description), S_OK);
    std::map<std::string, std::string> info = LnkInfo(world::HostPath(path));
    EXPECT_EQ(info[test.lnkinfoField], test.lnkinfoValue);
    EXPECT_EQ(info["Description"], test.description8);
    world::ShellLinkInfo read = world::ReadShellLink(path);
    EXPECT_EQ(read.target, test.target);
    EXPECT_EQ(read.description, test.description);
  }
}

TEST_F(ShellLinkTest, EverySettingReachesTheFile) {
  IShellLinkA* link = NewLink();
  ASSERT_NE(link, (IShellLinkA*)NULL);
  link->SetArguments("/install \"family.vlm\"");
  link->SetIconLocation("C:\\Program Files\\Velmora\\Velmora.exe", 2);
  link->SetShowCmd(SW_SHOWMAXIMIZED);
  ASSERT_EQ(SaveLink(link, kLink), S_OK);
  link->Release();
  std::map<std::string, std::string> info = LnkInfo(world::HostPath(kLink));
  EXPECT_EQ(info["Command line arguments"], "/install \"family.vlm\"");
  EXPECT_EQ(info["Icon location"], "C:\\Program Files\\Velmora\\Velmora.exe");
  EXPECT_EQ(info["Icon index"], "2");

  // Loading the file gives an object that holds the same settings.
  IPersistFile* file = NULL;
  ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IPersistFile, (void**)&file), S_OK);
  ASSERT_EQ(file->Load(W(Wide(kLink)), 0), S_OK);
  IShellLinkA* loaded = NULL;
  ASSERT_EQ(file->QueryInterface(IID_IShellLinkA, (void**)&loaded), S_OK);
  char text[MAX_PATH];
  int index = 0, show = 0;
  loaded->GetPath(text, MAX_PATH, NULL, 0);
  EXPECT_STREQ(text, kTarget);
  loaded->GetArguments(text, MAX_PATH);
  EXPECT_STREQ(text, "/install \"family.vlm\"");
  loaded->GetIconLocation(text, MAX_PATH, &index);
  EXPECT_EQ(index, 2);
  loaded->GetShowCmd(&show);
  EXPECT_EQ(show, SW_SHOWMAXIMIZED);
  loaded->Release();
  file->Release();
  EXPECT_EQ(world::ShellLinkObjectsAlive(), 0);
}

TEST_F(ShellLinkTest, SaveWithoutANameUsesTheRememberedFile) {
  IShellLinkA* link = NewLink();
  IPersistFile* file = NULL;
  ASSERT_EQ(link->QueryInterface(IID_IPersistFile, (void**)&file), S_OK);
  EXPECT_EQ(file->IsDirty(), S_OK);
  EXPECT_EQ(file->Save(NULL, TRUE), E_INVALIDARG);
  ASSERT_EQ(file->Save(W(Wide(kLink)), TRUE), S_OK);
  EXPECT_EQ(file->IsDirty(), S_FALSE);
  LPWSTR current = NULL;
  ASSERT_EQ(file->GetCurFile(&current), S_OK);
  EXPECT_EQ(std::u16string((const char16_t*)current), Wide(kLink));
  CoTaskMemFree(current);
  link->SetDescription("Changed");
  EXPECT_EQ(file->Save(NULL, FALSE), S_OK);
  EXPECT_EQ(world::ReadShellLink(kLink).description, "Changed");
  file->Release();
  link->Release();
}

struct SaveFailure {
  const char* name;
  const char* linkPath;
  HRESULT expected;
};

TEST_F(ShellLinkTest, FailedSaveReportsTheErrorAndLeavesNoFile) {
  world::MakeFolder("C:\\Locked");
  world::DenyFolder("C:\\Locked");
  world::PutFile("C:\\Users\\Public\\Start Menu\\Programs\\Old.lnk", "old", FILE_ATTRIBUTE_READONLY);
  world::Fault saveFault;
  saveFault.function = "IPersistFile::Save";
  saveFault.pathContains = "Faulty";
  saveFault.error = ERROR_ACCESS_DENIED;
  world::AddFault(saveFault);
  world::AddShortWrite("Full.lnk", 30);

  const SaveFailure cases[] = {
      {"fault plan", "C:\\Users\\Public\\Start Menu\\Programs\\Faulty.lnk", E_ACCESSDENIED},
      {"folder denied to the user", "C:\\Locked\\Velmora.lnk", E_ACCESSDENIED},
      {"missing folder", "C:\\Users\\Public\\Start Menu\\Missing\\Velmora.lnk",
       HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)},
      {"disk full", "C:\\Users\\Public\\Start Menu\\Programs\\Full.lnk", HRESULT_FROM_WIN32(ERROR_DISK_FULL)},
  };
  for (const SaveFailure& test : cases) {
    SCOPED_TRACE(test.name);
    EXPECT_EQ(MakeLink(test.linkPath), test.expected);
    EXPECT_FALSE(world::FileExists(test.linkPath));
  }
  // A read-only link in the way is not replaced.
  EXPECT_EQ(MakeLink("C:\\Users\\Public\\Start Menu\\Programs\\Old.lnk"), E_ACCESSDENIED);
  EXPECT_EQ(world::FileBytes("C:\\Users\\Public\\Start Menu\\Programs\\Old.lnk"), "old");
  EXPECT_EQ(world::ShellLinkObjectsAlive(), 0);
  // The fault fired once; the same save now works.
  EXPECT_EQ(MakeLink(cases[0].linkPath), S_OK);
}

// The ANSI side cannot name every file: a link name outside code page 1252 is refused, and
// a stored text outside it reads back with '?' as the ANSI interfaces of Windows give it.
TEST_F(ShellLinkTest, TextsOutsideTheCodePage) {
  IShellLinkA* link = NewLink();
  IPersistFile* file = NULL;
  ASSERT_EQ(link->QueryInterface(IID_IPersistFile, (void**)&file), S_OK);
  std::u16string name = Wide("C:\\Users\\Public\\Start Menu\\Programs\\") + u"\u5BB6\u8C31.lnk";
  EXPECT_EQ(file->Save(W(name), TRUE), HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
  EXPECT_EQ(world::ListTree("C:\\Users\\Public\\Start Menu\\Programs"), std::vector<std::string>());
  file->Release();
  link->Release();

  ASSERT_EQ(MakeLink(kLink), S_OK);
  std::string bytes = world::FileBytes(kLink);
  size_t at = bytes.find(std::string("P\0o\0w\0", 6));
  ASSERT_NE(at, std::string::npos);
  bytes[at] = '\x2D';
  bytes[at + 1] = '\x4E';  // U+4E2D
  world::PutFile(kLink, bytes);
  world::ShellLinkInfo read = world::ReadShellLink(kLink);
  EXPECT_TRUE(read.valid);
  EXPECT_EQ(read.description, std::string("?") + (kDescription + 1));
  EXPECT_EQ(read.target, kTarget);
}

TEST_F(ShellLinkTest, ReadShellLinkRefusesOtherFiles) {
  world::PutFile("C:\\not-a-link.lnk", "MZ this is not a link");
  std::string truncated = (MakeLink(kLink), world::FileBytes(kLink));
  truncated.resize(truncated.size() / 2);
  world::PutFile("C:\\truncated.lnk", truncated);
  const char* paths[] = {"C:\\missing.lnk", "C:\\not-a-link.lnk", "C:\\truncated.lnk"};
  for (const char* path : paths) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(world::ReadShellLink(path).valid);
  }
  IPersistFile* file = NULL;
  ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IPersistFile, (void**)&file), S_OK);
  EXPECT_TRUE(FAILED(file->Load(W(Wide("C:\\truncated.lnk")), 0)));
  EXPECT_EQ(file->Load(W(Wide("C:\\missing.lnk")), 0), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  file->Release();
}

}  // namespace
