// MessageBoxA: a modal box answered by the user script, recorded in the transcript.
#include <stdio.h>

#include <string>
#include <vector>

#include "platform/host/window_manager.h"

namespace {

using world::ui::Action;
using world::ui::ActionKind;

const int kTryAgain = 10;
const int kContinue = 11;

// The buttons of a box type, left to right; empty for a type Windows does not know.
std::vector<int> ButtonsOf(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OK: return {IDOK};
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    case 6: return {IDCANCEL, kTryAgain, kContinue};  // MB_CANCELTRYCONTINUE
  }
  return {};
}

bool Has(const std::vector<int>& buttons, int button) {
  for (int b : buttons)
    if (b == button) return true;
  return false;
}

// What Esc and the close box give: Cancel where there is one, OK for a box with only OK.
int CancelAnswer(const std::vector<int>& buttons) {
  if (Has(buttons, IDCANCEL)) return IDCANCEL;
  if (buttons.size() == 1 && buttons[0] == IDOK) return IDOK;
  return 0;
}

std::string Hex(UINT value) {
  char text[16];
  snprintf(text, sizeof text, "0x%x", value);
  return text;
}

}  // namespace

// Returns the button the user chose, or 0 when the box could not be shown (a bad type, a
// fault of the plan, a stall).
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  if (world::internal::FaultFires("MessageBoxA", "")) return 0;
  std::string body = text ? text : "";
  std::string title = caption ? caption : "Error";
  std::vector<int> buttons = ButtonsOf(type);
  if (buttons.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string shown = "message box \"" + title + "\" " + Hex(type) + ": \"" + body + "\"";
  size_t defaultIndex = (type & MB_DEFMASK) >> 8;
  if (defaultIndex >= buttons.size()) defaultIndex = 0;

  HWND ownerWindow = world::ui::TopLevelOf(owner);
  world::ui::Window* box = world::ui::NewWindow(world::ui::WindowKind::MessageBox);
  HWND boxHandle = box->handle;
  box->text = title;
  box->className = "#32770";
  box->owner = ownerWindow;
  box->style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  box->visible = true;
  bool ownerWasEnabled = ownerWindow && IsWindowEnabled(ownerWindow);
  if (ownerWasEnabled) EnableWindow(ownerWindow, FALSE);

  int answer = 0;
  while (!answer) {
    const Action* next = world::ui::NextModalAction(shown);
    if (!next) break;
    std::string what = "next action " + world::ui::DescribeAction(*next);
    switch (next->kind) {
      case ActionKind::Answer:
        if (body.find(next->text) == std::string::npos) {
          world::internal::Stall("next action answers \"" + next->text + "\" but the message box says \"" + body + "\"");
          break;
        }
        if (!Has(buttons, next->button)) {
          world::internal::Stall(what + " but " + shown + " has no such button");
          break;
        }
        answer = next->button;
        world::ui::TakeAction();
        break;
      case ActionKind::PressKey: {
        int key = next->controlId;
        world::Record("user presses " + world::ui::KeyName(key));
        world::ui::TakeAction();
        if (key == VK_ESCAPE) answer = CancelAnswer(buttons);
        if (key == VK_RETURN) answer = buttons[defaultIndex];
        break;
      }
      case ActionKind::CloseWindow:
        if (!CancelAnswer(buttons)) {
          world::internal::Stall(what + " but " + shown + " has no close box");
          break;
        }
        world::Record("user closes the message box");
        world::ui::TakeAction();
        answer = CancelAnswer(buttons);
        break;
      default:
        world::internal::Stall(what + " but " + shown + " is waiting for an answer");
        break;
    }
  }

  world::ui::RemoveWindow(boxHandle);
  if (ownerWasEnabled && IsWindow(ownerWindow)) EnableWindow(ownerWindow, TRUE);
  if (answer) world::Record(shown + " -> " + world::ui::ButtonName(answer));
  return answer;
}
