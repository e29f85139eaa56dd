// The DIALOGEX template layout as windres and rc write it into a .res: what the window
// manager builds dialogs from, and what the resource tests read back. Host layer only.
#ifndef VELMORA_PLATFORM_HOST_DIALOG_TEMPLATE_H
#define VELMORA_PLATFORM_HOST_DIALOG_TEMPLATE_H

#include <stddef.h>

#include <string>
#include <vector>

#include "platform/win32.h"

namespace world {
namespace ui {

// A name or number field of a template: a number when `ordinal` is not -1, else `name`.
struct TemplateName {
  int ordinal = -1;
  std::string name;  // code page 1252
};

struct DialogItemTemplate {
  DWORD helpId = 0, exStyle = 0, style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  int id = 0;               // -1 for the unnumbered controls
  TemplateName windowClass; // 0x80 button, 0x81 edit, 0x82 static... or a class name
  TemplateName title;       // a text, or a resource number (icons of SS_ICON statics)
  std::vector<BYTE> extra;
};

struct DialogTemplate {
  DWORD helpId = 0, exStyle = 0, style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  TemplateName menu, windowClass;
  std::string title;  // code page 1252
  bool hasFont = false;
  WORD pointSize = 0, weight = 0;
  BYTE italic = 0, charset = 0;
  std::string typeface;
  std::vector<DialogItemTemplate> items;
};

// Reads an extended dialog template of `size` bytes. False when it is not one, or when a
// field or an item runs past the end; nothing is read beyond `size`.
bool ParseDialogTemplate(const void* data, size_t size, DialogTemplate* out);

// "Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox" for the predefined class
// numbers 0x80-0x85; "" for others.
const char* PredefinedClassName(int ordinal);

}  // namespace ui
}  // namespace world

#endif
