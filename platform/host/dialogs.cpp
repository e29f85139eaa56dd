// Dialogs built from the templates in the resources: creation, the dialog's default
// handling, modal loops, EndDialog, destruction and the dialog-item helpers.
#include <string>

#include "platform/host/dialog_template.h"
#include "platform/host/window_manager.h"

namespace {

using world::ui::ControlClass;
using world::ui::Find;
using world::ui::FindOwn;
using world::ui::Window;
using world::ui::WindowKind;

Window* FindDialog(HWND dialog) {
  Window* w = Find(dialog);
  if (!w || w->kind != WindowKind::Dialog) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return NULL;
  }
  return w;
}

ControlClass ClassOf(const world::ui::TemplateName& name, std::string* className) {
  std::string text = name.ordinal >= 0 ? world::ui::PredefinedClassName(name.ordinal) : name.name;
  *className = text;
  if (lstrcmpiA(text.c_str(), "Button") == 0) return ControlClass::Button;
  if (lstrcmpiA(text.c_str(), "Edit") == 0) return ControlClass::Edit;
  if (lstrcmpiA(text.c_str(), "Static") == 0) return ControlClass::Static;
  if (lstrcmpiA(text.c_str(), "ListBox") == 0) return ControlClass::ListBox;
  if (lstrcmpiA(text.c_str(), "ScrollBar") == 0) return ControlClass::ScrollBar;
  if (lstrcmpiA(text.c_str(), "ComboBox") == 0) return ControlClass::ComboBox;
  return ControlClass::Other;
}

// The control that gets the focus when a dialog starts: its first enabled, visible tab stop.
HWND FirstTabStop(HWND dialog) {
  Window* d = Find(dialog);
  if (!d) return NULL;
  for (HWND child : d->children) {
    Window* c = Find(child);
    if (c && (c->style & WS_TABSTOP) && c->enabled && c->visible) return child;
  }
  return NULL;
}

// Moves the focus to the next (or previous) tab stop of the dialog, wrapping around.
void MoveFocus(HWND dialog, bool backwards) {
  Window* d = Find(dialog);
  if (!d || d->children.empty()) return;
  std::vector<HWND> stops;
  for (HWND child : d->children) {
    Window* c = Find(child);
    if (c && (c->style & WS_TABSTOP) && c->enabled && c->visible) stops.push_back(child);
  }
  if (stops.empty()) return;
  HWND focus = world::ui::FocusWindow();
  size_t at = stops.size();
  for (size_t i = 0; i < stops.size(); ++i)
    if (stops[i] == focus) at = i;
  size_t next;
  if (at == stops.size())
    next = backwards ? stops.size() - 1 : 0;
  else
    next = backwards ? (at + stops.size() - 1) % stops.size() : (at + 1) % stops.size();
  world::ui::SetFocusWindow(stops[next]);
}

// Builds the dialog and its controls, runs WM_INITDIALOG and shows it when the template asks.
HWND BuildDialog(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC dialogProc,
                 LPARAM initParam, bool modal) {
  if (parent && !Find(parent)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return NULL;
  }
  HRSRC resource = FindResourceA(instance, templateName, RT_DIALOG);
  if (!resource) return NULL;  // FindResourceA left 1813 or 1814
  HGLOBAL loaded = LoadResource(instance, resource);
  const void* bytes = loaded ? LockResource(loaded) : NULL;
  DWORD size = SizeofResource(instance, resource);
  world::ui::DialogTemplate t;
  if (!bytes || !world::ui::ParseDialogTemplate(bytes, size, &t)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return NULL;
  }

  Window* d = world::ui::NewWindow(WindowKind::Dialog);
  HWND dialog = d->handle;
  d->dialogId = IS_INTRESOURCE(templateName) ? LOWORD(templateName) : -1;
  d->className = "#32770";
  d->style = t.style & ~(DWORD)(WS_VISIBLE | WS_DISABLED);
  d->exStyle = t.exStyle;
  d->enabled = !(t.style & WS_DISABLED);
  d->text = t.title;
  d->x = t.x;
  d->y = t.y;
  d->cx = t.cx;
  d->cy = t.cy;
  d->owner = world::ui::TopLevelOf(parent);
  d->dialogProc = dialogProc;
  d->modal = modal;
  for (const world::ui::DialogItemTemplate& item : t.items) {
    Window* c = world::ui::NewWindow(WindowKind::Control);
    c->parent = dialog;
    c->dialogId = d->dialogId;
    c->controlId = item.id == 0xFFFF ? -1 : item.id;
    c->controlClass = ClassOf(item.windowClass, &c->className);
    c->style = item.style & ~(DWORD)(WS_VISIBLE | WS_DISABLED);
    c->exStyle = item.exStyle;
    c->visible = (item.style & WS_VISIBLE) != 0;
    c->enabled = !(item.style & WS_DISABLED);
    c->x = item.x;
    c->y = item.y;
    c->cx = item.cx;
    c->cy = item.cy;
    if (item.title.ordinal >= 0)
      c->iconId = item.title.ordinal;
    else
      c->text = item.title.name;
    d = Find(dialog);
    d->children.push_back(c->handle);
  }

  HWND firstStop = FirstTabStop(dialog);
  INT_PTR setFocus = dialogProc ? dialogProc(dialog, WM_INITDIALOG, (WPARAM)firstStop, initParam) : TRUE;
  d = Find(dialog);
  if (!d) return NULL;  // the procedure destroyed its own window
  if (setFocus && firstStop && Find(firstStop)) world::ui::SetFocusWindow(firstStop);
  if ((t.style & WS_VISIBLE) && !d->ended) world::ui::SetVisible(dialog, true);
  return dialog;
}

void DestroyDialogTree(HWND window);

// Destroys the windows owned by `owner` first, as Windows does.
void DestroyOwned(HWND owner) {
  for (HWND h : world::ui::TopLevelWindows()) {
    Window* w = FindOwn(h);
    if (w && w->owner == owner && h != owner) DestroyDialogTree(h);
  }
}

void DestroyDialogTree(HWND window) {
  Window* w = FindOwn(window);
  if (!w) return;
  DestroyOwned(window);
  world::ui::SetVisible(window, false);
  world::ui::Deliver(window, WM_DESTROY, 0, 0);
  w = Find(window);
  if (!w) return;
  std::vector<HWND> children = w->children;
  for (HWND child : children) world::ui::RemoveWindow(child);
  world::ui::RemoveWindow(window);
}

}  // namespace

namespace world {
namespace ui {

HWND ChildById(HWND dialog, int id) {
  Window* d = Find(dialog);
  if (!d) return NULL;
  for (HWND child : d->children) {
    Window* c = Find(child);
    if (c && c->controlId == id) return child;
  }
  return NULL;
}

int DefaultButtonId(HWND dialog) {
  Window* d = Find(dialog);
  if (!d) return IDOK;
  for (HWND child : d->children) {
    Window* c = Find(child);
    if (c && c->controlClass == ControlClass::Button && (c->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
      return c->controlId;
  }
  return IDOK;
}

// The dialog procedure first; what it leaves (FALSE) gets the dialog's default handling.
LRESULT DialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* d = Find(dialog);
  if (!d) return 0;
  DLGPROC proc = d->dialogProc;
  if (proc && proc(dialog, message, wParam, lParam)) return 0;
  d = Find(dialog);
  if (!d) return 0;
  switch (message) {
    case WM_CLOSE: {
      // The close box is Cancel, unless the dialog's Cancel button is disabled.
      HWND cancel = ChildById(dialog, IDCANCEL);
      Window* c = Find(cancel);
      if (c && !c->enabled) return 0;
      Post(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)cancel);
      return 0;
    }
    case WM_SETTEXT:
      d->text = lParam ? (const char*)lParam : "";
      return TRUE;
    case WM_GETTEXT:
      return CopyText(d->text, (char*)lParam, (int)wParam);
    case WM_GETTEXTLENGTH:
      return (LRESULT)d->text.size();
    case WM_SETICON: {
      HICON previous = wParam == ICON_BIG ? d->bigIcon : d->smallIcon;
      if (wParam == ICON_BIG)
        d->bigIcon = (HICON)lParam;
      else
        d->smallIcon = (HICON)lParam;
      return (LRESULT)previous;
    }
    case DM_GETDEFID:
      return MAKELONG(DefaultButtonId(dialog), 0x534B);  // DC_HASDEFID
    case WM_NEXTDLGCTL:
      if (lParam)
        SetFocusWindow((HWND)wParam);
      else
        MoveFocus(dialog, wParam != 0);
      return 0;
  }
  return 0;
}

}  // namespace ui
}  // namespace world

using world::ui::ChildById;

HWND WINAPI CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND parent,
                               DLGPROC dialogProc, LPARAM initParam) {
  if (world::internal::FaultFires("CreateDialogParamA", "")) return NULL;
  return BuildDialog(instance, templateName, parent, dialogProc, initParam, false);
}

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND parent,
                               DLGPROC dialogProc, LPARAM initParam) {
  if (world::internal::FaultFires("DialogBoxParamA", "")) return -1;
  HWND owner = world::ui::TopLevelOf(parent);
  // The owner takes no input while the dialog runs.
  bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  HWND dialog = BuildDialog(instance, templateName, parent, dialogProc, initParam, true);
  if (!dialog) {
    if (ownerWasEnabled && IsWindow(owner)) EnableWindow(owner, TRUE);
    return -1;
  }
  Window* d = Find(dialog);
  if (d && !d->ended) world::ui::SetVisible(dialog, true);
  INT_PTR result = -1;
  for (;;) {
    d = Find(dialog);
    if (!d) break;  // destroyed from its own procedure
    if (d->ended) {
      result = d->endResult;
      break;
    }
    MSG msg;
    world::ui::Fetch got = world::ui::FetchMessage(&msg, NULL, 0, 0, false);
    if (got == world::ui::Fetch::Stalled) {
      result = -1;
      break;
    }
    if (got != world::ui::Fetch::Message) continue;
    if (!IsDialogMessageA(dialog, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  if (ownerWasEnabled && IsWindow(owner)) EnableWindow(owner, TRUE);
  if (IsWindow(dialog)) DestroyDialogTree(dialog);
  return result;
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
  Window* d = FindDialog(dialog);
  if (!d) return FALSE;
  d->ended = true;
  d->endResult = result;
  // The window goes at once; a modal loop then destroys it, a modeless one stays hidden.
  world::ui::SetVisible(dialog, false);
  return TRUE;
}

BOOL WINAPI DestroyWindow(HWND window) {
  Window* w = Find(window);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (w->kind == WindowKind::Foreign) {  // another program's window
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (w->kind == WindowKind::Control) {
    Window* d = Find(w->parent);
    if (d)
      for (size_t i = 0; i < d->children.size(); ++i)
        if (d->children[i] == window) {
          d->children.erase(d->children.begin() + i);
          break;
        }
    world::ui::RemoveWindow(window);
    return TRUE;
  }
  DestroyDialogTree(window);
  return TRUE;
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
  if (!FindDialog(dialog)) return NULL;
  HWND child = ChildById(dialog, id);
  if (!child) SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
  return child;
}

BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  HWND child = GetDlgItem(dialog, id);
  if (!child) return FALSE;
  return SetWindowTextA(child, text);
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR text, int maxCount) {
  if (text && maxCount > 0) text[0] = 0;
  HWND child = GetDlgItem(dialog, id);
  if (!child) return 0;
  return (UINT)GetWindowTextA(child, text, maxCount);
}

LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND child = GetDlgItem(dialog, id);
  if (!child) return 0;
  return SendMessageA(child, message, wParam, lParam);
}

BOOL WINAPI CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND child = GetDlgItem(dialog, id);
  if (!child) return FALSE;
  SendMessageA(child, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND dialog, int id) {
  HWND child = GetDlgItem(dialog, id);
  if (!child) return 0;
  return (UINT)SendMessageA(child, BM_GETCHECK, 0, 0);
}

BOOL WINAPI CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId) {
  Window* d = FindDialog(dialog);
  if (!d) return FALSE;
  std::vector<HWND> children = d->children;
  for (HWND child : children) {
    Window* c = Find(child);
    if (!c || c->controlId < firstId || c->controlId > lastId) continue;
    SendMessageA(child, BM_SETCHECK, c->controlId == checkId ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  return TRUE;
}

BOOL WINAPI IsDialogMessageA(HWND dialog, LPMSG msg) {
  if (!msg || !FindDialog(dialog)) return FALSE;
  if (msg->hwnd != dialog && !world::ui::IsDescendant(dialog, msg->hwnd)) return FALSE;
  if (msg->message == WM_KEYDOWN) {
    switch (msg->wParam) {
      case VK_ESCAPE:
        // Cancel even when the Cancel button is disabled: only the close box checks it.
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)ChildById(dialog, IDCANCEL));
        return TRUE;
      case VK_RETURN: {
        // A focused push button is pressed; otherwise the dialog's default button.
        Window* focus = Find(world::ui::FocusWindow());
        int id = (focus && focus->parent == dialog && world::ui::IsPushButton(focus))
                     ? focus->controlId
                     : world::ui::DefaultButtonId(dialog);
        HWND button = ChildById(dialog, id);
        Window* b = Find(button);
        if (b && !b->enabled) return TRUE;
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
        return TRUE;
      }
      case VK_TAB:
        MoveFocus(dialog, false);
        return TRUE;
    }
  }
  DispatchMessageA(msg);
  return TRUE;
}
