// Code page 1252 and the kernel32/user32 string functions: lstr*, wsprintfA, the
// MultiByte/WideChar conversions, and the run-time's argument vector.
#include <string>

#include "platform/host/core_state.h"

int __argc = 0;
static char* noArguments[1] = {nullptr};
char** __argv = noArguments;

namespace world {
namespace core {

// 0x80-0x9F of code page 1252; 0 marks the five bytes the code page leaves unassigned.
static const WCHAR kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

WCHAR Cp1252ToWide(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F && kHighControls[byte - 0x80] != 0) return kHighControls[byte - 0x80];
  return byte;
}

bool WideToCp1252(WCHAR wide, unsigned char* byte) {
  if (wide < 0x80 || (wide >= 0xA0 && wide <= 0xFF)) {
    *byte = (unsigned char)wide;
    return true;
  }
  for (int i = 0; i < 32; i++) {
    if (kHighControls[i] == wide || (kHighControls[i] == 0 && wide == 0x80 + i)) {
      *byte = (unsigned char)(0x80 + i);
      return true;
    }
  }
  return false;
}

unsigned char UpperCp1252(unsigned char byte) {
  if (byte >= 'a' && byte <= 'z') return byte - 0x20;
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return byte - 0x20;
  switch (byte) {
    case 0x9A: return 0x8A;
    case 0x9C: return 0x8C;
    case 0x9E: return 0x8E;
    case 0xFF: return 0x9F;
  }
  return byte;
}

std::string UpperCp1252(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = (char)UpperCp1252((unsigned char)c);
  return out;
}

static void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += (char)code;
  } else if (code < 0x800) {
    out += (char)(0xC0 | (code >> 6));
    out += (char)(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += (char)(0xE0 | (code >> 12));
    out += (char)(0x80 | ((code >> 6) & 0x3F));
    out += (char)(0x80 | (code & 0x3F));
  } else {
    out += (char)(0xF0 | (code >> 18));
    out += (char)(0x80 | ((code >> 12) & 0x3F));
    out += (char)(0x80 | ((code >> 6) & 0x3F));
    out += (char)(0x80 | (code & 0x3F));
  }
}

std::string Cp1252ToUtf8(const std::string& ansi) {
  std::string out;
  for (unsigned char c : ansi) AppendUtf8(out, Cp1252ToWide(c));
  return out;
}

// Decodes one UTF-8 sequence at text[i]; 0 when it is not valid UTF-8.
static size_t DecodeUtf8(const std::string& text, size_t i, uint32_t* code) {
  unsigned char lead = (unsigned char)text[i];
  size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  uint32_t value = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t k = 1; k < length; k++) {
    unsigned char next = (unsigned char)text[i + k];
    if ((next & 0xC0) != 0x80) return 0;
    value = (value << 6) | (next & 0x3F);
  }
  static const uint32_t minimum[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < minimum[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *code = value;
  return length;
}

std::string Utf8ToCp1252(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    uint32_t code = 0;
    size_t length = DecodeUtf8(utf8, i, &code);
    unsigned char byte = 0;
    if (length > 0 && code <= 0xFFFF && WideToCp1252((WCHAR)code, &byte)) {
      out += (char)byte;
      i += length;
    } else if (length > 0) {
      out += '?';
      i += length;
    } else {
      out += utf8[i];
      i++;
    }
  }
  return out;
}

}  // namespace core
}  // namespace world

// Lower case is what the comparison folds to, so that punctuation such as '_' sorts
// before letters as it does in Windows' word sort.
static unsigned char FoldForCompare(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c + 0x20;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  switch (c) {
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x8E: return 0x9E;
    case 0x9F: return 0xFF;
  }
  return c;
}

static int Sign(int value) { return value < 0 ? -1 : value > 0 ? 1 : 0; }

int WINAPI lstrcmpiA(LPCSTR string1, LPCSTR string2) {
  if (!string1 || !string2) return string1 == string2 ? 0 : string1 ? 1 : -1;
  const unsigned char* a = (const unsigned char*)string1;
  const unsigned char* b = (const unsigned char*)string2;
  for (;; a++, b++) {
    int difference = (int)FoldForCompare(*a) - (int)FoldForCompare(*b);
    if (difference != 0 || *a == 0) return Sign(difference);
  }
}

// Case-sensitive, but ordered first without case as Windows does: "a" < "B", and of two
// strings equal but for case, the one with the lower-case letter first sorts first.
int WINAPI lstrcmpA(LPCSTR string1, LPCSTR string2) {
  int folded = lstrcmpiA(string1, string2);
  if (folded != 0 || !string1 || !string2) return folded;
  const unsigned char* a = (const unsigned char*)string1;
  const unsigned char* b = (const unsigned char*)string2;
  for (; *a; a++, b++) {
    if (*a != *b) return FoldForCompare(*a) == *a ? -1 : 1;
  }
  return 0;
}

int WINAPI lstrlenA(LPCSTR string) { return string ? (int)strlen(string) : 0; }

LPSTR WINAPI lstrcpynA(LPSTR destination, LPCSTR source, int maxLength) {
  if (!destination || maxLength <= 0) return destination;
  int i = 0;
  if (source)
    for (; i < maxLength - 1 && source[i]; i++) destination[i] = source[i];
  destination[i] = 0;
  return destination;
}

LPSTR WINAPI lstrcpyA(LPSTR destination, LPCSTR source) {
  if (!destination || !source) return nullptr;
  memmove(destination, source, strlen(source) + 1);
  return destination;
}

LPSTR WINAPI lstrcatA(LPSTR destination, LPCSTR source) {
  if (!destination || !source) return nullptr;
  memmove(destination + strlen(destination), source, strlen(source) + 1);
  return destination;
}

// ---- wsprintfA ---------------------------------------------------------------------------
namespace {
const int kFormatLimit = 1024;  // bytes, the terminating zero included

struct Output {
  char* buffer;
  int length;
  void Put(char c) {
    if (length < kFormatLimit - 1) buffer[length++] = c;
  }
  void Pad(int count, char c) {
    for (int i = 0; i < count; i++) Put(c);
  }
};
}  // namespace

int WINAPI wvsprintfA(LPSTR buffer, LPCSTR format, va_list arguments) {
  if (!buffer) return 0;
  Output out = {buffer, 0};
  if (!format) {
    buffer[0] = 0;
    return 0;
  }
  for (const char* p = format; *p; p++) {
    if (*p != '%') {
      out.Put(*p);
      continue;
    }
    p++;
    if (*p == 0) break;
    if (*p == '%') {
      out.Put('%');
      continue;
    }
    bool leftAlign = false, zeroPad = false, alternate = false;
    for (;; p++) {
      if (*p == '-') leftAlign = true;
      else if (*p == '0') zeroPad = true;
      else if (*p == '#') alternate = true;
      else break;
    }
    int width = 0;
    while (*p >= '0' && *p <= '9') width = width * 10 + (*p++ - '0');
    int precision = -1;
    if (*p == '.') {
      p++;
      precision = 0;
      while (*p >= '0' && *p <= '9') precision = precision * 10 + (*p++ - '0');
    }
    while (*p == 'l' || *p == 'h') p++;
    if (*p == 0) break;

    char digits[40];
    const char* text = digits;
    int textLength = 0;
    const char* prefix = "";
    switch (*p) {
      case 's': {
        const char* s = va_arg(arguments, const char*);
        text = s ? s : "(null)";
        textLength = (int)strlen(text);
        if (precision >= 0 && precision < textLength) textLength = precision;
        zeroPad = false;
        break;
      }
      case 'c':
        digits[0] = (char)va_arg(arguments, int);
        textLength = 1;
        zeroPad = false;
        break;
      case 'd':
      case 'i': {
        long value = (long)va_arg(arguments, int);
        unsigned long magnitude = value < 0 ? 0ul - (unsigned long)value : (unsigned long)value;
        if (value < 0) prefix = "-";
        textLength = snprintf(digits, sizeof digits, "%lu", magnitude);
        break;
      }
      case 'u':
        textLength = snprintf(digits, sizeof digits, "%u", va_arg(arguments, unsigned int));
        break;
      case 'x':
      case 'X': {
        unsigned int value = va_arg(arguments, unsigned int);
        textLength = snprintf(digits, sizeof digits, *p == 'x' ? "%x" : "%X", value);
        if (alternate && value != 0) prefix = *p == 'x' ? "0x" : "0X";
        break;
      }
      default:  // not a conversion wsprintfA knows: the character itself
        digits[0] = *p;
        textLength = 1;
        zeroPad = false;
        break;
    }
    if ((*p == 'd' || *p == 'i' || *p == 'u' || *p == 'x' || *p == 'X') && precision > textLength) {
      // A precision on a number is its least count of digits.
      int zeros = precision - textLength;
      int prefixLength = (int)strlen(prefix);
      int padding = width - prefixLength - precision;
      if (!leftAlign) out.Pad(padding, ' ');
      for (const char* q = prefix; *q; q++) out.Put(*q);
      out.Pad(zeros, '0');
      for (int i = 0; i < textLength; i++) out.Put(text[i]);
      if (leftAlign) out.Pad(padding, ' ');
      continue;
    }
    int prefixLength = (int)strlen(prefix);
    int padding = width - textLength - prefixLength;
    if (!leftAlign && !zeroPad) out.Pad(padding, ' ');
    for (const char* q = prefix; *q; q++) out.Put(*q);
    if (!leftAlign && zeroPad) out.Pad(padding, '0');
    for (int i = 0; i < textLength; i++) out.Put(text[i]);
    if (leftAlign) out.Pad(padding, ' ');
  }
  buffer[out.length] = 0;
  return out.length;
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  va_list arguments;
  va_start(arguments, format);
  int length = wvsprintfA(buffer, format, arguments);
  va_end(arguments);
  return length;
}

// ---- MultiByteToWideChar / WideCharToMultiByte ------------------------------------------------
static bool IsAnsiCodePage(UINT codePage) { return codePage == CP_ACP || codePage == 1252; }

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteCount,
                               LPWSTR wideChar, int wideCharCount) {
  if (!multiByte || multiByteCount == 0 || multiByteCount < -1 || wideCharCount < 0 ||
      (wideCharCount > 0 && !wideChar) || (!IsAnsiCodePage(codePage) && codePage != CP_UTF8)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = multiByteCount == -1 ? strlen(multiByte) + 1 : (size_t)multiByteCount;
  std::u16string wide;
  if (IsAnsiCodePage(codePage)) {
    for (size_t i = 0; i < length; i++) wide += (char16_t)world::core::Cp1252ToWide((unsigned char)multiByte[i]);
  } else {
    std::string bytes(multiByte, length);
    for (size_t i = 0; i < length;) {
      uint32_t code = 0;
      size_t step = world::core::DecodeUtf8(bytes, i, &code);
      if (step == 0) {
        wide += (char16_t)0xFFFD;
        i++;
        continue;
      }
      if (code >= 0x10000) {
        code -= 0x10000;
        wide += (char16_t)(0xD800 + (code >> 10));
        wide += (char16_t)(0xDC00 + (code & 0x3FF));
      } else {
        wide += (char16_t)code;
      }
      i += step;
    }
  }
  if (wideCharCount == 0) return (int)wide.size();
  if ((size_t)wideCharCount < wide.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (size_t i = 0; i < wide.size(); i++) wideChar[i] = wide[i];
  return (int)wide.size();
}

int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideChar, int wideCharCount,
                               LPSTR multiByte, int multiByteCount, LPCSTR defaultChar,
                               LPBOOL usedDefaultChar) {
  bool utf8 = codePage == CP_UTF8;
  if (!wideChar || wideCharCount == 0 || wideCharCount < -1 || multiByteCount < 0 ||
      (multiByteCount > 0 && !multiByte) || (!IsAnsiCodePage(codePage) && !utf8) ||
      (utf8 && (defaultChar || usedDefaultChar))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = 0;
  if (wideCharCount == -1) {
    while (wideChar[length]) length++;
    length++;
  } else {
    length = (size_t)wideCharCount;
  }
  std::string out;
  bool usedDefault = false;
  for (size_t i = 0; i < length; i++) {
    WCHAR unit = wideChar[i];
    if (utf8) {
      uint32_t code = unit;
      if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length && wideChar[i + 1] >= 0xDC00 &&
          wideChar[i + 1] <= 0xDFFF) {
        code = 0x10000 + ((uint32_t)(unit - 0xD800) << 10) + (wideChar[i + 1] - 0xDC00);
        i++;
      } else if (unit >= 0xD800 && unit <= 0xDFFF) {
        code = 0xFFFD;
      }
      world::core::AppendUtf8(out, code);
      continue;
    }
    unsigned char byte = 0;
    if (world::core::WideToCp1252(unit, &byte)) {
      out += (char)byte;
    } else {
      out += defaultChar ? defaultChar[0] : '?';
      usedDefault = true;
      if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length && wideChar[i + 1] >= 0xDC00 &&
          wideChar[i + 1] <= 0xDFFF)
        i++;  // one default character for the whole surrogate pair
    }
  }
  if (usedDefaultChar) *usedDefaultChar = usedDefault ? TRUE : FALSE;
  if (multiByteCount == 0) return (int)out.size();
  if ((size_t)multiByteCount < out.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  memcpy(multiByte, out.data(), out.size());
  return (int)out.size();
}
