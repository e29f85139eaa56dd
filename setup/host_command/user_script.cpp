// Parsing the host command's user script into world actions.
#include "setup/host_command/user_script.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include <functional>
#include <vector>

#include "platform/host/world.h"

const char USER_SCRIPT_HELP[] =
    "User script (VELMORA_SCRIPT): one action a line, played in order whenever the program\n"
    "waits for the user. Empty lines and lines starting with # are ignored.\n"
    "  click ID                 click control ID of the active window (1 Install, 2 Cancel,\n"
    "                           1001 Browse, 1002 desktop box, 1004 launch box, 1025 accept,\n"
    "                           1026 do not accept; IDOK and IDCANCEL also work)\n"
    "  type ID TEXT             replace the text of edit ID, as typed (TEXT may be empty)\n"
    "  key NAME                 press a key: escape, return, tab, or a virtual-key number\n"
    "  close                    the active window's close box\n"
    "  answer \"TEXT\" BUTTON     answer the message box whose text contains TEXT (write \"\" for\n"
    "                           a quote) with IDOK, IDCANCEL, IDYES, IDNO, IDABORT, IDRETRY,\n"
    "                           IDIGNORE or a number\n"
    "  pick PATH                choose PATH in the folder picker\n"
    "  pick-virtual             choose a folder without a file-system path (Control Panel)\n"
    "  cancel-picker            cancel the folder picker\n"
    "  wait MS                  do nothing for MS virtual milliseconds\n"
    "Example:\n"
    "  click 1025\n"
    "  type 1000 D:\\Apps\\Velmora\n"
    "  click 1\n"
    "  answer \"Installation Complete\" IDOK\n";

std::string Utf8ToAnsi(const std::string& utf8) {
  // Code page 1252's bytes 0x80..0x9F; 0 where the code page has no character.
  static const unsigned short high[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  std::string out;
  size_t i = 0;
  while (i < utf8.size()) {
    unsigned char lead = (unsigned char)utf8[i];
    unsigned codePoint = 0;
    size_t extra = 0;
    if (lead < 0x80) {
      codePoint = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      codePoint = lead & 0x1F;
      extra = 1;
    } else if ((lead & 0xF0) == 0xE0) {
      codePoint = lead & 0x0F;
      extra = 2;
    } else if ((lead & 0xF8) == 0xF0) {
      codePoint = lead & 0x07;
      extra = 3;
    } else {
      out += '?';
      ++i;
      continue;
    }
    bool valid = true;
    for (size_t k = 1; k <= extra; ++k) {
      if (i + k >= utf8.size() || ((unsigned char)utf8[i + k] & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      codePoint = (codePoint << 6) | ((unsigned char)utf8[i + k] & 0x3F);
    }
    if (!valid) {
      out += '?';
      ++i;
      continue;
    }
    i += extra + 1;
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
      out += (char)codePoint;
      continue;
    }
    char mapped = '?';
    for (int b = 0; b < 32; ++b)
      if (high[b] != 0 && high[b] == codePoint) mapped = (char)(0x80 + b);
    out += mapped;
  }
  return out;
}

namespace {

struct Cursor {
  const std::string& line;
  size_t at = 0;
  explicit Cursor(const std::string& text) : line(text) {}
  void SkipSpaces() {
    while (at < line.size() && isspace((unsigned char)line[at])) ++at;
  }
  std::string Word() {
    SkipSpaces();
    size_t start = at;
    while (at < line.size() && !isspace((unsigned char)line[at])) ++at;
    return line.substr(start, at - start);
  }
  // Everything after one separating space, trailing spaces and CR dropped.
  std::string Rest() {
    if (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    std::string rest = line.substr(at);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.pop_back();
    at = line.size();
    return rest;
  }
  bool Quoted(std::string* out) {
    SkipSpaces();
    if (at >= line.size() || line[at] != '"') return false;
    ++at;
    out->clear();
    while (at < line.size()) {
      if (line[at] == '"') {
        if (at + 1 < line.size() && line[at + 1] == '"') {
          *out += '"';
          at += 2;
          continue;
        }
        ++at;
        return true;
      }
      *out += line[at++];
    }
    return false;
  }
  bool AtEnd() {
    SkipSpaces();
    return at >= line.size();
  }
};

bool ParseNumber(const std::string& word, long* value) {
  if (word.empty()) return false;
  char* end = NULL;
  long parsed = strtol(word.c_str(), &end, 0);
  if (*end != 0 || parsed < 0 || parsed > 0xFFFF) return false;
  *value = parsed;
  return true;
}

bool ParseControl(const std::string& word, int* id) {
  if (strcasecmp(word.c_str(), "IDOK") == 0) return (*id = IDOK), true;
  if (strcasecmp(word.c_str(), "IDCANCEL") == 0) return (*id = IDCANCEL), true;
  long value = 0;
  if (!ParseNumber(word, &value)) return false;
  *id = (int)value;
  return true;
}

bool ParseButton(const std::string& word, int* button) {
  static const struct {
    const char* name;
    int id;
  } names[] = {{"IDOK", IDOK},       {"IDCANCEL", IDCANCEL}, {"IDABORT", IDABORT},
               {"IDRETRY", IDRETRY}, {"IDIGNORE", IDIGNORE}, {"IDYES", IDYES},
               {"IDNO", IDNO},       {"OK", IDOK},           {"CANCEL", IDCANCEL},
               {"ABORT", IDABORT},   {"RETRY", IDRETRY},     {"IGNORE", IDIGNORE},
               {"YES", IDYES},       {"NO", IDNO}};
  for (const auto& entry : names)
    if (strcasecmp(word.c_str(), entry.name) == 0) return (*button = entry.id), true;
  long value = 0;
  if (!ParseNumber(word, &value) || value == 0) return false;
  *button = (int)value;
  return true;
}

bool ParseKey(const std::string& word, int* key) {
  if (strcasecmp(word.c_str(), "escape") == 0 || strcasecmp(word.c_str(), "esc") == 0)
    return (*key = VK_ESCAPE), true;
  if (strcasecmp(word.c_str(), "return") == 0 || strcasecmp(word.c_str(), "enter") == 0)
    return (*key = VK_RETURN), true;
  if (strcasecmp(word.c_str(), "tab") == 0) return (*key = VK_TAB), true;
  long value = 0;
  if (!ParseNumber(word, &value) || value == 0 || value > 0xFF) return false;
  *key = (int)value;
  return true;
}

// One line into an action; false with `why` when it does not parse.
bool ParseLine(const std::string& line, std::function<void()>* action, std::string* why) {
  Cursor cursor(line);
  std::string verb = cursor.Word();
  if (verb == "click") {
    int id = 0;
    if (!ParseControl(cursor.Word(), &id) || !cursor.AtEnd())
      return (*why = "click wants one control number"), false;
    *action = [id] { world::Click(id); };
  } else if (verb == "type") {
    int id = 0;
    if (!ParseControl(cursor.Word(), &id)) return (*why = "type wants a control number"), false;
    std::string text = Utf8ToAnsi(cursor.Rest());
    *action = [id, text] { world::Type(id, text); };
  } else if (verb == "key") {
    int key = 0;
    if (!ParseKey(cursor.Word(), &key) || !cursor.AtEnd())
      return (*why = "key wants escape, return, tab or a virtual-key number"), false;
    *action = [key] { world::PressKey(key); };
  } else if (verb == "close") {
    if (!cursor.AtEnd()) return (*why = "close takes nothing"), false;
    *action = [] { world::CloseWindow(); };
  } else if (verb == "answer") {
    std::string text;
    int button = 0;
    if (!cursor.Quoted(&text)) return (*why = "answer wants a quoted text"), false;
    if (!ParseButton(cursor.Word(), &button) || !cursor.AtEnd())
      return (*why = "answer wants a button after the text (IDOK, IDYES, IDNO...)"), false;
    std::string ansi = Utf8ToAnsi(text);
    *action = [ansi, button] { world::Answer(ansi, button); };
  } else if (verb == "pick") {
    std::string path = Utf8ToAnsi(cursor.Rest());
    if (path.empty()) return (*why = "pick wants a folder"), false;
    *action = [path] { world::PickFolder(path); };
  } else if (verb == "pick-virtual") {
    if (!cursor.AtEnd()) return (*why = "pick-virtual takes nothing"), false;
    *action = [] { world::PickVirtualFolder(); };
  } else if (verb == "cancel-picker") {
    if (!cursor.AtEnd()) return (*why = "cancel-picker takes nothing"), false;
    *action = [] { world::CancelPicker(); };
  } else if (verb == "wait") {
    long ms = 0;
    std::string word = cursor.Word();
    char* end = NULL;
    ms = strtol(word.c_str(), &end, 10);
    if (word.empty() || *end != 0 || ms < 0 || !cursor.AtEnd())
      return (*why = "wait wants a number of milliseconds"), false;
    DWORD duration = (DWORD)ms;
    *action = [duration] { world::Wait(duration); };
  } else {
    *why = "unknown action '" + verb + "'";
    return false;
  }
  return true;
}

}  // namespace

bool QueueUserScript(const std::string& scriptText, std::string* error) {
  std::vector<std::function<void()>> actions;
  size_t start = 0;
  int number = 0;
  while (start <= scriptText.size()) {
    size_t end = scriptText.find('\n', start);
    if (end == std::string::npos) end = scriptText.size();
    std::string line = scriptText.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    std::function<void()> action;
    std::string why;
    if (!ParseLine(line.substr(first), &action, &why)) {
      *error = "line " + std::to_string(number) + ": " + why;
      return false;
    }
    actions.push_back(action);
  }
  for (auto& action : actions) action();
  return true;
}
