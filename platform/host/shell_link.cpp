// The shell link object behind CoCreateInstance(CLSID_ShellLink): IShellLinkA keeps what the
// program sets, IPersistFile::Save writes it as a .lnk file through the world's files.
#include <sys/stat.h>

#include <string>

#include "platform/host/shell_link.h"
#include "platform/host/world.h"
#include "platform/host/world_internal.h"

namespace {

const int kMaxTextLength = 1023;  // description and arguments, as the shell's INFOTIPSIZE allows

int objectsAlive = 0;

struct ResetRegistration {
  ResetRegistration() {
    world::internal::RegisterResetHook([]() { objectsAlive = 0; });
  }
} resetRegistration;

// Copies `text` into the caller's buffer of `capacity` characters, cut to fit.
HRESULT CopyOut(const std::string& text, LPSTR buffer, int capacity) {
  if (buffer == NULL || capacity <= 0) return E_INVALIDARG;
  size_t copied = text.size() < (size_t)capacity - 1 ? text.size() : (size_t)capacity - 1;
  memcpy(buffer, text.data(), copied);
  buffer[copied] = '\0';
  return S_OK;
}

HRESULT StoreText(LPCSTR text, size_t maxLength, std::string* field, bool* dirty) {
  if (text == NULL) return E_INVALIDARG;
  size_t length = strlen(text);
  if (length > maxLength) return E_INVALIDARG;
  field->assign(text, length);
  *dirty = true;
  return S_OK;
}

HRESULT HresultOfLastError() {
  DWORD error = GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

// The target's attributes, times and size as the link header records them (zero when the
// target is missing).
void DescribeTarget(world::internal::ShellLinkData* link) {
  if (link->target.empty() || !world::FileExists(link->target)) return;
  link->targetAttributes = world::Attributes(link->target);
  world::FileTimes times = world::Times(link->target);
  link->targetCreation = times.creation;
  link->targetLastAccess = times.lastAccess;
  link->targetLastWrite = times.lastWrite;
  struct stat status;
  std::string hostPath = world::HostPath(link->target);
  if (!hostPath.empty() && stat(hostPath.c_str(), &status) == 0)
    link->targetSize = (DWORD)status.st_size;
}

std::u16string WideOf(LPCOLESTR text) {
  std::u16string wide;
  if (text != NULL)
    for (size_t i = 0; text[i] != 0; ++i) wide += (char16_t)text[i];
  return wide;
}

class ShellLinkObject : public IShellLinkA, public IPersistFile {
 public:
  ShellLinkObject() { ++objectsAlive; }
  virtual ~ShellLinkObject() {
    if (objectsAlive > 0) --objectsAlive;
  }

  // ---- IUnknown ----
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == NULL) return E_POINTER;
    *object = NULL;
    if (riid == IID_IUnknown || riid == IID_IShellLinkA)
      *object = static_cast<IShellLinkA*>(this);
    else if (riid == IID_IPersistFile || riid == IID_IPersist)
      *object = static_cast<IPersistFile*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef(void) override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release(void) override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // ---- IShellLinkA ----
  // The find data is left untouched: the layer has no WIN32_FIND_DATAA.
  HRESULT STDMETHODCALLTYPE GetPath(LPSTR file, int capacity, LPWIN32_FIND_DATAA, DWORD) override {
    HRESULT result = CopyOut(link_.target, file, capacity);
    if (FAILED(result)) return result;
    return link_.target.empty() ? S_FALSE : S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDList(LPITEMIDLIST* idList) override {
    if (idList == NULL) return E_INVALIDARG;
    *idList = NULL;
    if (link_.target.empty()) return S_FALSE;
    *idList = world::internal::NewIdList(link_.target);
    return *idList != NULL ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE SetIDList(LPCITEMIDLIST idList) override {
    if (idList == NULL) return E_INVALIDARG;
    char path[MAX_PATH];
    link_.target = SHGetPathFromIDListA(idList, path) ? path : "";
    dirty_ = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDescription(LPSTR name, int capacity) override {
    return CopyOut(link_.description, name, capacity);
  }
  HRESULT STDMETHODCALLTYPE SetDescription(LPCSTR name) override {
    return StoreText(name, kMaxTextLength, &link_.description, &dirty_);
  }
  HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPSTR dir, int capacity) override {
    return CopyOut(link_.workingFolder, dir, capacity);
  }
  HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCSTR dir) override {
    return StoreText(dir, MAX_PATH - 1, &link_.workingFolder, &dirty_);
  }
  HRESULT STDMETHODCALLTYPE GetArguments(LPSTR args, int capacity) override {
    return CopyOut(link_.arguments, args, capacity);
  }
  HRESULT STDMETHODCALLTYPE SetArguments(LPCSTR args) override {
    return StoreText(args, kMaxTextLength, &link_.arguments, &dirty_);
  }
  HRESULT STDMETHODCALLTYPE GetHotkey(WORD* hotkey) override {
    if (hotkey == NULL) return E_INVALIDARG;
    *hotkey = link_.hotkey;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetHotkey(WORD hotkey) override {
    link_.hotkey = hotkey;
    dirty_ = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetShowCmd(int* showCmd) override {
    if (showCmd == NULL) return E_INVALIDARG;
    *showCmd = link_.showCommand;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetShowCmd(int showCmd) override {
    link_.showCommand = showCmd;
    dirty_ = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIconLocation(LPSTR iconPath, int capacity, int* icon) override {
    if (icon == NULL) return E_INVALIDARG;
    HRESULT result = CopyOut(link_.iconPath, iconPath, capacity);
    if (SUCCEEDED(result)) *icon = link_.iconIndex;
    return result;
  }
  HRESULT STDMETHODCALLTYPE SetIconLocation(LPCSTR iconPath, int icon) override {
    HRESULT result = StoreText(iconPath, MAX_PATH - 1, &link_.iconPath, &dirty_);
    if (SUCCEEDED(result)) link_.iconIndex = icon;
    return result;
  }
  HRESULT STDMETHODCALLTYPE SetRelativePath(LPCSTR relativePath, DWORD) override {
    return StoreText(relativePath, MAX_PATH - 1, &link_.relativePath, &dirty_);
  }
  HRESULT STDMETHODCALLTYPE Resolve(HWND, DWORD) override {
    return link_.target.empty() || world::FileExists(link_.target) ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE SetPath(LPCSTR file) override {
    return StoreText(file, MAX_PATH - 1, &link_.target, &dirty_);
  }

  // ---- IPersistFile ----
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) override {
    if (classId == NULL) return E_POINTER;
    *classId = CLSID_ShellLink;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsDirty(void) override { return dirty_ ? S_OK : S_FALSE; }
  // Reads a .lnk this layer can decode; the object then holds what the file says.
  HRESULT STDMETHODCALLTYPE Load(LPCOLESTR fileName, DWORD) override {
    std::string path;
    if (fileName == NULL) return E_INVALIDARG;
    if (!world::internal::WideToAnsi(WideOf(fileName), &path))
      return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return HresultOfLastError();
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    BOOL ok = TRUE;
    while ((ok = ReadFile(file, chunk, sizeof chunk, &got, NULL)) && got > 0 && bytes.size() < (1u << 20))
      bytes.append(chunk, got);
    HRESULT result = ok ? S_OK : HresultOfLastError();
    CloseHandle(file);
    if (FAILED(result)) return result;
    world::internal::ShellLinkData loaded;
    if (!world::internal::DecodeShellLink(bytes, &loaded)) return E_FAIL;
    link_ = loaded;
    currentFile_ = path;
    dirty_ = false;
    return S_OK;
  }
  // Writes the link to `fileName` (NULL: the remembered file). A failure of the file layer
  // comes back as its HRESULT_FROM_WIN32 and leaves no partial file behind.
  HRESULT STDMETHODCALLTYPE Save(LPCOLESTR fileName, BOOL remember) override {
    std::string path;
    if (fileName == NULL) {
      if (currentFile_.empty()) return E_INVALIDARG;
      path = currentFile_;
    } else if (!world::internal::WideToAnsi(WideOf(fileName), &path) || path.empty()) {
      return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    }
    if (world::internal::FaultFires("IPersistFile::Save", path)) return HresultOfLastError();
    world::internal::ShellLinkData link = link_;
    DescribeTarget(&link);
    std::string bytes = world::internal::EncodeShellLink(link);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return HresultOfLastError();
    DWORD written = 0;
    HRESULT result = S_OK;
    if (!WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL))
      result = HresultOfLastError();
    else if (written != bytes.size())
      result = HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    if (!CloseHandle(file) && SUCCEEDED(result)) result = HresultOfLastError();
    if (FAILED(result)) {
      DeleteFileA(path.c_str());
      return result;
    }
    if (remember || fileName == NULL) currentFile_ = path;
    if (remember || fileName == NULL) dirty_ = false;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR) override { return S_OK; }
  // The remembered file as UTF-16 in memory of the shell allocator; S_FALSE when none.
  HRESULT STDMETHODCALLTYPE GetCurFile(LPWSTR* fileName) override {
    if (fileName == NULL) return E_POINTER;
    *fileName = NULL;
    LPMALLOC allocator = NULL;
    if (FAILED(SHGetMalloc(&allocator)) || allocator == NULL) return E_OUTOFMEMORY;
    std::u16string wide = world::internal::AnsiToWide(currentFile_);
    WCHAR* copy = (WCHAR*)allocator->Alloc((wide.size() + 1) * sizeof(WCHAR));
    allocator->Release();
    if (copy == NULL) return E_OUTOFMEMORY;
    for (size_t i = 0; i < wide.size(); ++i) copy[i] = (WCHAR)wide[i];
    copy[wide.size()] = 0;
    *fileName = copy;
    return currentFile_.empty() ? S_FALSE : S_OK;
  }

 private:
  ULONG references_ = 1;
  bool dirty_ = false;
  world::internal::ShellLinkData link_;
  std::string currentFile_;
};

}  // namespace

namespace world {

int ShellLinkObjectsAlive() { return objectsAlive; }

ShellLinkInfo ReadShellLink(const std::string& path) {
  ShellLinkInfo info;
  if (!FileExists(path)) return info;
  internal::ShellLinkData link;
  if (!internal::DecodeShellLink(FileBytes(path), &link)) return info;
  info.valid = true;
  info.target = link.target;
  info.workingFolder = link.workingFolder;
  info.description = link.description;
  info.arguments = link.arguments;
  info.iconPath = link.iconPath;
  info.iconIndex = link.iconIndex;
  info.showCommand = link.showCommand;
  return info;
}

namespace internal {

HRESULT CreateShellLinkObject(REFIID iid, void** object) {
  ShellLinkObject* link = new ShellLinkObject();
  HRESULT result = link->QueryInterface(iid, object);
  link->Release();
  return result;
}

}  // namespace internal
}  // namespace world
