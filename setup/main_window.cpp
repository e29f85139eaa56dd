// The main setup window (dialog 115): agreement, folder, options, Install and Cancel.
#include "setup/main_window.h"

#include <stdlib.h>

#include "common/common.h"
#include "payload/package.h"
#include "resources/resource.h"
#include "setup/install.h"
#include "system/registry.h"
#include "system/shortcuts.h"

static const char WELCOME_TEXT[] =
    "Congratulations! You are about to install the world's most powerful tool for creating "
    "family trees and genograms.  Velmora is intuitive, easy to use, and able to construct the "
    "most complex genealogy trees.";
static const char LICENSE_HINT_TEXT[] =
    "Please read carefully the License Agreement before installing Velmora";
static const char VERSION_TEXT[] = "v 2.5.4.1";
static const char BROWSE_TITLE[] = "Please select the folder you want to install Velmora";
static const char AGREEMENT_VALUE[] = "UserAcceptedAgreement";
static const char AGREEMENT_ALPHABET[] = "NY";

// The save-as hint holds "/PathSaveAs " and the folder, cut to this many bytes with its zero.
enum { SAVE_AS_HINT_CAPACITY = 360 };

// Set while the install sequence runs: its prompts run message loops of their own, and a
// second Install, Browse or Cancel must not start from inside them.
static int installRunning = 0;

void UpdateInstallButton(void) {
  HWND window = runState.mainWindow;
  int accepted = IsDlgButtonChecked(window, IDC_ACCEPT) == BST_CHECKED;
  EnableWindow(GetDlgItem(window, IDOK), accepted && runState.installFolder[0] != 0);
}

static void CopyFolderBox(HWND window) {
  if (GetDlgItemTextA(window, IDC_FOLDER, runState.installFolder, PATH_CAPACITY) == 0)
    runState.installFolder[0] = 0;
}

static void StartWindow(HWND window) {
  runState.mainWindow = window;

  SendMessageA(window, WM_SETICON, ICON_BIG,
               (LPARAM)LoadIconA(runState.instance, MAKEINTRESOURCE(IDI_VELMORA)));
  SetWindowTextA(window, VELMORA_CAPTION);
  SetDlgItemTextA(window, IDC_VERSION, VERSION_TEXT);
  SetDlgItemTextA(window, IDC_WELCOME, WELCOME_TEXT);
  SetDlgItemTextA(window, IDC_LICENSE_HINT, LICENSE_HINT_TEXT);

  char* agreement = LoadAgreementText();
  SetDlgItemTextA(window, IDC_AGREEMENT, agreement != NULL ? agreement : "");
  free(agreement);
  SetFocus(GetDlgItem(window, IDC_AGREEMENT));
  SendDlgItemMessageA(window, IDC_AGREEMENT, EM_SETSEL, 0, 0);

  if (ReadChoice(AGREEMENT_VALUE, 0, AGREEMENT_ALPHABET) == 1)
    CheckDlgButton(window, IDC_ACCEPT, BST_CHECKED);

  // Its change notification copies the folder back and sets the Install button.
  SetDlgItemTextA(window, IDC_FOLDER, runState.installFolder);
  UpdateInstallButton();

  if (runState.saveAsPath != NULL) {
    char hint[SAVE_AS_HINT_CAPACITY];
    FormatText(hint, sizeof hint, "/%s %s", "PathSaveAs", runState.saveAsPath);
    SetDlgItemTextA(window, IDC_SAVEAS_HINT, hint);
  }

  CheckDlgButton(window, IDC_DESKTOP_SHORTCUT, runState.noDesktop ? BST_UNCHECKED : BST_CHECKED);
  CheckDlgButton(window, IDC_LAUNCH, runState.unattended ? BST_UNCHECKED : BST_CHECKED);

  if (!runState.hidden) {
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
  }
  if (runState.unattended) PostMessageA(window, WM_COMMAND, IDOK, 0);
}

// Ends the run: Cancel itself (wParam exactly IDCANCEL) reports ERROR_CANCELLED.
static INT_PTR CloseSetupWindow(HWND window, WPARAM wParam) {
  if (wParam == IDCANCEL) runState.resultCode = ERROR_CANCELLED;
  EndDialog(window, 1);
  PostQuitMessage(0);
  return TRUE;
}

// The Install command. It installs whatever the accept button says: an unattended run
// posts it without a click. Stays open after a failure unless the run is silent.
static INT_PTR Install(HWND window, WPARAM wParam) {
  WriteChoice(AGREEMENT_VALUE, IsDlgButtonChecked(window, IDC_ACCEPT) == BST_CHECKED ? 1 : 0,
              AGREEMENT_ALPHABET);
  SetSettingsFlags("LicenseAgreement", 3);
  CopyFolderBox(window);
  runState.launchAfter = IsDlgButtonChecked(window, IDC_LAUNCH) == BST_CHECKED;
  runState.resultCode = 0;

  installRunning = 1;
  int installed = RunInstall();
  installRunning = 0;

  if (!installed && !runState.silent) return FALSE;
  return CloseSetupWindow(window, wParam);
}

static INT_PTR Command(HWND window, WPARAM wParam) {
  int control = LOWORD(wParam);
  if (control == IDC_FOLDER) {
    // While installing, the sequence owns installFolder (it sets the box itself when it
    // moves to the documents folder); a modal dialog that re-enabled this window on closing
    // must not let an edit redirect the remaining files.
    if (HIWORD(wParam) == EN_CHANGE && !installRunning) {
      CopyFolderBox(window);
      UpdateInstallButton();
    }
    return FALSE;
  }
  if (installRunning) return TRUE;
  switch (control) {
    case IDC_ACCEPT:
    case IDC_DECLINE:
      UpdateInstallButton();
      return FALSE;
    case IDC_BROWSE:
      if (BrowseForFolder(BROWSE_TITLE, runState.installFolder))
        SetDlgItemTextA(window, IDC_FOLDER, runState.installFolder);
      return FALSE;
    case IDOK:
      return Install(window, wParam);
    case IDCANCEL:
      return CloseSetupWindow(window, wParam);
  }
  return FALSE;
}

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      StartWindow(window);
      return FALSE;
    case WM_COMMAND:
      return Command(window, wParam);
  }
  return FALSE;
}
