// Drives the setup program's window from outside, as a user would, for the end-to-end tests.
// Each argument is one step, run in order; the transcript goes to stdout. Exit code 0 when
// every step succeeded, 1 at the first failed step.
//
//   wait                 until the main setup window is visible (60 s)
//   click:ID             presses control ID of the main window; fails when it is disabled
//   enabled:ID disabled:ID checked:ID unchecked:ID   checks a control's state
//   settext:ID:TEXT      replaces an edit's text (the window sees EN_CHANGE, as when typing)
//   text:ID              prints a control's text
//   message:ID           waits for a message box of the setup program, prints its text and
//                        presses its button ID (1 OK, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No)
//   inuse:ID             the same for the in-use dialog ("... Setup Error!")
//   gone                 until the main window no longer exists (120 s)
//   sleep:MS
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char kCaption[] = "Velmora\xAE Setup";
static const char kErrorCaption[] = "Velmora\xAE Setup Error!";
static const int kAgreementEdit = 1028;
static const int kProgressText = 1003;
static const int kMessageBoxText = 0xFFFF;
static const int kInUseFileText = 1046;

struct Search {
  const char* caption;
  bool mainWindow;  // the main window has the agreement box; a message box has neither
  HWND found;
};

static BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
  Search* search = (Search*)parameter;
  char text[128];
  char className[32];
  if (!IsWindowVisible(window)) return TRUE;
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, text, sizeof text);
  if (strcmp(className, "#32770") != 0 || strcmp(text, search->caption) != 0) return TRUE;
  bool isMain = GetDlgItem(window, kAgreementEdit) != NULL;
  bool isProgress = GetDlgItem(window, kProgressText) != NULL;
  if (search->mainWindow ? isMain : (!isMain && !isProgress)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

static HWND FindDialog(const char* caption, bool mainWindow) {
  Search search = {caption, mainWindow, NULL};
  EnumWindows(MatchWindow, (LPARAM)&search);
  return search.found;
}

static HWND WaitForDialog(const char* caption, bool mainWindow, int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    HWND window = FindDialog(caption, mainWindow);
    if (window) return window;
    Sleep(100);
  }
  return NULL;
}

static bool Fail(const char* step, const char* why) {
  printf("FAIL %s: %s\n", step, why);
  fflush(stdout);
  return false;
}

static void PrintText(const char* label, HWND control) {
  char text[4096];
  text[0] = 0;
  SendMessageA(control, WM_GETTEXT, sizeof text, (LPARAM)text);
  for (char* p = text; *p; ++p) {
    if (*p == '\r') *p = ' ';
    if (*p == '\n') *p = '|';
  }
  printf("%s: %s\n", label, text);
  fflush(stdout);
}

// Presses a push button, radio button or check box the way a mouse click does.
static void Press(HWND control) {
  PostMessageA(control, BM_CLICK, 0, 0);
  Sleep(300);
}

struct LongestText {
  HWND control;
  int length;
};

static BOOL CALLBACK FindLongestStatic(HWND child, LPARAM parameter) {
  LongestText* best = (LongestText*)parameter;
  char className[32];
  GetClassNameA(child, className, sizeof className);
  int length = GetWindowTextLengthA(child);
  if (lstrcmpiA(className, "Static") == 0 && length > best->length) {
    best->control = child;
    best->length = length;
  }
  return TRUE;
}

// The text a message box or the in-use dialog shows: its message text control, else its
// longest static text.
static HWND MessageTextOf(HWND box) {
  HWND text = GetDlgItem(box, kMessageBoxText);
  if (!text) text = GetDlgItem(box, kInUseFileText);
  if (text) return text;
  LongestText best = {NULL, 0};
  EnumChildWindows(box, FindLongestStatic, (LPARAM)&best);
  return best.control;
}

static bool AnswerDialog(const char* step, const char* caption, int button, HWND mainWindow) {
  HWND box = NULL;
  for (int i = 0; i < 600 && !box; ++i) {
    box = FindDialog(caption, false);
    if (box == mainWindow) box = NULL;
    if (!box) Sleep(100);
  }
  if (!box) return Fail(step, "no such window appeared");
  HWND text = MessageTextOf(box);
  if (text) PrintText("message", text);
  HWND control = GetDlgItem(box, button);
  if (!control) return Fail(step, "the window has no such button");
  Press(control);
  return true;
}

static bool RunStep(const char* step, HWND* mainWindow) {
  const char* colon = strchr(step, ':');
  char verb[32];
  size_t verbLength = colon ? (size_t)(colon - step) : strlen(step);
  if (verbLength >= sizeof verb) return Fail(step, "unknown step");
  memcpy(verb, step, verbLength);
  verb[verbLength] = 0;
  int id = colon ? atoi(colon + 1) : 0;

  if (strcmp(verb, "sleep") == 0) {
    Sleep(id);
    return true;
  }
  if (strcmp(verb, "wait") == 0) {
    *mainWindow = WaitForDialog(kCaption, true, 60);
    if (!*mainWindow) return Fail(step, "the setup window did not appear");
    return true;
  }
  if (strcmp(verb, "gone") == 0) {
    for (int i = 0; i < 1200; ++i) {
      if (!*mainWindow || !IsWindow(*mainWindow)) return true;
      Sleep(100);
    }
    return Fail(step, "the setup window is still open");
  }
  if (strcmp(verb, "message") == 0) return AnswerDialog(step, kCaption, id, *mainWindow);
  if (strcmp(verb, "inuse") == 0) return AnswerDialog(step, kErrorCaption, id, *mainWindow);

  if (!*mainWindow) return Fail(step, "no setup window (run the step wait first)");
  HWND control = GetDlgItem(*mainWindow, id);
  if (!control) return Fail(step, "no such control");
  if (strcmp(verb, "click") == 0) {
    if (!IsWindowEnabled(control)) return Fail(step, "the control is disabled");
    Press(control);
    return true;
  }
  if (strcmp(verb, "enabled") == 0 || strcmp(verb, "disabled") == 0) {
    bool wanted = verb[0] == 'e';
    return IsWindowEnabled(control) == (BOOL)wanted ? true : Fail(step, "state differs");
  }
  if (strcmp(verb, "checked") == 0 || strcmp(verb, "unchecked") == 0) {
    bool wanted = verb[0] == 'c';
    bool checked = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    return checked == wanted ? true : Fail(step, "state differs");
  }
  if (strcmp(verb, "settext") == 0) {
    const char* text = strchr(colon + 1, ':');
    SendMessageA(control, WM_SETTEXT, 0, (LPARAM)(text ? text + 1 : ""));
    Sleep(100);
    return true;
  }
  if (strcmp(verb, "text") == 0) {
    PrintText(step, control);
    return true;
  }
  return Fail(step, "unknown step");
}

int main(int argc, char** argv) {
  HWND mainWindow = NULL;
  for (int i = 1; i < argc; ++i) {
    if (!RunStep(argv[i], &mainWindow)) return 1;
    printf("ok %s\n", argv[i]);
    fflush(stdout);
  }
  return 0;
}
