// The transcript: every user-visible event, one line each, in the program's ANSI bytes.
#include <string>
#include <vector>

#include "platform/host/window_manager.h"

namespace {

std::vector<std::string> lines;
FILE* echo = NULL;

// Code page 1252's characters 0x80-0x9F; the five it leaves undefined map to the same code.
const unsigned short kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out += (char)code;
  } else if (code < 0x800) {
    out += (char)(0xC0 | (code >> 6));
    out += (char)(0x80 | (code & 0x3F));
  } else {
    out += (char)(0xE0 | (code >> 12));
    out += (char)(0x80 | ((code >> 6) & 0x3F));
    out += (char)(0x80 | (code & 0x3F));
  }
}

// The echo stays across worlds: the host command sets it once for the whole run.
const bool registered = (world::internal::RegisterResetHook([] { lines.clear(); }), true);

}  // namespace

namespace world {

const std::vector<std::string>& Transcript() { return lines; }

void ClearTranscript() { lines.clear(); }

void EchoTranscript(FILE* out) { echo = out; }

void Record(const std::string& line) {
  lines.push_back(line);
  ui::NoteActivity();
  if (echo) {
    fprintf(echo, "%s\n", AnsiToUtf8(line).c_str());
    fflush(echo);
  }
}

std::string AnsiToUtf8(const std::string& ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (unsigned char c : ansi) AppendUtf8(out, ui::Cp1252ToUnicode(c));
  return out;
}

namespace ui {

unsigned Cp1252ToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
  return byte;
}

std::string Utf16ToAnsi(const WCHAR* text, size_t length) {
  std::string out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    unsigned code = text[i];
    if (code < 0x80 || (code >= 0xA0 && code < 0x100)) {
      out += (char)code;
      continue;
    }
    char mapped = '?';
    // A surrogate pair is one character: one '?' for both halves.
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) ++i;
    for (int k = 0; k < 32; ++k)
      if (kHighControls[k] == code) mapped = (char)(0x80 + k);
    out += mapped;
  }
  return out;
}

}  // namespace ui
}  // namespace world
