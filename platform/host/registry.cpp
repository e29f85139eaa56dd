// The registry of the world: one tree of keys and values per hive, names compared without
// case, writes under HKEY_LOCAL_MACHINE and HKEY_USERS kept for administrators.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/host/core_state.h"
#include "platform/host/world_internal.h"

namespace world {
namespace core {
namespace {

const LONG kErrorKeyDeleted = 1018;
const LONG kErrorNoAccess = 998;
const REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | 0x00010000 /* DELETE */ |
                            0x00040000 /* WRITE_DAC */ | 0x00080000 /* WRITE_OWNER */ | GENERIC_WRITE | GENERIC_ALL;

enum Hive { kClassesRoot, kCurrentUser, kLocalMachine, kUsers, kHiveCount };
const char* const kHiveNames[kHiveCount] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                            "HKEY_USERS"};

struct Value {
  std::string name;
  DWORD type = REG_NONE;
  std::string data;
};

struct Key {
  std::string name;
  std::map<std::string, std::unique_ptr<Key>> children;  // by upper-case name
  std::map<std::string, Value> values;                   // by upper-case name
};

Key hives[kHiveCount];

// An open key: where it is, and the rights it was opened with.
struct KeyHandle {
  Hive hive;
  std::vector<std::string> path;
  REGSAM access;
};

std::set<KeyHandle*>& OpenKeys() {
  static std::set<KeyHandle*> keys;
  return keys;
}

REGSAM MapGenericRights(REGSAM desired) {
  REGSAM rights = desired;
  if (desired & GENERIC_READ) rights |= KEY_READ;
  if (desired & GENERIC_WRITE) rights |= KEY_WRITE;
  if (desired & (GENERIC_ALL | 0x02000000 /* MAXIMUM_ALLOWED */)) rights |= KEY_ALL_ACCESS;
  return rights;
}

// The place and rights a handle stands for; false for a handle that is not a key.
bool Locate(HKEY key, KeyHandle* out) {
  if (key == HKEY_CLASSES_ROOT) {
    // HKEY_CLASSES_ROOT shows the machine's classes.
    *out = {kLocalMachine, {"Software", "Classes"}, KEY_ALL_ACCESS};
    return true;
  }
  if (key == HKEY_CURRENT_USER) *out = {kCurrentUser, {}, KEY_ALL_ACCESS};
  else if (key == HKEY_LOCAL_MACHINE) *out = {kLocalMachine, {}, KEY_ALL_ACCESS};
  else if (key == HKEY_USERS) *out = {kUsers, {}, KEY_ALL_ACCESS};
  else {
    KeyHandle* handle = reinterpret_cast<KeyHandle*>(key);
    if (!OpenKeys().count(handle)) return false;
    *out = *handle;
  }
  return true;
}

bool IsPredefined(HKEY key) {
  return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE || key == HKEY_USERS;
}

bool Protected(Hive hive) { return (hive == kLocalMachine || hive == kUsers) && !TheMachine().administrator; }

// Splits a sub-key text into names; false for one Windows refuses (a leading backslash).
bool SplitSubKey(LPCSTR subKey, std::vector<std::string>* parts) {
  parts->clear();
  if (!subKey) return true;
  if (subKey[0] == '\\') return false;
  std::string current;
  for (const char* p = subKey; *p; p++) {
    if (*p == '\\') {
      if (!current.empty()) parts->push_back(current);
      current.clear();
    } else {
      current += *p;
    }
  }
  if (!current.empty()) parts->push_back(current);
  return true;
}

Key* Find(Hive hive, const std::vector<std::string>& path) {
  Key* key = &hives[hive];
  for (const std::string& name : path) {
    auto found = key->children.find(UpperCp1252(name));
    if (found == key->children.end()) return nullptr;
    key = found->second.get();
  }
  return key;
}

Key* FindOrCreate(Hive hive, const std::vector<std::string>& path, bool* created) {
  Key* key = &hives[hive];
  if (created) *created = false;
  for (const std::string& name : path) {
    std::unique_ptr<Key>& child = key->children[UpperCp1252(name)];
    if (!child) {
      child.reset(new Key);
      child->name = name;
      if (created) *created = true;
    }
    key = child.get();
  }
  return key;
}

std::string PathText(Hive hive, const std::vector<std::string>& path) {
  std::string text = kHiveNames[hive];
  for (const std::string& name : path) text += "\\" + name;
  return text;
}

std::vector<std::string> Joined(const std::vector<std::string>& base, const std::vector<std::string>& more) {
  std::vector<std::string> path = base;
  path.insert(path.end(), more.begin(), more.end());
  return path;
}

HKEY NewHandle(Hive hive, const std::vector<std::string>& path, REGSAM access) {
  KeyHandle* handle = new KeyHandle{hive, path, access};
  OpenKeys().insert(handle);
  return reinterpret_cast<HKEY>(handle);
}

LONG Failed() { return (LONG)GetLastError(); }

void SerializeKey(std::string& out, Hive hive, std::vector<std::string>& path, const Key& key) {
  std::string where = std::to_string((int)hive) + " " + HexEncode(PathText(hive, path).substr(strlen(kHiveNames[hive])));
  out += "K " + where + "\n";
  for (const auto& [upper, value] : key.values)
    out += "V " + where + " " + HexEncode(value.name) + " " + std::to_string(value.type) + " " + HexEncode(value.data) + "\n";
  for (const auto& [upper, child] : key.children) {
    path.push_back(child->name);
    SerializeKey(out, hive, path, *child);
    path.pop_back();
  }
}

}  // namespace

void ResetRegistry() {
  for (KeyHandle* handle : OpenKeys()) delete handle;
  OpenKeys().clear();
  for (Key& hive : hives) {
    hive.children.clear();
    hive.values.clear();
  }
  // The keys every Windows machine has.
  FindOrCreate(kLocalMachine, {"Software", "Classes"}, nullptr);
  FindOrCreate(kCurrentUser, {"Software"}, nullptr);
  FindOrCreate(kUsers, {".DEFAULT", "Software"}, nullptr);
}

std::string SerializeRegistry() {
  std::string out;
  for (int hive = kCurrentUser; hive < kHiveCount; hive++) {
    std::vector<std::string> path;
    SerializeKey(out, (Hive)hive, path, hives[hive]);
  }
  return out;
}

void DeserializeRegistry(const std::string& text) {
  ResetRegistry();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    std::vector<std::string> fields;
    size_t from = 0;
    while (from <= line.size()) {
      size_t space = line.find(' ', from);
      if (space == std::string::npos) space = line.size();
      fields.push_back(line.substr(from, space - from));
      from = space + 1;
    }
    if (fields.size() < 3 || (fields[0] != "K" && fields[0] != "V")) continue;
    int hive = atoi(fields[1].c_str());
    if (hive <= kClassesRoot || hive >= kHiveCount) continue;
    std::vector<std::string> path;
    std::string pathText = HexDecode(fields[2]);
    SplitSubKey(pathText.c_str() + (pathText.empty() ? 0 : 1), &path);
    Key* key = FindOrCreate((Hive)hive, path, nullptr);
    if (fields[0] == "V" && fields.size() >= 6) {
      Value value;
      value.name = HexDecode(fields[3]);
      value.type = (DWORD)strtoul(fields[4].c_str(), nullptr, 10);
      value.data = HexDecode(fields[5]);
      key->values[UpperCp1252(value.name)] = value;
    }
  }
}

// For the world's own access: the hive and path of a root and sub-key text.
bool WorldPlace(HKEY root, const std::string& subKey, Hive* hive, std::vector<std::string>* path) {
  KeyHandle place;
  std::vector<std::string> parts;
  if (!IsPredefined(root) || !Locate(root, &place) || !SplitSubKey(subKey.c_str(), &parts)) return false;
  *hive = place.hive;
  *path = Joined(place.path, parts);
  return true;
}

}  // namespace core

RegistryValue ReadValue(HKEY root, const std::string& subKey, const std::string& name) {
  RegistryValue result;
  core::Hive hive;
  std::vector<std::string> path;
  if (!core::WorldPlace(root, subKey, &hive, &path)) return result;
  core::Key* key = core::Find(hive, path);
  if (!key) return result;
  auto found = key->values.find(core::UpperCp1252(name));
  if (found == key->values.end()) return result;
  result.present = true;
  result.type = found->second.type;
  result.data = found->second.data;
  return result;
}

void WriteValue(HKEY root, const std::string& subKey, const std::string& name, DWORD type, const std::string& data) {
  core::Hive hive;
  std::vector<std::string> path;
  if (!core::WorldPlace(root, subKey, &hive, &path)) return;
  core::Key* key = core::FindOrCreate(hive, path, nullptr);
  core::Value& value = key->values[core::UpperCp1252(name)];
  value.name = name;
  value.type = type;
  value.data = data;
}

bool KeyExists(HKEY root, const std::string& subKey) {
  core::Hive hive;
  std::vector<std::string> path;
  return core::WorldPlace(root, subKey, &hive, &path) && core::Find(hive, path) != nullptr;
}

}  // namespace world

using namespace world::core;

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result) {
  KeyHandle base;
  bool located = Locate(key, &base);
  std::vector<std::string> parts;
  bool splits = SplitSubKey(subKey, &parts);
  std::string where = located ? PathText(base.hive, Joined(base.path, parts)) : "";
  if (world::internal::FaultFires("RegOpenKeyExA", where)) return Failed();
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (!located) return ERROR_INVALID_HANDLE;
  if (!splits) return ERROR_BAD_PATHNAME;
  if (!Find(base.hive, base.path)) return kErrorKeyDeleted;
  std::vector<std::string> path = Joined(base.path, parts);
  if (!Find(base.hive, path)) return ERROR_FILE_NOT_FOUND;
  REGSAM rights = MapGenericRights(desired);
  if (Protected(base.hive) && (rights & kWriteRights)) return ERROR_ACCESS_DENIED;
  *result = NewHandle(base.hive, path, rights);
  return ERROR_SUCCESS;
}

LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options, REGSAM desired,
                            LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition) {
  KeyHandle base;
  bool located = Locate(key, &base);
  std::vector<std::string> parts;
  bool splits = SplitSubKey(subKey, &parts);
  std::string where = located ? PathText(base.hive, Joined(base.path, parts)) : "";
  if (world::internal::FaultFires("RegCreateKeyExA", where)) return Failed();
  if (!result || !subKey) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (!located) return ERROR_INVALID_HANDLE;
  if (!splits) return ERROR_BAD_PATHNAME;
  if (!Find(base.hive, base.path)) return kErrorKeyDeleted;
  std::vector<std::string> path = Joined(base.path, parts);
  bool exists = Find(base.hive, path) != nullptr;
  REGSAM rights = MapGenericRights(desired);
  if (Protected(base.hive) && (!exists || (rights & kWriteRights))) return ERROR_ACCESS_DENIED;
  if (!exists && !(base.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
  bool created = false;
  FindOrCreate(base.hive, path, &created);
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = NewHandle(base.hive, path, rights);
  return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD dataSize) {
  KeyHandle place;
  bool located = Locate(key, &place);
  std::string where = located ? PathText(place.hive, place.path) + "\\" + (valueName ? valueName : "") : "";
  if (world::internal::FaultFires("RegQueryValueExA", where)) return Failed();
  if (!located) return ERROR_INVALID_HANDLE;
  if (data && !dataSize) return ERROR_INVALID_PARAMETER;
  Key* found = Find(place.hive, place.path);
  if (!found) return kErrorKeyDeleted;
  if (!(place.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  auto value = found->values.find(UpperCp1252(valueName ? valueName : ""));
  if (value == found->values.end()) return ERROR_FILE_NOT_FOUND;
  DWORD size = (DWORD)value->second.data.size();
  if (type) *type = value->second.type;
  if (!data) {
    if (dataSize) *dataSize = size;
    return ERROR_SUCCESS;
  }
  if (*dataSize < size) {
    *dataSize = size;
    return ERROR_MORE_DATA;
  }
  memcpy(data, value->second.data.data(), size);
  *dataSize = size;
  return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize) {
  KeyHandle place;
  bool located = Locate(key, &place);
  std::string where = located ? PathText(place.hive, place.path) + "\\" + (valueName ? valueName : "") : "";
  if (world::internal::FaultFires("RegSetValueExA", where)) return Failed();
  if (!located) return ERROR_INVALID_HANDLE;
  Key* found = Find(place.hive, place.path);
  if (!found) return kErrorKeyDeleted;
  if (Protected(place.hive) || !(place.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  if (!data && dataSize > 0) return kErrorNoAccess;
  Value& value = found->values[UpperCp1252(valueName ? valueName : "")];
  value.name = valueName ? valueName : "";
  value.type = type;
  value.data.assign(reinterpret_cast<const char*>(data), data ? dataSize : 0);
  return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName) {
  KeyHandle place;
  bool located = Locate(key, &place);
  std::string where = located ? PathText(place.hive, place.path) + "\\" + (valueName ? valueName : "") : "";
  if (world::internal::FaultFires("RegDeleteValueA", where)) return Failed();
  if (!located) return ERROR_INVALID_HANDLE;
  Key* found = Find(place.hive, place.path);
  if (!found) return kErrorKeyDeleted;
  if (Protected(place.hive) || !(place.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  if (found->values.erase(UpperCp1252(valueName ? valueName : "")) == 0) return ERROR_FILE_NOT_FOUND;
  return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  KeyHandle base;
  bool located = Locate(key, &base);
  std::vector<std::string> parts;
  bool splits = SplitSubKey(subKey, &parts);
  std::string where = located ? PathText(base.hive, Joined(base.path, parts)) : "";
  if (world::internal::FaultFires("RegDeleteKeyA", where)) return Failed();
  if (!located) return ERROR_INVALID_HANDLE;
  if (!subKey || !splits) return ERROR_INVALID_PARAMETER;
  std::vector<std::string> path = Joined(base.path, parts);
  if (path.empty()) return ERROR_ACCESS_DENIED;  // a hive itself
  Key* found = Find(base.hive, path);
  if (!found) return ERROR_FILE_NOT_FOUND;
  if (Protected(base.hive) || !found->children.empty()) return ERROR_ACCESS_DENIED;
  std::vector<std::string> parentPath(path.begin(), path.end() - 1);
  Find(base.hive, parentPath)->children.erase(UpperCp1252(path.back()));
  return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY key) {
  if (IsPredefined(key)) return ERROR_SUCCESS;
  KeyHandle* handle = reinterpret_cast<KeyHandle*>(key);
  if (!OpenKeys().erase(handle)) return ERROR_INVALID_HANDLE;
  delete handle;
  return ERROR_SUCCESS;
}
