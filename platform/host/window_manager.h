// How the window manager's pieces (windows, dialogs, controls, messages, clock, script,
// message box, folder picker) reach each other. Host layer only; not for the program or tests.
#ifndef VELMORA_PLATFORM_HOST_WINDOW_MANAGER_H
#define VELMORA_PLATFORM_HOST_WINDOW_MANAGER_H

#include <functional>
#include <string>
#include <vector>

#include "platform/host/world_internal.h"

namespace world {
namespace ui {

enum class WindowKind { Dialog, Control, MessageBox, Foreign };
enum class ControlClass { Button, Edit, Static, ListBox, ScrollBar, ComboBox, Other };

// One window of the simulated desktop. Looked up by handle every time: a window may be
// destroyed by any call that runs program code, so no pointer is kept across such calls.
struct Window {
  HWND handle = NULL;
  WindowKind kind = WindowKind::Dialog;
  HWND parent = NULL;  // a control's dialog
  HWND owner = NULL;   // a top-level window's owner
  int dialogId = -1;   // the template number of a dialog, and of a control's dialog
  int controlId = 0;
  ControlClass controlClass = ControlClass::Other;
  std::string className;
  DWORD style = 0;  // without WS_VISIBLE and WS_DISABLED, which live in the flags below
  DWORD exStyle = 0;
  std::string text;  // ANSI
  bool visible = false;
  bool enabled = true;
  int checked = BST_UNCHECKED;
  DWORD selectionStart = 0, selectionEnd = 0;
  DWORD textLimit = 0x7FFFFFFE;
  int iconId = 0;  // SS_ICON statics: the icon named by the template
  short x = 0, y = 0, cx = 0, cy = 0;
  // Dialogs.
  DLGPROC dialogProc = NULL;
  std::vector<HWND> children;  // template order
  HWND focus = NULL;           // the child that had the focus last
  bool modal = false;
  bool ended = false;
  INT_PTR endResult = 0;
  HICON bigIcon = NULL, smallIcon = NULL;
  // Windows of simulated processes.
  DWORD processId = 0;
  std::function<void(HWND, UINT, WPARAM, LPARAM)> onMessage;
  bool topmost = false, topmostSeen = false;
};

// Private message that carries a scripted typing to an edit: lParam indexes the typed texts.
const UINT kTypedTextMessage = WM_USER + 0x7E01;

// ---- windows.cpp ----
Window* Find(HWND window);
Window* FindOwn(HWND window);  // NULL for windows of simulated processes
Window* NewWindow(WindowKind kind);  // top-level kinds go on top of the z-order
void RemoveWindow(HWND window);      // forgets it, its focus and its queued messages
std::vector<HWND> TopLevelWindows();  // z-order, topmost first
void BringToTop(HWND window);
HWND TopLevelOf(HWND window);
bool IsDescendant(HWND ancestor, HWND window);
HWND ActiveWindow();  // the topmost visible top-level window of the program
HWND InputWindow();   // the topmost visible and enabled one: where the user acts
// Shows or hides a window; a dialog's change is recorded in the transcript.
void SetVisible(HWND window, bool visible);
std::string Describe(HWND window);  // e.g. window 115 "Velmora® Setup", for stall messages
HWND FocusWindow();
void SetFocusWindow(HWND window);
HICON IconHandle(int id);      // the one handle of icon `id`
int IconIdOf(HICON icon);      // 0 when it is not one of IconHandle's
int CopyText(const std::string& text, char* buffer, int capacity);  // as WM_GETTEXT does

// ---- controls.cpp ----
LRESULT ControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
void ClickControl(HWND control);  // a user's click on an enabled control
// Sets a control's text, recording the change when its dialog is visible.
void SetControlText(HWND control, const std::string& text);
bool IsEdit(const Window* window);
bool IsPushButton(const Window* window);
int AddTypedText(const std::string& text);

// ---- dialogs.cpp ----
LRESULT DialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
HWND ChildById(HWND dialog, int id);
int DefaultButtonId(HWND dialog);

// ---- messages.cpp ----
LRESULT Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam);  // SendMessageA
bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
enum class Fetch { Message, Quit, Stalled };
// The program's wait for a message: queued messages, then due timers, then the user or time.
// `takeQuit`: whether a pending quit ends the wait (GetMessageA) or stays for the outer loop.
Fetch FetchMessage(MSG* msg, HWND filter, UINT filterMin, UINT filterMax, bool takeQuit);
// Takes a queued message or a due timer without waiting.
bool PeekQueued(MSG* msg, HWND filter, UINT filterMin, UINT filterMax, bool remove);
bool NextTimerDue(HWND filter, DWORD* atMs);
void KillTimersOf(HWND window);
void DropMessagesOf(HWND window);

// ---- script.cpp ----
enum class ActionKind { Type, Click, PressKey, CloseWindow, Answer, PickFolder, PickVirtualFolder, CancelPicker, Wait };
struct Action {
  ActionKind kind = ActionKind::Wait;
  int controlId = 0;
  std::string text;
  int button = 0;
  DWORD milliseconds = 0;
};
const Action* NextAction();  // NULL when the script is played out
void TakeAction();
std::string DescribeAction(const Action& action);  // e.g. clicks 1, answers "X"
// The program waits in a message loop: play the next action or let time pass. False once
// the run has stalled.
bool WaitForInput(HWND filter);
bool Stalled();
// Runs the scheduled events that are due now; false when there were none.
bool RunDueEvents();
// A Wait action: the user does nothing for a while, and time runs timer by timer meanwhile.
void StartUserWait(DWORD milliseconds);
// True while such a wait is running: it has let some time pass.
bool ContinueUserWait(HWND filter);
// For the layer's own modal windows (message box, folder picker): runs the program's queued
// messages, due events and the user's waits until a scripted action other than a wait is
// next, and returns it untaken. NULL once the run has stalled; with the script played out it
// stalls with "<shown> shown but the script has nothing left".
const Action* NextModalAction(const std::string& shown);
void NoteActivity();  // something changed: restarts the ten-minute idle bound
std::string KeyName(int virtualKey);
const char* ButtonName(int button);

// ---- transcript.cpp ----
unsigned Cp1252ToUnicode(unsigned char byte);
std::string Utf16ToAnsi(const WCHAR* text, size_t length);  // '?' for what 1252 lacks

}  // namespace ui
}  // namespace world

#endif
