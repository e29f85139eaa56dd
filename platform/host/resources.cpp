// The program's resources, read from a windres-compiled .res file: a sequence of entries,
// each a header (sizes, type and name as ordinal or UTF-16 text, language) and its data,
// every part aligned to four bytes.
#include <stdio.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/host/core_state.h"
#include "platform/host/world_internal.h"

namespace world {
namespace core {
namespace {

// A type or a name: an ordinal or an upper-case text.
struct Identifier {
  bool isOrdinal = true;
  WORD ordinal = 0;
  std::string text;
  bool operator==(const Identifier& other) const {
    return isOrdinal == other.isOrdinal && (isOrdinal ? ordinal == other.ordinal : text == other.text);
  }
};

struct Resource {
  Identifier type, name;
  WORD language = 0;
  std::string data;
};

std::vector<std::unique_ptr<Resource>>& Live() {
  static std::vector<std::unique_ptr<Resource>> resources;
  return resources;
}

// Replaced resources stay allocated until the world is reset: the program may still hold
// pointers into them.
std::vector<std::unique_ptr<Resource>>& Retired() {
  static std::vector<std::unique_ptr<Resource>> resources;
  return resources;
}

Identifier FromArgument(LPCSTR argument) {
  Identifier id;
  if (IS_INTRESOURCE(argument)) {
    id.ordinal = (WORD)(ULONG_PTR)argument;
    return id;
  }
  if (argument[0] == '#') {
    id.ordinal = (WORD)atoi(argument + 1);
    return id;
  }
  id.isOrdinal = false;
  id.text = UpperCp1252(argument);
  return id;
}

std::string Describe(const Identifier& id) {
  return id.isOrdinal ? "#" + std::to_string(id.ordinal) : id.text;
}

void Put(std::unique_ptr<Resource> resource) {
  auto& live = Live();
  for (auto& existing : live) {
    if (existing->type == resource->type && existing->name == resource->name) {
      Retired().push_back(std::move(existing));
      existing = std::move(resource);
      return;
    }
  }
  live.push_back(std::move(resource));
}

Resource* Validate(HRSRC handle) {
  for (auto& resource : Live())
    if (reinterpret_cast<HRSRC>(resource.get()) == handle) return resource.get();
  for (auto& resource : Retired())
    if (reinterpret_cast<HRSRC>(resource.get()) == handle) return resource.get();
  return nullptr;
}

DWORD ReadDword(const std::string& bytes, size_t at) {
  const unsigned char* p = (const unsigned char*)bytes.data() + at;
  return p[0] | (p[1] << 8) | (p[2] << 16) | ((DWORD)p[3] << 24);
}

WORD ReadWord(const std::string& bytes, size_t at) {
  const unsigned char* p = (const unsigned char*)bytes.data() + at;
  return (WORD)(p[0] | (p[1] << 8));
}

// Reads an identifier at `at` inside a header ending at `end`; false when it runs past it.
bool ReadIdentifier(const std::string& bytes, size_t* at, size_t end, Identifier* id) {
  if (*at + 2 > end) return false;
  if (ReadWord(bytes, *at) == 0xFFFF) {
    if (*at + 4 > end) return false;
    id->isOrdinal = true;
    id->ordinal = ReadWord(bytes, *at + 2);
    *at += 4;
    return true;
  }
  id->isOrdinal = false;
  std::string text;
  for (;;) {
    if (*at + 2 > end) return false;
    WCHAR unit = ReadWord(bytes, *at);
    *at += 2;
    if (unit == 0) break;
    unsigned char byte = '?';
    WideToCp1252(unit, &byte);
    text += (char)byte;
  }
  id->text = UpperCp1252(text);
  return true;
}

}  // namespace

void ResetResources() {
  Live().clear();
  Retired().clear();
}

}  // namespace core

bool LoadResourceFile(const std::string& resPath) {
  FILE* in = fopen(resPath.c_str(), "rb");
  if (!in) return false;
  std::string bytes;
  char chunk[65536];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, in)) > 0) bytes.append(chunk, got);
  fclose(in);

  std::vector<std::unique_ptr<core::Resource>> parsed;
  bool sawMarker = false;
  size_t at = 0;
  while (at + 32 <= bytes.size()) {
    DWORD dataSize = core::ReadDword(bytes, at);
    DWORD headerSize = core::ReadDword(bytes, at + 4);
    if (headerSize < 32 || headerSize > bytes.size() - at || dataSize > bytes.size() - at - headerSize) return false;
    size_t headerEnd = at + headerSize;
    size_t field = at + 8;
    auto resource = std::make_unique<core::Resource>();
    if (!core::ReadIdentifier(bytes, &field, headerEnd, &resource->type) ||
        !core::ReadIdentifier(bytes, &field, headerEnd, &resource->name))
      return false;
    field = (field + 3) & ~(size_t)3;
    if (field + 16 > headerEnd) return false;
    resource->language = core::ReadWord(bytes, field + 6);
    resource->data = bytes.substr(headerEnd, dataSize);
    // The leading empty entry marks the format; it is no resource.
    bool marker = dataSize == 0 && resource->type.isOrdinal && resource->type.ordinal == 0;
    if (marker && at == 0) sawMarker = true;
    if (!marker) parsed.push_back(std::move(resource));
    at = (headerEnd + dataSize + 3) & ~(size_t)3;
  }
  // A truncated last entry, or a file that is no .res at all, loads nothing.
  if (at < bytes.size() && bytes.find_first_not_of('\0', at) != std::string::npos) return false;
  if (!sawMarker) return false;
  for (auto& resource : parsed) core::Put(std::move(resource));
  return true;
}

void SetDataResource(int id, const std::string& bytes) {
  auto resource = std::make_unique<core::Resource>();
  resource->type.ordinal = 10;  // RT_RCDATA
  resource->name.ordinal = (WORD)id;
  resource->language = 0x409;
  resource->data = bytes;
  core::Put(std::move(resource));
}

void RemoveDataResource(int id) {
  auto& live = core::Live();
  for (size_t i = 0; i < live.size(); i++) {
    if (live[i]->type.isOrdinal && live[i]->type.ordinal == 10 && live[i]->name.isOrdinal &&
        live[i]->name.ordinal == (WORD)id) {
      core::Retired().push_back(std::move(live[i]));
      live.erase(live.begin() + (long)i);
      return;
    }
  }
}

}  // namespace world

using namespace world::core;

HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  if (!name || !type) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Identifier wantedType = FromArgument(type), wantedName = FromArgument(name);
  if (world::internal::FaultFires("FindResourceA", Describe(wantedType) + "\\" + Describe(wantedName))) return nullptr;
  bool typeSeen = false;
  for (auto& resource : Live()) {
    if (!(resource->type == wantedType)) continue;
    typeSeen = true;
    if (resource->name == wantedName) return reinterpret_cast<HRSRC>(resource.get());
  }
  SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC handle) {
  Resource* resource = Validate(handle);
  if (world::internal::FaultFires("LoadResource", resource ? Describe(resource->type) + "\\" + Describe(resource->name) : ""))
    return nullptr;
  if (!resource) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return const_cast<char*>(resource->data.data());
}

LPVOID WINAPI LockResource(HGLOBAL resourceData) { return resourceData; }

DWORD WINAPI SizeofResource(HMODULE module, HRSRC handle) {
  Resource* resource = Validate(handle);
  if (!resource) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return (DWORD)resource->data.size();
}
