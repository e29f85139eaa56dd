// The shell's special folders by CSIDL, the ID lists that name them, and the shell
// allocator (SHGetMalloc, CoTaskMemFree) those lists are freed with.
#include <stdlib.h>

#include <string>

#include "platform/host/core_state.h"
#include "platform/host/world_internal.h"

namespace world {
namespace core {
namespace {

// Every block carries its size in front, and a mark so DidAlloc and Free know their own.
const uint32_t kBlockMark = 0x564C4D41;  // "VLMA"
struct BlockHeader {
  uint32_t mark;
  uint32_t reserved;
  size_t size;
};

BlockHeader* HeaderOf(void* block) {
  if (!block) return nullptr;
  BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
  return header->mark == kBlockMark ? header : nullptr;
}

void* AllocateBlock(size_t size) {
  BlockHeader* header = static_cast<BlockHeader*>(malloc(sizeof(BlockHeader) + size));
  if (!header) return nullptr;
  header->mark = kBlockMark;
  header->reserved = 0;
  header->size = size;
  return header + 1;
}

void FreeBlock(void* block) {
  BlockHeader* header = HeaderOf(block);
  if (!header) return;
  header->mark = 0;
  free(header);
}

struct ShellAllocator : public IMalloc {
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef(void) override { return 2; }
  ULONG STDMETHODCALLTYPE Release(void) override { return 1; }
  void* STDMETHODCALLTYPE Alloc(size_t size) override { return AllocateBlock(size); }
  void* STDMETHODCALLTYPE Realloc(void* block, size_t size) override {
    if (!block) return AllocateBlock(size);
    BlockHeader* header = HeaderOf(block);
    if (!header) return nullptr;
    void* moved = AllocateBlock(size);
    if (!moved) return nullptr;
    memcpy(moved, block, header->size < size ? header->size : size);
    FreeBlock(block);
    return moved;
  }
  void STDMETHODCALLTYPE Free(void* block) override { FreeBlock(block); }
  size_t STDMETHODCALLTYPE GetSize(void* block) override {
    BlockHeader* header = HeaderOf(block);
    return header ? header->size : (size_t)-1;
  }
  int STDMETHODCALLTYPE DidAlloc(void* block) override { return HeaderOf(block) ? 1 : 0; }
  void STDMETHODCALLTYPE HeapMinimize(void) override {}
};

ShellAllocator theAllocator;

// An ID list of this layer: one item [cb][kind][path and zero], then the zero cb.
const BYTE kPathItem = 'P', kVirtualItem = 'V';

}  // namespace

const std::vector<std::pair<int, std::string>>& DefaultSpecialFolders() {
  static const std::vector<std::pair<int, std::string>> folders = {
      {CSIDL_DESKTOP, "C:\\Users\\user\\Desktop"},
      {CSIDL_PROGRAMS, "C:\\Users\\user\\Start Menu\\Programs"},
      {CSIDL_PERSONAL, "C:\\Users\\user\\Documents"},
      {CSIDL_DESKTOPDIRECTORY, "C:\\Users\\user\\Desktop"},
      {CSIDL_COMMON_PROGRAMS, "C:\\ProgramData\\Start Menu\\Programs"},
      {CSIDL_COMMON_DESKTOPDIRECTORY, "C:\\Users\\Public\\Desktop"},
      {CSIDL_APPDATA, "C:\\Users\\user\\AppData\\Roaming"},
      {CSIDL_WINDOWS, "C:\\Windows"},
      {CSIDL_SYSTEM, "C:\\Windows\\System32"},
      {CSIDL_PROGRAM_FILES, "C:\\Program Files"},
  };
  return folders;
}

}  // namespace core

namespace internal {

LPITEMIDLIST NewIdList(const std::string& path) {
  size_t itemSize = 2 + 1 + path.size() + 1;
  if (itemSize > 0xFFFF) return nullptr;
  BYTE* list = static_cast<BYTE*>(core::AllocateBlock(itemSize + 2));
  if (!list) return nullptr;
  list[0] = (BYTE)(itemSize & 0xFF);
  list[1] = (BYTE)(itemSize >> 8);
  list[2] = path.empty() ? core::kVirtualItem : core::kPathItem;
  memcpy(list + 3, path.c_str(), path.size() + 1);
  list[itemSize] = 0;
  list[itemSize + 1] = 0;
  return reinterpret_cast<LPITEMIDLIST>(list);
}

}  // namespace internal
}  // namespace world

HRESULT WINAPI SHGetMalloc(LPMALLOC* malloc) {
  if (!malloc) return E_INVALIDARG;
  *malloc = nullptr;
  if (world::internal::FaultFires("SHGetMalloc", "")) return HRESULT_FROM_WIN32(GetLastError());
  *malloc = &world::core::theAllocator;
  return S_OK;
}

void WINAPI CoTaskMemFree(LPVOID block) { world::core::FreeBlock(block); }

HRESULT WINAPI SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* idList) {
  if (!idList) return E_INVALIDARG;
  *idList = nullptr;
  int csidl = folder & 0xFF;
  std::string path = world::SpecialFolder(csidl);
  if (world::internal::FaultFires("SHGetSpecialFolderLocation", path)) return HRESULT_FROM_WIN32(GetLastError());
  if (csidl == CSIDL_CONTROLS) {
    *idList = world::internal::NewIdList("");
  } else {
    auto& folders = world::core::TheMachine().specialFolders;
    if (!folders.count(csidl)) return E_INVALIDARG;
    if (path.empty()) return E_FAIL;
    *idList = world::internal::NewIdList(path);
  }
  return *idList ? S_OK : E_OUTOFMEMORY;
}

BOOL WINAPI SHGetPathFromIDListA(LPCITEMIDLIST idList, LPSTR path) {
  if (!path) return FALSE;
  path[0] = 0;
  if (!idList) return FALSE;
  const BYTE* bytes = reinterpret_cast<const BYTE*>(idList);
  WORD itemSize = (WORD)(bytes[0] | (bytes[1] << 8));
  if (itemSize < 4 || bytes[2] != world::core::kPathItem) return FALSE;
  const char* text = reinterpret_cast<const char*>(bytes + 3);
  size_t length = strnlen(text, itemSize - 3);
  if (world::internal::FaultFires("SHGetPathFromIDListA", std::string(text, length))) return FALSE;
  if (length >= MAX_PATH) return FALSE;
  memcpy(path, text, length);
  path[length] = 0;
  return TRUE;
}
