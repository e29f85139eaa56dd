// The Shell Link (.lnk) binary format: a 76-byte header, LinkInfo naming the target by its
// volume and local path (or by network share), the string data, and the terminal block.
#include <string>

#include "platform/host/shell_link.h"

namespace {

// LinkFlags.
const DWORD kHasLinkTargetIdList = 0x00000001;
const DWORD kHasLinkInfo = 0x00000002;
const DWORD kHasName = 0x00000004;
const DWORD kHasRelativePath = 0x00000008;
const DWORD kHasWorkingDir = 0x00000010;
const DWORD kHasArguments = 0x00000020;
const DWORD kHasIconLocation = 0x00000040;
const DWORD kIsUnicode = 0x00000080;

// LinkInfoFlags.
const DWORD kVolumeIdAndLocalBasePath = 0x00000001;
const DWORD kCommonNetworkRelativeLinkAndPathSuffix = 0x00000002;

const DWORD kHeaderSize = 0x4C;
const DWORD kLinkInfoHeaderSize = 0x1C;
const DWORD kDriveFixed = 3;
const DWORD kValidNetType = 0x00000002;
const DWORD kNetworkProviderLanman = 0x00020000;

const unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// The UTF-16 code units of bytes 0x80-0x9F in code page 1252; the five unassigned bytes
// stand for the C1 control of the same value, as Windows converts them.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void PutU16(std::string& out, unsigned value) {
  out += (char)(value & 0xFF);
  out += (char)((value >> 8) & 0xFF);
}

void PutU32(std::string& out, DWORD value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, (value >> 16) & 0xFFFF);
}

void PutU32At(std::string& out, size_t at, DWORD value) {
  for (int i = 0; i < 4; ++i) out[at + i] = (char)((value >> (8 * i)) & 0xFF);
}

void PutFileTime(std::string& out, const FILETIME& time) {
  PutU32(out, time.dwLowDateTime);
  PutU32(out, time.dwHighDateTime);
}

void PutCString(std::string& out, const std::string& text) {
  out += text;
  out += '\0';
}

// One StringData entry: its length in characters, then UTF-16 without a terminator.
void PutCountedString(std::string& out, const std::string& ansi) {
  std::u16string wide = world::internal::AnsiToWide(ansi);
  if (wide.size() > 0xFFFF) wide.resize(0xFFFF);
  PutU16(out, (unsigned)wide.size());
  for (char16_t unit : wide) PutU16(out, unit);
}

bool IsDrivePath(const std::string& path) {
  if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return false;
  char letter = path[0];
  return (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
}

bool IsUncPath(const std::string& path) {
  return path.size() > 2 && path[0] == '\\' && path[1] == '\\';
}

// LinkInfo for a drive path: VolumeID (a fixed drive with no label) and the full path as
// LocalBasePath; for "\\server\share\rest": the share as NetName and "rest" as suffix.
std::string EncodeLinkInfo(const std::string& target) {
  std::string info(kLinkInfoHeaderSize, '\0');
  DWORD flags = 0;
  DWORD volumeIdOffset = 0, localBaseOffset = 0, networkOffset = 0, suffixOffset = 0;
  std::string suffix;
  if (IsDrivePath(target)) {
    flags = kVolumeIdAndLocalBasePath;
    volumeIdOffset = (DWORD)info.size();
    char letter = target[0] >= 'a' ? (char)(target[0] - 'a' + 'A') : target[0];
    PutU32(info, 0x10 + 1);            // VolumeIDSize, the empty label included
    PutU32(info, kDriveFixed);
    PutU32(info, 0x56E10000u | (DWORD)(unsigned char)letter);  // DriveSerialNumber
    PutU32(info, 0x10);                // VolumeLabelOffset
    PutCString(info, "");
    localBaseOffset = (DWORD)info.size();
    PutCString(info, target);
  } else {
    flags = kCommonNetworkRelativeLinkAndPathSuffix;
    size_t shareEnd = target.find('\\', 2);
    if (shareEnd != std::string::npos) shareEnd = target.find('\\', shareEnd + 1);
    std::string netName = shareEnd == std::string::npos ? target : target.substr(0, shareEnd);
    if (shareEnd != std::string::npos) suffix = target.substr(shareEnd + 1);
    networkOffset = (DWORD)info.size();
    PutU32(info, (DWORD)(0x14 + netName.size() + 1));  // CommonNetworkRelativeLinkSize
    PutU32(info, kValidNetType);
    PutU32(info, 0x14);                                  // NetNameOffset
    PutU32(info, 0);                                     // DeviceNameOffset
    PutU32(info, kNetworkProviderLanman);
    PutCString(info, netName);
  }
  suffixOffset = (DWORD)info.size();
  PutCString(info, suffix);
  PutU32At(info, 0, (DWORD)info.size());
  PutU32At(info, 4, kLinkInfoHeaderSize);
  PutU32At(info, 8, flags);
  PutU32At(info, 12, volumeIdOffset);
  PutU32At(info, 16, localBaseOffset);
  PutU32At(info, 20, networkOffset);
  PutU32At(info, 24, suffixOffset);
  return info;
}

// Bounds-checked little-endian reads over a byte string.
struct Reader {
  const std::string& bytes;
  bool ok = true;
  explicit Reader(const std::string& data) : bytes(data) {}
  DWORD U16(size_t at) {
    if (at + 2 > bytes.size()) return ok = false, 0;
    return (DWORD)(unsigned char)bytes[at] | ((DWORD)(unsigned char)bytes[at + 1] << 8);
  }
  DWORD U32(size_t at) {
    if (at + 4 > bytes.size()) return ok = false, 0;
    return U16(at) | (U16(at + 2) << 16);
  }
  // A zero-terminated string that lies within [at, end).
  std::string CString(size_t at, size_t end) {
    if (end > bytes.size() || at >= end) return ok = false, std::string();
    size_t zero = bytes.find('\0', at);
    if (zero == std::string::npos || zero >= end) return ok = false, std::string();
    return bytes.substr(at, zero - at);
  }
};

// UTF-16 read from a link made elsewhere: what 1252 cannot hold becomes '?', as the ANSI
// interfaces of Windows give it.
std::string WideToAnsiOrQuestionMarks(const std::u16string& wide) {
  std::string ansi;
  for (char16_t unit : wide) {
    std::string one;
    ansi += world::internal::WideToAnsi(std::u16string(1, unit), &one) ? one : std::string("?");
  }
  return ansi;
}

bool DecodeLinkInfo(Reader& reader, size_t start, size_t size, std::string* target) {
  size_t end = start + size;
  if (size < kLinkInfoHeaderSize || end > reader.bytes.size()) return false;
  DWORD headerSize = reader.U32(start + 4);
  DWORD flags = reader.U32(start + 8);
  DWORD localBaseOffset = reader.U32(start + 16);
  DWORD networkOffset = reader.U32(start + 20);
  DWORD suffixOffset = reader.U32(start + 24);
  if (headerSize < kLinkInfoHeaderSize || headerSize > size) return false;
  std::string suffix;
  if (suffixOffset != 0) suffix = reader.CString(start + suffixOffset, end);
  if (flags & kVolumeIdAndLocalBasePath) {
    std::string base = reader.CString(start + localBaseOffset, end);
    *target = base + suffix;
  } else if (flags & kCommonNetworkRelativeLinkAndPathSuffix) {
    size_t network = start + networkOffset;
    DWORD networkSize = reader.U32(network);
    if (!reader.ok || networkSize < 0x14 || network + networkSize > end) return false;
    std::string netName = reader.CString(network + reader.U32(network + 8), network + networkSize);
    *target = suffix.empty() ? netName : netName + "\\" + suffix;
  }
  return reader.ok;
}

}  // namespace

namespace world {
namespace internal {

std::u16string AnsiToWide(const std::string& ansi) {
  std::u16string wide;
  wide.reserve(ansi.size());
  for (char c : ansi) {
    unsigned char byte = (unsigned char)c;
    wide += byte >= 0x80 && byte <= 0x9F ? kCp1252High[byte - 0x80] : (char16_t)byte;
  }
  return wide;
}

bool WideToAnsi(const std::u16string& wide, std::string* ansi) {
  ansi->clear();
  for (char16_t unit : wide) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
      *ansi += (char)unit;
      continue;
    }
    int found = -1;
    for (int i = 0; i < 32; ++i)
      if (kCp1252High[i] == unit) found = i;
    if (found < 0) return false;
    *ansi += (char)(0x80 + found);
  }
  return true;
}

std::string EncodeShellLink(const ShellLinkData& link) {
  bool hasTarget = IsDrivePath(link.target) || IsUncPath(link.target);
  DWORD flags = kIsUnicode;
  if (hasTarget) flags |= kHasLinkInfo;
  if (!link.description.empty()) flags |= kHasName;
  if (!link.relativePath.empty()) flags |= kHasRelativePath;
  if (!link.workingFolder.empty()) flags |= kHasWorkingDir;
  if (!link.arguments.empty()) flags |= kHasArguments;
  if (!link.iconPath.empty()) flags |= kHasIconLocation;
  int showCommand = link.showCommand;
  if (showCommand != SW_SHOWMAXIMIZED && showCommand != 7 /* SW_SHOWMINNOACTIVE */)
    showCommand = SW_SHOWNORMAL;

  std::string out;
  PutU32(out, kHeaderSize);
  out.append((const char*)kLinkClsid, sizeof kLinkClsid);
  PutU32(out, flags);
  PutU32(out, link.targetAttributes);
  PutFileTime(out, link.targetCreation);
  PutFileTime(out, link.targetLastAccess);
  PutFileTime(out, link.targetLastWrite);
  PutU32(out, link.targetSize);
  PutU32(out, (DWORD)link.iconIndex);
  PutU32(out, (DWORD)showCommand);
  PutU16(out, link.hotkey);
  PutU16(out, 0);  // Reserved1
  PutU32(out, 0);  // Reserved2
  PutU32(out, 0);  // Reserved3
  if (hasTarget) out += EncodeLinkInfo(link.target);
  if (flags & kHasName) PutCountedString(out, link.description);
  if (flags & kHasRelativePath) PutCountedString(out, link.relativePath);
  if (flags & kHasWorkingDir) PutCountedString(out, link.workingFolder);
  if (flags & kHasArguments) PutCountedString(out, link.arguments);
  if (flags & kHasIconLocation) PutCountedString(out, link.iconPath);
  PutU32(out, 0);  // TerminalBlock
  return out;
}

bool DecodeShellLink(const std::string& bytes, ShellLinkData* link) {
  *link = ShellLinkData();
  Reader reader(bytes);
  if (bytes.size() < kHeaderSize + 4 || reader.U32(0) != kHeaderSize) return false;
  if (bytes.compare(4, 16, std::string((const char*)kLinkClsid, 16)) != 0) return false;
  DWORD flags = reader.U32(20);
  link->targetAttributes = reader.U32(24);
  link->targetCreation = {reader.U32(28), reader.U32(32)};
  link->targetLastAccess = {reader.U32(36), reader.U32(40)};
  link->targetLastWrite = {reader.U32(44), reader.U32(48)};
  link->targetSize = reader.U32(52);
  link->iconIndex = (int)reader.U32(56);
  link->showCommand = (int)reader.U32(60);
  link->hotkey = (WORD)reader.U16(64);
  size_t at = kHeaderSize;
  if (flags & kHasLinkTargetIdList) at += 2 + reader.U16(at);
  if (flags & kHasLinkInfo) {
    DWORD size = reader.U32(at);
    if (!reader.ok || !DecodeLinkInfo(reader, at, size, &link->target)) return false;
    at += size;
  }
  std::string* strings[] = {&link->description, &link->relativePath, &link->workingFolder,
                            &link->arguments, &link->iconPath};
  const DWORD stringFlags[] = {kHasName, kHasRelativePath, kHasWorkingDir, kHasArguments,
                               kHasIconLocation};
  for (int i = 0; i < 5; ++i) {
    if ((flags & stringFlags[i]) == 0) continue;
    DWORD count = reader.U16(at);
    at += 2;
    if (flags & kIsUnicode) {
      if (!reader.ok || at + 2 * (size_t)count > bytes.size()) return false;
      std::u16string wide;
      for (DWORD c = 0; c < count; ++c) wide += (char16_t)reader.U16(at + 2 * c);
      *strings[i] = WideToAnsiOrQuestionMarks(wide);
      at += 2 * (size_t)count;
    } else {
      if (!reader.ok || at + count > bytes.size()) return false;
      *strings[i] = bytes.substr(at, count);
      at += count;
    }
  }
  return reader.ok;
}

}  // namespace internal
}  // namespace world
