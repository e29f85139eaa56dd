// The program's one message queue: posting and sending, GetMessageA and PeekMessageA,
// dispatching, the quit message and timers on the world's clock.
#include <deque>
#include <vector>

#include "platform/host/window_manager.h"

namespace {

using world::ui::Find;
using world::ui::Window;
using world::ui::WindowKind;

struct Timer {
  HWND window;
  UINT_PTR id;
  UINT elapse;
  DWORD dueMs;
  TIMERPROC proc;
};

std::deque<MSG> queue;
std::vector<Timer> timers;
bool quitPending = false;
int quitCode = 0;
UINT_PTR nextThreadTimerId = 0x7FF0;

const bool registered = (world::internal::RegisterResetHook([] {
                           queue.clear();
                           timers.clear();
                           quitPending = false;
                           quitCode = 0;
                           nextThreadTimerId = 0x7FF0;
                         }),
                         true);

const HWND kThreadMessagesOnly = (HWND)(LONG_PTR)-1;

bool WindowMatches(HWND window, HWND filter) {
  if (filter == NULL) return true;
  if (filter == kThreadMessagesOnly) return window == NULL;
  return window == filter || world::ui::IsDescendant(filter, window);
}

bool RangeMatches(UINT message, UINT filterMin, UINT filterMax) {
  if (filterMin == 0 && filterMax == 0) return true;
  return message >= filterMin && message <= filterMax;
}

MSG MakeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG m;
  m.hwnd = window;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = world::Now();
  m.pt.x = m.pt.y = 0;
  return m;
}

// Calls a simulated program's window; the callback may close that window at once.
void ToForeign(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = Find(window);
  if (!w || !w->onMessage) return;
  std::function<void(HWND, UINT, WPARAM, LPARAM)> callback = w->onMessage;
  callback(window, message, wParam, lParam);
}

}  // namespace

namespace world {
namespace ui {

LRESULT Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = Find(window);
  if (!w) return 0;
  switch (w->kind) {
    case WindowKind::Dialog:
      return DialogMessage(window, message, wParam, lParam);
    case WindowKind::Control:
      return ControlMessage(window, message, wParam, lParam);
    case WindowKind::Foreign:
      ToForeign(window, message, wParam, lParam);
      return 0;
    case WindowKind::MessageBox:
      return 0;
  }
  return 0;
}

bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window) {
    Window* w = Find(window);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return false;
    }
    if (w->kind == WindowKind::Foreign) {
      ToForeign(window, message, wParam, lParam);  // its own queue: it reacts on the clock
      return true;
    }
  }
  queue.push_back(MakeMessage(window, message, wParam, lParam));
  return true;
}

bool PeekQueued(MSG* msg, HWND filter, UINT filterMin, UINT filterMax, bool remove) {
  for (size_t i = 0; i < queue.size(); ++i) {
    if (!WindowMatches(queue[i].hwnd, filter) || !RangeMatches(queue[i].message, filterMin, filterMax))
      continue;
    *msg = queue[i];
    if (remove) queue.erase(queue.begin() + i);
    return true;
  }
  if (!RangeMatches(WM_TIMER, filterMin, filterMax)) return false;
  // Timers that are due come once the queue is empty, one message however late they are.
  int due = -1;
  DWORD now = world::Now();
  for (size_t i = 0; i < timers.size(); ++i) {
    if (timers[i].dueMs > now || !WindowMatches(timers[i].window, filter)) continue;
    if (due < 0 || timers[i].dueMs < timers[due].dueMs) due = (int)i;
  }
  if (due < 0) return false;
  Timer& t = timers[due];
  *msg = MakeMessage(t.window, WM_TIMER, t.id, (LPARAM)t.proc);
  if (remove) t.dueMs = now + t.elapse;
  return true;
}

bool NextTimerDue(HWND filter, DWORD* atMs) {
  bool found = false;
  for (const Timer& t : timers) {
    if (!WindowMatches(t.window, filter)) continue;
    if (!found || t.dueMs < *atMs) *atMs = t.dueMs;
    found = true;
  }
  return found;
}

Fetch FetchMessage(MSG* msg, HWND filter, UINT filterMin, UINT filterMax, bool takeQuit) {
  for (;;) {
    if (PeekQueued(msg, filter, filterMin, filterMax, true)) return Fetch::Message;
    if (quitPending && takeQuit) {
      quitPending = false;
      *msg = MakeMessage(NULL, WM_QUIT, (WPARAM)quitCode, 0);
      return Fetch::Quit;
    }
    if (Stalled() || !WaitForInput(filter)) {
      *msg = MakeMessage(NULL, WM_QUIT, 0, 0);
      return Fetch::Stalled;
    }
  }
}

void KillTimersOf(HWND window) {
  for (size_t i = timers.size(); i-- > 0;)
    if (timers[i].window == window) timers.erase(timers.begin() + i);
}

void DropMessagesOf(HWND window) {
  for (size_t i = queue.size(); i-- > 0;)
    if (queue[i].hwnd == window) queue.erase(queue.begin() + i);
}

}  // namespace ui
}  // namespace world

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!Find(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return world::ui::Deliver(window, message, wParam, lParam);
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return world::ui::Post(window, message, wParam, lParam) ? TRUE : FALSE;
}

// After a stall the loop is told to quit, so that a program never waits for ever.
BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax) {
  if (!msg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (window && window != kThreadMessagesOnly && !Find(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  world::ui::Fetch got = world::ui::FetchMessage(msg, window, filterMin, filterMax, true);
  return got == world::ui::Fetch::Message && msg->message != WM_QUIT;
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMsg) {
  if (!msg) return FALSE;
  if (world::ui::PeekQueued(msg, window, filterMin, filterMax, (removeMsg & PM_REMOVE) != 0)) return TRUE;
  if (quitPending) {
    *msg = MakeMessage(NULL, WM_QUIT, (WPARAM)quitCode, 0);
    if (removeMsg & PM_REMOVE) quitPending = false;
    return TRUE;
  }
  return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* msg) { return msg && msg->message == WM_KEYDOWN; }

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    TIMERPROC proc = (TIMERPROC)msg->lParam;
    proc(msg->hwnd, WM_TIMER, (UINT_PTR)msg->wParam, GetTickCount());
    return 0;
  }
  if (!msg->hwnd || !Find(msg->hwnd)) return 0;
  return world::ui::Deliver(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void WINAPI PostQuitMessage(int exitCode) {
  quitPending = true;
  quitCode = exitCode;
}

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC timerFunc) {
  if (world::internal::FaultFires("SetTimer", "")) return 0;
  if (window && !Find(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (elapse < 10) elapse = 10;  // USER_TIMER_MINIMUM
  if (elapse > 0x7FFFFFFF) elapse = 0x7FFFFFFF;
  DWORD due = world::Now() + elapse;
  for (Timer& t : timers)
    if (t.window == window && window && t.id == id) {
      t.elapse = elapse;
      t.dueMs = due;
      t.proc = timerFunc;
      return id ? id : 1;
    }
  if (!window) id = nextThreadTimerId++;
  timers.push_back(Timer{window, id, elapse, due, timerFunc});
  return id ? id : 1;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR id) {
  for (size_t i = 0; i < timers.size(); ++i)
    if (timers[i].window == window && timers[i].id == id) {
      timers.erase(timers.begin() + i);
      return TRUE;
    }
  return FALSE;
}
