// The user: a script of actions played whenever the program waits for input, and the stall
// that ends a run which waits with nothing left to play.
#include <stdio.h>
#include <unistd.h>

#include <deque>

#include "platform/host/window_manager.h"

namespace {

using world::ui::Action;
using world::ui::ActionKind;
using world::ui::Find;
using world::ui::Window;

const DWORD kIdleBoundMs = 10 * 60 * 1000;  // ten virtual minutes with nothing happening
const int kZeroTimeWaitBound = 100000;      // waits that let no time pass: a busy loop

std::deque<Action> script;
bool stalled = false;
DWORD lastActivityMs = 0;
int zeroTimeWaits = 0;
bool userWaiting = false;  // a Wait action is running until waitUntilMs
DWORD waitUntilMs = 0;

void DefaultStallHandler(const std::string& what) {
  fprintf(stderr, "velmora: the program stalled: %s\n", world::AnsiToUtf8(what).c_str());
  fprintf(stderr, "velmora: transcript so far:\n");
  for (const std::string& line : world::Transcript())
    fprintf(stderr, "  %s\n", world::AnsiToUtf8(line).c_str());
  fflush(stderr);
  _exit(86);
}

std::function<void(const std::string&)> stallHandler = DefaultStallHandler;

// A new world also gets the default stall handler back: a test's handler must not outlive it.
const bool registered = (world::internal::RegisterResetHook([] {
                           stallHandler = DefaultStallHandler;
                           script.clear();
                           stalled = false;
                           lastActivityMs = 0;
                           zeroTimeWaits = 0;
                           userWaiting = false;
                           waitUntilMs = 0;
                         }),
                         true);

void Add(const Action& action) { script.push_back(action); }

Action Make(ActionKind kind) {
  Action a;
  a.kind = kind;
  return a;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// What the program is waiting in, for the stall messages.
std::string WaitingIn() {
  HWND active = world::ui::ActiveWindow();
  if (!active) return "with no window shown";
  return "in " + world::ui::Describe(active);
}

// Plays a click, a typing, a key or a close on the window the user can act on. False when it
// cannot be done; the run has then stalled.
bool PlayOnWindow(const Action& action) {
  HWND target = world::ui::InputWindow();
  Window* w = Find(target);
  std::string what = "next action " + world::ui::DescribeAction(action);
  if (!w) {
    world::internal::Stall(what + " but no window takes input (the program waits " + WaitingIn() + ")");
    return false;
  }
  std::string where = world::ui::Describe(target);
  switch (action.kind) {
    case ActionKind::Click:
    case ActionKind::Type: {
      HWND control = world::ui::ChildById(target, action.controlId);
      Window* c = Find(control);
      if (!c) {
        world::internal::Stall(what + " but " + where + " has no control " + std::to_string(action.controlId));
        return false;
      }
      if (!IsWindowVisible(control)) {
        world::internal::Stall(what + " but control " + std::to_string(action.controlId) + " of " + where + " is hidden");
        return false;
      }
      if (!c->enabled) {
        world::internal::Stall(what + " but control " + std::to_string(action.controlId) + " of " + where + " is disabled");
        return false;
      }
      if (action.kind == ActionKind::Click) {
        world::Record("user clicks " + std::to_string(action.controlId));
        world::ui::TakeAction();
        PostMessageA(control, BM_CLICK, 0, 0);
        return true;
      }
      if (!world::ui::IsEdit(c)) {
        world::internal::Stall(what + " but control " + std::to_string(action.controlId) + " of " + where + " is not an edit box");
        return false;
      }
      if (c->style & ES_READONLY) {
        world::internal::Stall(what + " but edit " + std::to_string(action.controlId) + " of " + where + " is read-only");
        return false;
      }
      world::Record("user types " + Quoted(action.text) + " into " + std::to_string(action.controlId));
      int typed = world::ui::AddTypedText(action.text);
      world::ui::TakeAction();
      PostMessageA(control, world::ui::kTypedTextMessage, 0, typed);
      return true;
    }
    case ActionKind::PressKey: {
      HWND focus = world::ui::FocusWindow();
      HWND receiver = (focus && (focus == target || world::ui::IsDescendant(target, focus))) ? focus : target;
      world::Record("user presses " + world::ui::KeyName(action.controlId));
      world::ui::TakeAction();
      PostMessageA(receiver, WM_KEYDOWN, (WPARAM)action.controlId, 1);
      return true;
    }
    case ActionKind::CloseWindow:
      if (!(w->style & WS_SYSMENU)) {
        world::internal::Stall(what + " but " + where + " has no close box");
        return false;
      }
      world::Record("user closes window " + std::to_string(w->dialogId));
      world::ui::TakeAction();
      PostMessageA(target, WM_CLOSE, 0, 0);
      return true;
    default:
      return false;
  }
}

}  // namespace

namespace world {

void Type(int controlId, const std::string& text) {
  ui::Action a = Make(ui::ActionKind::Type);
  a.controlId = controlId;
  a.text = text;
  Add(a);
}
void Click(int controlId) {
  ui::Action a = Make(ui::ActionKind::Click);
  a.controlId = controlId;
  Add(a);
}
void PressKey(int virtualKey) {
  ui::Action a = Make(ui::ActionKind::PressKey);
  a.controlId = virtualKey;
  Add(a);
}
void CloseWindow() { Add(Make(ui::ActionKind::CloseWindow)); }
void Answer(const std::string& textContains, int button) {
  ui::Action a = Make(ui::ActionKind::Answer);
  a.text = textContains;
  a.button = button;
  Add(a);
}
void PickFolder(const std::string& path) {
  ui::Action a = Make(ui::ActionKind::PickFolder);
  a.text = path;
  Add(a);
}
void PickVirtualFolder() { Add(Make(ui::ActionKind::PickVirtualFolder)); }
void CancelPicker() { Add(Make(ui::ActionKind::CancelPicker)); }
void Wait(DWORD milliseconds) {
  ui::Action a = Make(ui::ActionKind::Wait);
  a.milliseconds = milliseconds;
  Add(a);
}
size_t PendingActions() { return script.size(); }

void SetStallHandler(std::function<void(const std::string&)> handler) {
  stallHandler = handler ? std::move(handler) : DefaultStallHandler;
}

namespace internal {

// Only the first stall is reported: every wait after it returns at once.
void Stall(const std::string& what) {
  if (stalled) return;
  stalled = true;
  stallHandler(what);
}

}  // namespace internal

namespace ui {

const Action* NextAction() { return script.empty() ? NULL : &script.front(); }

void TakeAction() {
  if (!script.empty()) script.pop_front();
  NoteActivity();
}

std::string DescribeAction(const Action& action) {
  switch (action.kind) {
    case ActionKind::Type:
      return "types " + Quoted(action.text) + " into " + std::to_string(action.controlId);
    case ActionKind::Click:
      return "clicks " + std::to_string(action.controlId);
    case ActionKind::PressKey:
      return "presses " + KeyName(action.controlId);
    case ActionKind::CloseWindow:
      return "closes the window";
    case ActionKind::Answer:
      return "answers " + Quoted(action.text) + " with " + ButtonName(action.button);
    case ActionKind::PickFolder:
      return "picks " + Quoted(action.text);
    case ActionKind::PickVirtualFolder:
      return "picks a virtual folder";
    case ActionKind::CancelPicker:
      return "cancels the folder picker";
    case ActionKind::Wait:
      return "waits " + std::to_string(action.milliseconds) + " ms";
  }
  return "does something";
}

bool Stalled() { return stalled; }

void NoteActivity() { lastActivityMs = world::Now(); }

// The earliest of the next timer and the next scheduled event; false when there is neither.
bool NextWakeUp(HWND filter, DWORD* atMs) {
  DWORD timerAt = 0, eventAt = 0;
  bool haveTimer = NextTimerDue(filter, &timerAt);
  bool haveEvent = internal::NextEventTime(&eventAt);
  if (!haveTimer && !haveEvent) return false;
  *atMs = haveTimer ? timerAt : eventAt;
  if (haveTimer && haveEvent && eventAt < timerAt) *atMs = eventAt;
  if (*atMs < world::Now()) *atMs = world::Now();
  return true;
}

void StartUserWait(DWORD milliseconds) {
  Record("user waits " + std::to_string(milliseconds) + " ms");
  TakeAction();
  userWaiting = true;
  waitUntilMs = world::Now() + milliseconds;
}

bool ContinueUserWait(HWND filter) {
  if (!userWaiting) return false;
  // The user is doing nothing: time runs timer by timer until the wait is over.
  DWORD now = world::Now();
  if (now < waitUntilMs) {
    DWORD nextAt = waitUntilMs;
    DWORD wakeUp;
    if (NextWakeUp(filter, &wakeUp) && wakeUp < nextAt) nextAt = wakeUp;
    internal::AdvanceClock(nextAt - now);
    if (world::Now() < waitUntilMs) return true;
  }
  userWaiting = false;
  NoteActivity();
  return true;
}

bool RunDueEvents() {
  DWORD due = 0;
  if (!internal::NextEventTime(&due) || due > world::Now()) return false;
  internal::AdvanceClock(0);
  return true;
}

const Action* NextModalAction(const std::string& shown) {
  while (!stalled) {
    // Like any modal loop, the window keeps the program's other windows and timers running.
    MSG msg;
    if (PeekQueued(&msg, NULL, 0, 0, true)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      continue;
    }
    if (ContinueUserWait(NULL) || RunDueEvents()) continue;
    const Action* next = NextAction();
    if (!next) {
      internal::Stall(shown + " shown but the script has nothing left");
      return NULL;
    }
    if (next->kind != ActionKind::Wait) return next;
    StartUserWait(next->milliseconds);
  }
  return NULL;
}

bool WaitForInput(HWND filter) {
  if (stalled) return false;
  if (ContinueUserWait(filter)) return true;
  // What other programs do at once comes before the user's next action.
  if (RunDueEvents()) {
    if (++zeroTimeWaits > kZeroTimeWaitBound) {
      internal::Stall("the program waits " + WaitingIn() + " while events keep falling due without time passing");
      return false;
    }
    return true;
  }
  const Action* next = NextAction();
  if (next) {
    zeroTimeWaits = 0;
    Action action = *next;
    switch (action.kind) {
      case ActionKind::Wait:
        StartUserWait(action.milliseconds);
        return true;
      case ActionKind::Answer:
        internal::Stall("next action " + DescribeAction(action) + " but no message box is shown (the program waits " +
                        WaitingIn() + ")");
        return false;
      case ActionKind::PickFolder:
      case ActionKind::PickVirtualFolder:
      case ActionKind::CancelPicker:
        internal::Stall("next action " + DescribeAction(action) + " but no folder picker is shown (the program waits " +
                        WaitingIn() + ")");
        return false;
      default:
        return PlayOnWindow(action);
    }
  }
  // Nothing to play: let the world's time run to the next timer or event.
  DWORD nextAt = 0;
  if (!NextWakeUp(filter, &nextAt)) {
    internal::Stall("the program waits for input " + WaitingIn() + " but the script has nothing left");
    return false;
  }
  DWORD now = world::Now();
  if (nextAt - lastActivityMs > kIdleBoundMs) {
    internal::Stall("the program waits for input " + WaitingIn() +
                    ", the script has nothing left and nothing has happened for 10 minutes");
    return false;
  }
  if (nextAt == now) {
    if (++zeroTimeWaits > kZeroTimeWaitBound) {
      internal::Stall("the program waits " + WaitingIn() + " while events keep falling due without time passing");
      return false;
    }
  } else {
    zeroTimeWaits = 0;
  }
  internal::AdvanceClock(nextAt - now);
  return true;
}

std::string KeyName(int virtualKey) {
  switch (virtualKey) {
    case VK_ESCAPE: return "Esc";
    case VK_RETURN: return "Enter";
    case VK_TAB: return "Tab";
  }
  char name[16];
  snprintf(name, sizeof name, "0x%02X", (unsigned)virtualKey & 0xFFFF);
  return name;
}

const char* ButtonName(int button) {
  switch (button) {
    case IDOK: return "IDOK";
    case IDCANCEL: return "IDCANCEL";
    case IDABORT: return "IDABORT";
    case IDRETRY: return "IDRETRY";
    case IDIGNORE: return "IDIGNORE";
    case IDYES: return "IDYES";
    case IDNO: return "IDNO";
    case 10: return "IDTRYAGAIN";
    case 11: return "IDCONTINUE";
  }
  return "no button";
}

}  // namespace ui
}  // namespace world
