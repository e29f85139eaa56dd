// The window list: the program's dialogs, their controls, its message boxes and the top-level
// windows of simulated programs; z-order, activation, focus, visibility and placement.
#include <stdint.h>
#include <stdio.h>

#include <map>
#include <memory>

#include "platform/host/window_manager.h"

namespace {

std::map<uintptr_t, std::unique_ptr<world::ui::Window>> windows;
std::vector<HWND> zOrder;  // top-level windows, topmost first
uintptr_t nextHandle = 0x10010;
HWND focusWindow = NULL;
HCURSOR currentCursor = NULL;

const uintptr_t kIconBase = 0x7C000000;
const uintptr_t kCursorBase = 0x7D000000;

const bool registered = (world::internal::RegisterResetHook([] {
                           windows.clear();
                           zOrder.clear();
                           nextHandle = 0x10010;
                           focusWindow = NULL;
                           currentCursor = NULL;
                         }),
                         true);

bool IsTopLevelKind(world::ui::WindowKind kind) { return kind != world::ui::WindowKind::Control; }

// The window, or NULL with ERROR_INVALID_WINDOW_HANDLE, as the window functions report it.
world::ui::Window* FindOrFail(HWND window) {
  world::ui::Window* w = world::ui::Find(window);
  if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

}  // namespace

namespace world {
namespace ui {

Window* Find(HWND window) {
  auto it = windows.find((uintptr_t)window);
  return it == windows.end() ? NULL : it->second.get();
}

Window* FindOwn(HWND window) {
  Window* w = Find(window);
  return (w && w->kind != WindowKind::Foreign) ? w : NULL;
}

Window* NewWindow(WindowKind kind) {
  std::unique_ptr<Window> w(new Window());
  w->handle = (HWND)nextHandle;
  nextHandle += 4;
  w->kind = kind;
  Window* raw = w.get();
  windows[(uintptr_t)raw->handle] = std::move(w);
  if (IsTopLevelKind(kind)) zOrder.insert(zOrder.begin(), raw->handle);
  NoteActivity();
  return raw;
}

void RemoveWindow(HWND window) {
  for (size_t i = 0; i < zOrder.size(); ++i)
    if (zOrder[i] == window) {
      zOrder.erase(zOrder.begin() + i);
      break;
    }
  if (focusWindow == window) focusWindow = NULL;
  for (auto& entry : windows)
    if (entry.second->focus == window) entry.second->focus = NULL;
  KillTimersOf(window);
  DropMessagesOf(window);
  windows.erase((uintptr_t)window);
  NoteActivity();
}

std::vector<HWND> TopLevelWindows() { return zOrder; }

void BringToTop(HWND window) {
  for (size_t i = 0; i < zOrder.size(); ++i)
    if (zOrder[i] == window) {
      zOrder.erase(zOrder.begin() + i);
      zOrder.insert(zOrder.begin(), window);
      return;
    }
}

HWND TopLevelOf(HWND window) {
  Window* w = Find(window);
  while (w && w->kind == WindowKind::Control) w = Find(w->parent);
  return w ? w->handle : NULL;
}

bool IsDescendant(HWND ancestor, HWND window) {
  Window* w = Find(window);
  while (w && w->kind == WindowKind::Control) {
    if (w->parent == ancestor) return true;
    w = Find(w->parent);
  }
  return false;
}

HWND ActiveWindow() {
  for (HWND h : zOrder) {
    Window* w = FindOwn(h);
    if (w && w->visible) return h;
  }
  return NULL;
}

HWND InputWindow() {
  for (HWND h : zOrder) {
    Window* w = FindOwn(h);
    if (w && w->visible && w->enabled) return h;
  }
  return NULL;
}

void SetVisible(HWND window, bool visible) {
  Window* w = Find(window);
  if (!w || w->visible == visible) return;
  w->visible = visible;
  NoteActivity();
  if (visible && IsTopLevelKind(w->kind)) BringToTop(window);
  if (w->kind != WindowKind::Dialog) return;
  if (!visible) {
    Record("window " + std::to_string(w->dialogId) + " closed");
    return;
  }
  Record("window " + std::to_string(w->dialogId) + " shown \"" + w->text + "\"");
  for (HWND child : w->children) {
    Window* c = Find(child);
    if (c && c->visible && !c->text.empty())
      Record("  " + std::to_string(w->dialogId) + "/" + std::to_string(c->controlId) + " \"" +
             c->text + "\"");
  }
}

std::string Describe(HWND window) {
  Window* w = Find(window);
  if (!w) return "no window";
  switch (w->kind) {
    case WindowKind::Dialog:
      return "window " + std::to_string(w->dialogId) + " \"" + w->text + "\"";
    case WindowKind::MessageBox:
      return "message box \"" + w->text + "\"";
    case WindowKind::Foreign:
      return "window \"" + w->text + "\" of process " + std::to_string(w->processId);
    case WindowKind::Control:
      return "control " + std::to_string(w->controlId) + " of " + Describe(w->parent);
  }
  return "a window";
}

HWND FocusWindow() { return focusWindow; }

void SetFocusWindow(HWND window) {
  focusWindow = window;
  Window* w = Find(window);
  if (w && w->kind == WindowKind::Control) {
    Window* dialog = Find(w->parent);
    if (dialog) dialog->focus = window;
  }
}

HICON IconHandle(int id) { return (HICON)(kIconBase + (uintptr_t)(WORD)id); }

int IconIdOf(HICON icon) {
  uintptr_t value = (uintptr_t)icon;
  return (value > kIconBase && value <= kIconBase + 0xFFFF) ? (int)(value - kIconBase) : 0;
}

int CopyText(const std::string& text, char* buffer, int capacity) {
  if (!buffer || capacity <= 0) return 0;
  int count = (int)text.size();
  if (count > capacity - 1) count = capacity - 1;
  memcpy(buffer, text.data(), (size_t)count);
  buffer[count] = 0;
  return count;
}

}  // namespace ui

HWND FindDialog(int dialogId) {
  for (HWND h : zOrder) {
    ui::Window* w = ui::Find(h);
    if (w && w->kind == ui::WindowKind::Dialog && w->dialogId == dialogId) return h;
  }
  return NULL;
}

int WindowIconId(HWND window, bool big) {
  ui::Window* w = ui::Find(window);
  if (!w) return 0;
  return ui::IconIdOf(big ? w->bigIcon : w->smallIcon);
}

int CursorId() {
  uintptr_t value = (uintptr_t)currentCursor;
  return (value > kCursorBase && value <= kCursorBase + 0xFFFF) ? (int)(value - kCursorBase) : 0;
}

namespace internal {

HWND CreateForeignWindow(DWORD processId, const std::string& title, bool visible,
                         std::function<void(HWND, UINT, WPARAM, LPARAM)> onMessage) {
  ui::Window* w = ui::NewWindow(ui::WindowKind::Foreign);
  w->processId = processId;
  w->text = title;
  w->visible = visible;
  w->className = "VelmoraForeign";
  w->onMessage = std::move(onMessage);
  return w->handle;  // on top: a newly started program's window comes up above the setup's own
}

void DestroyForeignWindow(HWND window) {
  ui::Window* w = ui::Find(window);
  if (w && w->kind == ui::WindowKind::Foreign) ui::RemoveWindow(window);
}

bool IsForeignWindowTopmostSeen(HWND window) {
  ui::Window* w = ui::Find(window);
  return w && w->topmostSeen;
}

}  // namespace internal
}  // namespace world

using world::ui::Find;
using world::ui::FindOwn;
using world::ui::Window;
using world::ui::WindowKind;

BOOL WINAPI IsWindow(HWND window) { return Find(window) != NULL; }

HWND WINAPI GetParent(HWND window) {
  Window* w = FindOrFail(window);
  if (!w) return NULL;
  if (w->kind == WindowKind::Control) return w->parent;
  // A pop-up's parent is its owner.
  return Find(w->owner) ? w->owner : NULL;
}

int WINAPI GetDlgCtrlID(HWND window) {
  Window* w = FindOrFail(window);
  return (w && w->kind == WindowKind::Control) ? w->controlId : 0;
}

BOOL WINAPI EnableWindow(HWND window, BOOL enable) {
  Window* w = FindOrFail(window);
  if (!w) return FALSE;
  bool wasDisabled = !w->enabled;
  bool nowEnabled = enable != FALSE;
  if (w->enabled != nowEnabled) {
    w->enabled = nowEnabled;
    if (!nowEnabled) {
      HWND focus = world::ui::FocusWindow();
      if (focus == window || world::ui::IsDescendant(window, focus)) world::ui::SetFocusWindow(NULL);
    }
    if (w->kind != WindowKind::Foreign && w->kind != WindowKind::MessageBox)
      world::ui::Deliver(window, WM_ENABLE, nowEnabled, 0);
  }
  return wasDisabled;
}

BOOL WINAPI IsWindowEnabled(HWND window) {
  Window* w = FindOrFail(window);
  return w && w->enabled;
}

BOOL WINAPI ShowWindow(HWND window, int cmdShow) {
  Window* w = FindOrFail(window);
  if (!w) return FALSE;
  bool wasVisible = w->visible;
  world::ui::SetVisible(window, cmdShow != SW_HIDE);
  return wasVisible;
}

BOOL WINAPI ShowWindowAsync(HWND window, int cmdShow) {
  Window* w = FindOrFail(window);
  if (!w) return FALSE;
  if (w->kind == WindowKind::Foreign) {
    // The other program shows its window when it gets to it; for the world that is now.
    w->visible = cmdShow != SW_HIDE;
    if (w->visible) world::ui::BringToTop(window);
    return TRUE;
  }
  ShowWindow(window, cmdShow);
  return TRUE;
}

BOOL WINAPI UpdateWindow(HWND window) { return FindOrFail(window) != NULL; }

BOOL WINAPI IsWindowVisible(HWND window) {
  Window* w = Find(window);
  while (w) {
    if (!w->visible) return FALSE;
    if (w->kind != WindowKind::Control) return TRUE;
    w = Find(w->parent);
  }
  return FALSE;
}

BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  Window* w = FindOrFail(window);
  if (!w) return FALSE;
  if (!(flags & SWP_NOMOVE)) {
    w->x = (short)x;
    w->y = (short)y;
  }
  if (!(flags & SWP_NOSIZE)) {
    w->cx = (short)cx;
    w->cy = (short)cy;
  }
  if (!(flags & SWP_NOZORDER) && w->kind != WindowKind::Control) {
    if (insertAfter == HWND_TOPMOST) {
      w->topmost = true;
      w->topmostSeen = true;
      world::ui::BringToTop(window);
    } else if (insertAfter == HWND_NOTOPMOST) {
      w->topmost = false;
    } else if (insertAfter == HWND_TOP) {
      world::ui::BringToTop(window);
    }
  }
  if (flags & SWP_SHOWWINDOW) {
    if (w->kind == WindowKind::Foreign)
      w->visible = true;
    else
      world::ui::SetVisible(window, true);
  }
  if (flags & SWP_HIDEWINDOW) {
    if (w->kind == WindowKind::Foreign)
      w->visible = false;
    else
      world::ui::SetVisible(window, false);
  }
  return TRUE;
}

HWND WINAPI SetFocus(HWND window) {
  HWND previous = world::ui::FocusWindow();
  if (window == NULL) {
    world::ui::SetFocusWindow(NULL);
    return previous;
  }
  Window* w = FindOrFail(window);
  if (!w) return NULL;
  if (w->kind == WindowKind::Foreign) {
    SetLastError(ERROR_ACCESS_DENIED);
    return NULL;
  }
  if (!w->enabled) return NULL;
  world::ui::SetFocusWindow(window);
  return previous;
}

HWND WINAPI GetFocus(void) { return world::ui::FocusWindow(); }

HWND WINAPI GetActiveWindow(void) { return world::ui::ActiveWindow(); }

HWND WINAPI GetForegroundWindow(void) {
  for (HWND h : world::ui::TopLevelWindows()) {
    Window* w = Find(h);
    if (w && w->visible) return h;
  }
  return NULL;
}

HWND WINAPI GetLastActivePopup(HWND window) {
  Window* w = FindOrFail(window);
  if (!w) return NULL;
  // The topmost visible window owned, directly or not, by `window`; else the window itself.
  for (HWND h : world::ui::TopLevelWindows()) {
    Window* candidate = FindOwn(h);
    if (!candidate || !candidate->visible || h == window) continue;
    for (Window* o = Find(candidate->owner); o; o = Find(o->owner)) {
      if (o->handle == window) return h;
      if (o->owner == o->handle) break;
    }
  }
  return window;
}

LONG WINAPI GetWindowLongA(HWND window, int index) {
  Window* w = FindOrFail(window);
  if (!w) return 0;
  switch (index) {
    case GWL_STYLE:
      return (LONG)(w->style | (w->visible ? WS_VISIBLE : 0) | (w->enabled ? 0 : WS_DISABLED));
    case GWL_EXSTYLE:
      return (LONG)w->exStyle;
    case GWL_ID:
      return w->kind == WindowKind::Control ? w->controlId : 0;
  }
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
  Window* w = FindOrFail(window);
  if (!w) return FALSE;
  if (w->kind == WindowKind::Foreign || w->kind == WindowKind::MessageBox) {
    w->text = text ? text : "";
    return TRUE;
  }
  return world::ui::Deliver(window, WM_SETTEXT, 0, (LPARAM)(text ? text : "")) != 0;
}

int WINAPI GetWindowTextA(HWND window, LPSTR text, int maxCount) {
  if (text && maxCount > 0) text[0] = 0;
  Window* w = FindOrFail(window);
  if (!w || !text || maxCount <= 0) return 0;
  if (w->kind == WindowKind::Foreign || w->kind == WindowKind::MessageBox)
    return world::ui::CopyText(w->text, text, maxCount);
  return (int)world::ui::Deliver(window, WM_GETTEXT, (WPARAM)maxCount, (LPARAM)text);
}

int WINAPI GetWindowTextLengthA(HWND window) {
  Window* w = FindOrFail(window);
  if (!w) return 0;
  if (w->kind == WindowKind::Foreign || w->kind == WindowKind::MessageBox) return (int)w->text.size();
  return (int)world::ui::Deliver(window, WM_GETTEXTLENGTH, 0, 0);
}

BOOL WINAPI EnumWindows(WNDENUMPROC enumFunc, LPARAM lParam) {
  if (!enumFunc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // A snapshot: the callback may close windows (a program that quits at once).
  for (HWND h : world::ui::TopLevelWindows()) {
    if (!Find(h)) continue;
    if (!enumFunc(h, lParam)) return FALSE;
  }
  return TRUE;
}

DWORD WINAPI GetWindowThreadProcessId(HWND window, LPDWORD processId) {
  Window* w = FindOrFail(window);
  if (!w) {
    if (processId) *processId = 0;
    return 0;
  }
  DWORD pid = w->kind == WindowKind::Foreign ? w->processId : world::internal::OwnProcessId();
  if (processId) *processId = pid;
  return pid + 1;  // each simulated process has one thread; its id only needs to be non-zero
}

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName) {
  for (HWND h : world::ui::TopLevelWindows()) {
    Window* w = Find(h);
    if (!w) continue;
    if (className) {
      bool dialogClass = IS_INTRESOURCE(className) ? LOWORD(className) == 32770
                                                    : lstrcmpiA(className, "#32770") == 0;
      bool matches = IS_INTRESOURCE(className) ? dialogClass
                                               : (dialogClass || lstrcmpiA(className, w->className.c_str()) == 0);
      if (!matches) continue;
      if (dialogClass && w->kind != WindowKind::Dialog && w->kind != WindowKind::MessageBox) continue;
    }
    if (windowName && lstrcmpiA(windowName, w->text.c_str()) != 0) continue;
    return h;
  }
  return NULL;
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR iconName) {
  if (!iconName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return NULL;
  }
  if (!instance) {
    // The system's icons.
    if (IS_INTRESOURCE(iconName) && LOWORD(iconName) >= 32512 && LOWORD(iconName) <= 32518)
      return world::ui::IconHandle(LOWORD(iconName));
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return NULL;
  }
  if (!IS_INTRESOURCE(iconName)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return NULL;
  }
  if (!FindResourceA(instance, iconName, RT_GROUP_ICON)) return NULL;
  return world::ui::IconHandle(LOWORD(iconName));
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR cursorName) {
  if (!instance && IS_INTRESOURCE(cursorName) && cursorName &&
      ((LOWORD(cursorName) >= 32512 && LOWORD(cursorName) <= 32516) ||
       (LOWORD(cursorName) >= 32640 && LOWORD(cursorName) <= 32651)))
    return (HCURSOR)(kCursorBase + LOWORD(cursorName));
  SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return NULL;
}

HCURSOR WINAPI SetCursor(HCURSOR cursor) {
  HCURSOR previous = currentCursor;
  currentCursor = cursor;
  return previous;
}
