// Files and folders as the program relies on them.
#include <string>

#include "contract_fixture.h"

namespace {

class Files : public ContractTest {};

struct DispositionCase {
  const char* label;
  DWORD disposition;
  bool existsBefore;
  bool opens;
  DWORD error;            // last error after the call
  const char* contentAfter;  // what the file holds after the handle is closed, or nullptr: absent
};

TEST_F(Files, CreationDispositionsFollowTheDocumentedTable) {
  const DispositionCase cases[] = {
      {"CREATE_NEW over a file", CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
      {"CREATE_NEW, no file", CREATE_NEW, false, true, ERROR_SUCCESS, ""},
      {"CREATE_ALWAYS over a file", CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
      {"CREATE_ALWAYS, no file", CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {"OPEN_EXISTING a file", OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
      {"OPEN_EXISTING, no file", OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
      {"OPEN_ALWAYS a file", OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
      {"OPEN_ALWAYS, no file", OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {"TRUNCATE_EXISTING a file", TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
      {"TRUNCATE_EXISTING, no file", TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
  };
  int index = 0;
  for (const DispositionCase& c : cases) {
    SCOPED_TRACE(c.label);
    std::string path = Scratch("disposition" + std::to_string(index++) + ".txt");
    if (c.existsBefore) {
      ASSERT_TRUE(WriteWhole(path, "old"));
    }
    SetLastError(12345);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, c.disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD error = GetLastError();
    EXPECT_EQ(c.opens, file != INVALID_HANDLE_VALUE);
    // Windows documents the code after success only for the two "always" dispositions.
    if (!c.opens || c.disposition == CREATE_ALWAYS || c.disposition == OPEN_ALWAYS) {
      EXPECT_EQ(c.error, error);
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (c.contentAfter) {
      EXPECT_EQ(c.contentAfter, ReadWhole(path));
    } else {
      EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str()));
    }
  }
}

TEST_F(Files, BadPathsGiveTheirOwnCodes) {
  struct Case {
    std::string path;
    DWORD error;
  };
  const Case cases[] = {
      {Scratch("no such folder\\file.txt"), ERROR_PATH_NOT_FOUND},
      {Scratch("pipe|name.txt"), ERROR_INVALID_NAME},
      {Scratch("question?.txt"), ERROR_INVALID_NAME},
      {Scratch("star*.txt"), ERROR_INVALID_NAME},
      {Scratch("quote\".txt"), ERROR_INVALID_NAME},
      {Scratch(std::string(300, 'x')), ERROR_FILENAME_EXCED_RANGE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    HANDLE file = CreateFileA(c.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(c.error, GetLastError());
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
}

TEST_F(Files, WrittenBytesReadBackWithTheirSize) {
  std::string bytes;
  for (int i = 0; i < 70000; i++) bytes += (char)(i * 7 + i / 256);
  std::string path = Scratch("data.bin");
  ASSERT_TRUE(WriteWhole(path, bytes));

  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD high = 99;
  EXPECT_EQ(bytes.size(), GetFileSize(file, &high));
  EXPECT_EQ(0u, high);
  std::string back(bytes.size() + 10, '\0');
  DWORD got = 0;
  ASSERT_TRUE(ReadFile(file, &back[0], (DWORD)back.size(), &got, nullptr));
  EXPECT_EQ(bytes.size(), got);
  back.resize(got);
  EXPECT_EQ(bytes, back);
  // At the end, a read succeeds with nothing.
  ASSERT_TRUE(ReadFile(file, &back[0], 10, &got, nullptr));
  EXPECT_EQ(0u, got);
  // A handle opened for reading cannot write.
  EXPECT_FALSE(WriteFile(file, "x", 1, &got, nullptr));
  EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());
  EXPECT_TRUE(CloseHandle(file));
}

TEST_F(Files, NamesAreFoundWithoutRegardToCase) {
  ASSERT_TRUE(CreateDirectoryA(Scratch("Sub Folder").c_str(), nullptr));
  ASSERT_TRUE(WriteWhole(Scratch("Sub Folder\\MixedCase.TXT"), "hello"));
  EXPECT_EQ("hello", ReadWhole(Scratch("SUB FOLDER\\mixedcase.txt")));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Scratch("sub folder\\MIXEDCASE.txt").c_str()));
  // Creating under another case replaces the same file, it does not add a second one.
  ASSERT_TRUE(WriteWhole(Scratch("sub folder\\mixedcase.txt"), "again"));
  EXPECT_EQ("again", ReadWhole(Scratch("Sub Folder\\MixedCase.TXT")));
  EXPECT_FALSE(CreateDirectoryA(Scratch("SUB FOLDER").c_str(), nullptr));
  EXPECT_EQ((DWORD)ERROR_ALREADY_EXISTS, GetLastError());
  // "." and ".." are resolved as Windows does.
  EXPECT_EQ("again", ReadWhole(Scratch("Sub Folder\\.\\..\\Sub Folder\\mixedcase.txt")));
}

TEST_F(Files, ReadOnlyFileIsWrittenThroughItsCreatingHandleThenBlocksDeletion) {
  std::string path = Scratch("readonly.txt");
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_READONLY, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, "content", 7, &written, nullptr));
  EXPECT_EQ(7u, written);
  CloseHandle(file);

  DWORD attributes = GetFileAttributesA(path.c_str());
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY) << attributes;
  EXPECT_EQ("content", ReadWhole(path));
  EXPECT_FALSE(DeleteFileA(path.c_str()));
  EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());

  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_FALSE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str()));
  EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, GetLastError());
}

TEST_F(Files, ReadOnlyFileRefusesWriters) {
  HOST_ONLY("Wine running as root lets a writer open a read-only file");
  std::string path = Scratch("readonly.txt");
  ASSERT_TRUE(WriteWhole(path, "keep", FILE_ATTRIBUTE_READONLY));
  for (DWORD disposition : {(DWORD)OPEN_EXISTING, (DWORD)CREATE_ALWAYS, (DWORD)TRUNCATE_EXISTING, (DWORD)OPEN_ALWAYS}) {
    SCOPED_TRACE(disposition);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  EXPECT_EQ("keep", ReadWhole(path));
}

TEST_F(Files, ShareModesDecideWhoElseMayOpenOrDelete) {
  std::string path = Scratch("shared.txt");
  ASSERT_TRUE(WriteWhole(path, "data"));

  HANDLE exclusive = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, exclusive);
  HANDLE second = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(INVALID_HANDLE_VALUE, second);
  EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, GetLastError());
  EXPECT_FALSE(DeleteFileA(path.c_str()));
  EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, GetLastError());
  CloseHandle(exclusive);

  HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, reader);
  HANDLE otherReader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, otherReader);
  HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(INVALID_HANDLE_VALUE, writer);
  EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, GetLastError());
  CloseHandle(otherReader);
  CloseHandle(reader);

  HANDLE deletable = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, deletable);
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  CloseHandle(deletable);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str()));
}

TEST_F(Files, FoldersAreCreatedOnceAndRemovedOnlyWhenEmpty) {
  std::string folder = Scratch("Folder");
  EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  EXPECT_FALSE(CreateDirectoryA(folder.c_str(), nullptr));
  EXPECT_EQ((DWORD)ERROR_ALREADY_EXISTS, GetLastError());
  EXPECT_FALSE(CreateDirectoryA(Scratch("Missing\\Child").c_str(), nullptr));
  EXPECT_EQ((DWORD)ERROR_PATH_NOT_FOUND, GetLastError());
  EXPECT_TRUE(GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);

  ASSERT_TRUE(WriteWhole(folder + "\\file.txt", "x"));
  EXPECT_FALSE(RemoveDirectoryA(folder.c_str()));
  EXPECT_EQ((DWORD)ERROR_DIR_NOT_EMPTY, GetLastError());
  // A folder is neither opened nor deleted as a file, and a file is no folder.
  EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileA(folder.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());
  EXPECT_FALSE(DeleteFileA(folder.c_str()));
  EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());
  EXPECT_FALSE(RemoveDirectoryA((folder + "\\file.txt").c_str()));
  EXPECT_EQ((DWORD)ERROR_DIRECTORY, GetLastError());

  ASSERT_TRUE(DeleteFileA((folder + "\\file.txt").c_str()));
  EXPECT_TRUE(RemoveDirectoryA(folder.c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder.c_str()));
  EXPECT_FALSE(RemoveDirectoryA(folder.c_str()));
  EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, GetLastError());
}

TEST_F(Files, MissingFilesAndFoldersAreTwoDifferentErrors) {
  struct Case {
    const char* what;
    int call;  // 0 attributes, 1 set attributes, 2 delete
    std::string path;
    DWORD error;
  };
  const Case cases[] = {
      {"attributes, missing file", 0, Scratch("none.txt"), ERROR_FILE_NOT_FOUND},
      {"attributes, missing folder", 0, Scratch("none\\none.txt"), ERROR_PATH_NOT_FOUND},
      {"set attributes, missing file", 1, Scratch("none.txt"), ERROR_FILE_NOT_FOUND},
      {"delete, missing file", 2, Scratch("none.txt"), ERROR_FILE_NOT_FOUND},
      {"delete, missing folder", 2, Scratch("none\\none.txt"), ERROR_PATH_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetLastError(0);
    if (c.call == 0) {
      EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(c.path.c_str()));
    }
    if (c.call == 1) {
      EXPECT_FALSE(SetFileAttributesA(c.path.c_str(), FILE_ATTRIBUTE_NORMAL));
    }
    if (c.call == 2) {
      EXPECT_FALSE(DeleteFileA(c.path.c_str()));
    }
    EXPECT_EQ(c.error, GetLastError());
  }
}

TEST_F(Files, AFinalBackslashNamesAFolderNeverAFile) {
  ASSERT_TRUE(WriteWhole(Scratch("file.txt"), "keep"));
  ASSERT_TRUE(CreateDirectoryA(Scratch("Folder\\").c_str(), nullptr));
  EXPECT_TRUE(GetFileAttributesA(Scratch("Folder\\").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  HANDLE opened = CreateFileA(Scratch("file.txt\\").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(INVALID_HANDLE_VALUE, opened);
  EXPECT_EQ((DWORD)ERROR_INVALID_NAME, GetLastError());
  HANDLE created = CreateFileA(Scratch("new.txt\\").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  EXPECT_EQ(INVALID_HANDLE_VALUE, created);
  EXPECT_EQ((DWORD)ERROR_INVALID_NAME, GetLastError());
  EXPECT_FALSE(DeleteFileA(Scratch("file.txt\\").c_str()));
  EXPECT_EQ((DWORD)ERROR_INVALID_NAME, GetLastError());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Scratch("file.txt\\").c_str()));
  EXPECT_EQ((DWORD)ERROR_PATH_NOT_FOUND, GetLastError());
  EXPECT_EQ("keep", ReadWhole(Scratch("file.txt")));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Scratch("new.txt").c_str()));
}

FILETIME MakeFileTime(ULONGLONG value) {
  FILETIME time;
  time.dwLowDateTime = (DWORD)value;
  time.dwHighDateTime = (DWORD)(value >> 32);
  return time;
}

ULONGLONG Value(const FILETIME& time) { return ((ULONGLONG)time.dwHighDateTime << 32) | time.dwLowDateTime; }

// 2001-02-03, 2010-06-07 and 2020-11-12, each with an odd count of 100 ns.
const ULONGLONG kCreation = 126254016001234567ULL;
const ULONGLONG kAccess = 129203424009876543ULL;
const ULONGLONG kWrite = 132496992005555555ULL;

TEST_F(Files, AccessAndWriteTimesReadBackAsSet) {
  std::string path = Scratch("timed.txt");
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_READONLY, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, "abc", 3, &written, nullptr));
  FILETIME access = MakeFileTime(kAccess), write = MakeFileTime(kWrite);
  ASSERT_TRUE(SetFileTime(file, nullptr, &access, &write));
  CloseHandle(file);

  file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  FILETIME readAccess, readWrite;
  ASSERT_TRUE(GetFileTime(file, nullptr, &readAccess, &readWrite));
  EXPECT_EQ(kAccess, Value(readAccess));
  EXPECT_EQ(kWrite, Value(readWrite));
  CloseHandle(file);
}

TEST_F(Files, SettingTimesNeedsAHandleThatMayWriteAttributes) {
  HOST_ONLY("Wine lets a handle opened only for reading set the times");
  std::string path = Scratch("timed.txt");
  ASSERT_TRUE(WriteWhole(path, "abc"));
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  FILETIME write = MakeFileTime(kWrite);
  EXPECT_FALSE(SetFileTime(file, nullptr, nullptr, &write));
  EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());
  CloseHandle(file);
}

TEST_F(Files, CreationTimeReadsBackAsSet) {
  HOST_ONLY("Wine reports the last write time as the creation time");
  std::string path = Scratch("created.txt");
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  FILETIME creation = MakeFileTime(kCreation), access = MakeFileTime(kAccess), write = MakeFileTime(kWrite);
  ASSERT_TRUE(SetFileTime(file, &creation, &access, &write));
  CloseHandle(file);
  file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME times[3];
  ASSERT_TRUE(GetFileTime(file, &times[0], &times[1], &times[2]));
  CloseHandle(file);
  EXPECT_EQ(kCreation, Value(times[0]));
  EXPECT_EQ(kAccess, Value(times[1]));
  EXPECT_EQ(kWrite, Value(times[2]));
}

TEST_F(Files, ClosingWhatIsNoHandleFails) {
  std::string path = Scratch("once.txt");
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  EXPECT_TRUE(CloseHandle(file));
  // Once closed, the file is free for an exclusive open again.
  HANDLE again = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, again);
  CloseHandle(again);
  SetLastError(0);
  EXPECT_FALSE(CloseHandle((HANDLE)(ULONG_PTR)0x7654320));
  EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());
}

}  // namespace
