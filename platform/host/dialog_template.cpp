// Reading extended dialog templates (DIALOGEX), bounded by the resource's size.
#include "platform/host/dialog_template.h"

#include <string.h>

#include "platform/host/window_manager.h"

namespace {

// A cursor over the template's bytes; every read checks the bounds and fails once, for good.
struct Reader {
  const BYTE* base;
  size_t size;
  size_t at;
  bool ok;

  bool Need(size_t n) {
    if (!ok || at > size || size - at < n) ok = false;
    return ok;
  }
  WORD Word() {
    if (!Need(2)) return 0;
    WORD v = (WORD)(base[at] | (base[at + 1] << 8));
    at += 2;
    return v;
  }
  DWORD Dword() {
    if (!Need(4)) return 0;
    DWORD v = (DWORD)base[at] | ((DWORD)base[at + 1] << 8) | ((DWORD)base[at + 2] << 16) |
              ((DWORD)base[at + 3] << 24);
    at += 4;
    return v;
  }
  BYTE Byte() {
    if (!Need(1)) return 0;
    return base[at++];
  }
  void AlignTo(size_t boundary) {
    size_t aligned = (at + boundary - 1) / boundary * boundary;
    if (aligned > size) {
      at = size;  // the last item may end without padding
      return;
    }
    at = aligned;
  }
  // A zero-terminated UTF-16 text, as ANSI.
  std::string Text() {
    std::vector<WCHAR> units;
    for (;;) {
      WORD unit = Word();
      if (!ok) return std::string();
      if (unit == 0) break;
      units.push_back(unit);
    }
    return world::ui::Utf16ToAnsi(units.data(), units.size());
  }
  // A name-or-number field: 0x0000 none, 0xFFFF then a number, else a text.
  world::ui::TemplateName Name() {
    world::ui::TemplateName name;
    if (!Need(2)) return name;
    WORD first = (WORD)(base[at] | (base[at + 1] << 8));
    if (first == 0x0000) {
      at += 2;
    } else if (first == 0xFFFF) {
      at += 2;
      name.ordinal = Word();
    } else {
      name.name = Text();
    }
    return name;
  }
};

}  // namespace

namespace world {
namespace ui {

const char* PredefinedClassName(int ordinal) {
  switch (ordinal) {
    case 0x80: return "Button";
    case 0x81: return "Edit";
    case 0x82: return "Static";
    case 0x83: return "ListBox";
    case 0x84: return "ScrollBar";
    case 0x85: return "ComboBox";
  }
  return "";
}

bool ParseDialogTemplate(const void* data, size_t size, DialogTemplate* out) {
  if (!data || !out) return false;
  Reader r{(const BYTE*)data, size, 0, true};
  DialogTemplate t;
  WORD version = r.Word();
  WORD signature = r.Word();
  if (!r.ok || version != 1 || signature != 0xFFFF) return false;
  t.helpId = r.Dword();
  t.exStyle = r.Dword();
  t.style = r.Dword();
  WORD count = r.Word();
  t.x = (short)r.Word();
  t.y = (short)r.Word();
  t.cx = (short)r.Word();
  t.cy = (short)r.Word();
  t.menu = r.Name();
  t.windowClass = r.Name();
  t.title = r.Text();
  if (t.style & DS_SETFONT) {
    t.hasFont = true;
    t.pointSize = r.Word();
    t.weight = r.Word();
    t.italic = r.Byte();
    t.charset = r.Byte();
    t.typeface = r.Text();
  }
  if (!r.ok) return false;
  for (WORD i = 0; i < count; ++i) {
    r.AlignTo(4);
    DialogItemTemplate item;
    item.helpId = r.Dword();
    item.exStyle = r.Dword();
    item.style = r.Dword();
    item.x = (short)r.Word();
    item.y = (short)r.Word();
    item.cx = (short)r.Word();
    item.cy = (short)r.Word();
    item.id = (int)r.Dword();
    item.windowClass = r.Name();
    item.title = r.Name();
    WORD extraCount = r.Word();
    if (!r.Need(extraCount)) return false;
    item.extra.assign(r.base + r.at, r.base + r.at + extraCount);
    r.at += extraCount;
    if (!r.ok) return false;
    t.items.push_back(item);
  }
  *out = t;
  return true;
}

}  // namespace ui
}  // namespace world
