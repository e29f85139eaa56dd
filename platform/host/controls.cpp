// The standard controls as the program relies on them: static texts, edits that report
// EN_CHANGE, push buttons, automatic check boxes and automatic radio buttons with groups.
#include <string>
#include <vector>

#include "platform/host/window_manager.h"

namespace {

std::vector<std::string> typedTexts;

const bool registered = (world::internal::RegisterResetHook([] { typedTexts.clear(); }), true);

using world::ui::Find;
using world::ui::Window;

DWORD ButtonType(const Window* w) { return w->style & BS_TYPEMASK; }

bool IsButton(const Window* w) { return w && w->controlClass == world::ui::ControlClass::Button; }

bool IsSingleLineEdit(const Window* w) { return world::ui::IsEdit(w) && !(w->style & ES_MULTILINE); }

// Tells the control's dialog: WM_COMMAND with the control's number and `code`.
void Notify(HWND control, WORD code) {
  Window* w = Find(control);
  if (!w || !Find(w->parent)) return;
  world::ui::Deliver(w->parent, WM_COMMAND, MAKEWPARAM(w->controlId, code), (LPARAM)control);
}

// Checks an automatic radio button and clears the others of its group: the controls from
// the nearest one with WS_GROUP up to the next one with WS_GROUP.
void CheckInGroup(HWND radio) {
  Window* w = Find(radio);
  Window* dialog = w ? Find(w->parent) : NULL;
  if (!dialog) return;
  const std::vector<HWND>& items = dialog->children;
  size_t at = 0;
  while (at < items.size() && items[at] != radio) ++at;
  if (at == items.size()) return;
  size_t first = at;
  while (first > 0) {
    Window* c = Find(items[first]);
    if (c && (c->style & WS_GROUP)) break;
    --first;
  }
  size_t end = at + 1;
  while (end < items.size()) {
    Window* c = Find(items[end]);
    if (c && (c->style & WS_GROUP)) break;
    ++end;
  }
  for (size_t i = first; i < end; ++i) {
    Window* c = Find(items[i]);
    if (!IsButton(c)) continue;
    DWORD type = ButtonType(c);
    if (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON)
      c->checked = items[i] == radio ? BST_CHECKED : BST_UNCHECKED;
  }
}

void SetSelection(Window* w, WPARAM start, LPARAM end) {
  DWORD length = (DWORD)w->text.size();
  int s = (int)start, e = (int)end;
  if (s == -1) {  // -1 removes the selection
    w->selectionStart = w->selectionEnd = w->selectionEnd;
    return;
  }
  if (e < 0 || (DWORD)e > length) e = (int)length;
  if (s < 0 || (DWORD)s > length) s = (int)length;
  if (s > e) {
    int t = s;
    s = e;
    e = t;
  }
  w->selectionStart = (DWORD)s;
  w->selectionEnd = (DWORD)e;
}

}  // namespace

namespace world {
namespace ui {

bool IsEdit(const Window* w) { return w && w->controlClass == ControlClass::Edit; }

bool IsPushButton(const Window* w) {
  return IsButton(w) && (ButtonType(w) == BS_PUSHBUTTON || ButtonType(w) == BS_DEFPUSHBUTTON);
}

int AddTypedText(const std::string& text) {
  typedTexts.push_back(text);
  return (int)typedTexts.size() - 1;
}

void SetControlText(HWND control, const std::string& text) {
  Window* w = Find(control);
  if (!w) return;
  bool changed = w->text != text;
  w->text = text;
  if (IsEdit(w)) w->selectionStart = w->selectionEnd = 0;
  if (changed && IsWindowVisible(control) && w->visible) {
    Window* dialog = Find(w->parent);
    Record("text " + std::to_string(dialog ? dialog->dialogId : -1) + "/" +
           std::to_string(w->controlId) + " \"" + text + "\"");
  }
}

void ClickControl(HWND control) {
  Window* w = Find(control);
  if (!w) return;
  if (IsEdit(w)) {
    SetFocusWindow(control);
    return;
  }
  if (!IsButton(w)) return;  // statics without SS_NOTIFY say nothing
  DWORD type = ButtonType(w);
  if (type == BS_GROUPBOX) return;
  SetFocusWindow(control);
  if (type == BS_AUTOCHECKBOX)
    w->checked = w->checked == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
  else if (type == BS_AUTO3STATE)
    w->checked = (w->checked + 1) % 3;
  else if (type == BS_AUTORADIOBUTTON)
    CheckInGroup(control);
  Notify(control, BN_CLICKED);
}

LRESULT ControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = Find(control);
  if (!w) return 0;
  switch (message) {
    case WM_SETTEXT: {
      SetControlText(control, lParam ? (const char*)lParam : "");
      // Windows leaves EN_CHANGE out for a multi-line edit whose text is set this way.
      if (IsSingleLineEdit(Find(control))) Notify(control, EN_CHANGE);
      return TRUE;
    }
    case WM_GETTEXT:
      return CopyText(w->text, (char*)lParam, (int)wParam);
    case WM_GETTEXTLENGTH:
      return (LRESULT)w->text.size();
    case BM_GETCHECK:
      return IsButton(w) ? w->checked : 0;
    case BM_SETCHECK:
      if (IsButton(w)) {
        DWORD type = ButtonType(w);
        if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
            type == BS_AUTORADIOBUTTON)
          w->checked = wParam == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
        else if (type == BS_3STATE || type == BS_AUTO3STATE)
          w->checked = wParam <= 2 ? (int)wParam : BST_UNCHECKED;
      }
      return 0;
    case BM_CLICK:
      // The program's own click: it reaches a disabled button too, as on Windows. The user
      // cannot click one (the script stalls instead).
      ClickControl(control);
      return 0;
    case EM_SETSEL:
      if (IsEdit(w)) SetSelection(w, wParam, lParam);
      return 0;
    case EM_GETSEL:
      if (!IsEdit(w)) return 0;
      if (wParam) *(DWORD*)wParam = w->selectionStart;
      if (lParam) *(DWORD*)lParam = w->selectionEnd;
      return MAKELONG(w->selectionStart, w->selectionEnd);
    case EM_LIMITTEXT:
      if (IsEdit(w)) w->textLimit = wParam ? (DWORD)wParam : 0x7FFFFFFE;
      return 0;
    case EM_SETREADONLY:
      if (!IsEdit(w)) return 0;
      w->style = wParam ? (w->style | ES_READONLY) : (w->style & ~(DWORD)ES_READONLY);
      return TRUE;
    case kTypedTextMessage: {
      if (!IsEdit(w) || lParam < 0 || (size_t)lParam >= typedTexts.size()) return 0;
      std::string text = typedTexts[(size_t)lParam];
      if (text.size() > w->textLimit) text.resize(w->textLimit);
      SetControlText(control, text);
      Window* edit = Find(control);
      if (edit) edit->selectionStart = edit->selectionEnd = (DWORD)text.size();
      SetFocusWindow(control);  // the user typed there
      Notify(control, EN_CHANGE);  // typing always reports the change
      return 0;
    }
  }
  return 0;
}

}  // namespace ui
}  // namespace world
