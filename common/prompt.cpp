// Formatted text, the program's message boxes and the wait cursor.
#include <stdio.h>
#include <string.h>

#include "common/common.h"

enum { PROMPT_CAPACITY = 2048 };

int FormatTextV(char* out, int capacity, const char* format, va_list arguments) {
  if (capacity <= 0) return 0;
  int written = vsnprintf(out, (size_t)capacity, format, arguments);
  // Some run-times return -1 on a cut and leave the last byte unset: terminate either way.
  out[capacity - 1] = '\0';
  if (written < 0 || written >= capacity) return (int)strlen(out);
  return written;
}

int FormatText(char* out, int capacity, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  int length = FormatTextV(out, capacity, format, arguments);
  va_end(arguments);
  return length;
}

int ShowPrompt(UINT type, const char* format, ...) {
  char text[PROMPT_CAPACITY];
  va_list arguments;
  va_start(arguments, format);
  FormatTextV(text, sizeof text, format, arguments);
  va_end(arguments);
  HWND owner = GetActiveWindow();
  if (owner == NULL && runState.mainWindow != NULL) owner = GetLastActivePopup(runState.mainWindow);
  return MessageBoxA(owner, text, VELMORA_CAPTION, type);
}

void SetWaitCursor(void) { SetCursor(LoadCursorA(NULL, IDC_WAIT)); }
