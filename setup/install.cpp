// The install sequence: remember the folder, prepare it, write the files, finish.
#include "setup/install.h"

#include "common/common.h"
#include "installlog/folders.h"
#include "payload/extract.h"
#include "resources/resource.h"
#include "system/registry.h"
#include "system/shortcuts.h"

static const char PRODUCT_FOLDER_NAME[] = "Velmora";
static const char PRODUCT_FILE_NAME[] = "Velmora.exe";
static const char UNINSTALLER_FILE_NAME[] = "Uninstall.exe";
static const char LINK_FILE_NAME[] = "Velmora.lnk";
static const char REASON_ACCESS_DENIED[] = "Access Denied";
static const char REASON_INVALID_NAME[] = "Invalid Folder Name";

// The progress window only shows text; it handles no message itself.
static INT_PTR CALLBACK ProgressWindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  return FALSE;
}

// Gives the main window back its input, then closes the progress window. Enabling first
// keeps the activation within the program when the progress window goes.
static void EndProgress(HWND progressWindow) {
  EnableWindow(runState.mainWindow, TRUE);
  if (progressWindow != NULL) DestroyWindow(progressWindow);
  runState.progressText = NULL;
}

static void SetProgressText(const char* text) {
  if (runState.progressText != NULL) SetWindowTextA(runState.progressText, text);
}

// A preparation that failed becomes the run's result (unless one is already there), so a
// silent run that installed nothing does not end with 0. Interactive runs reset it with the
// next Install or end through Cancel. Returns 0 for the caller to pass on.
static int FailPreparation(ResultCode result) {
  if (runState.resultCode == 0) runState.resultCode = result;
  return 0;
}

int PrepareWithFallback(void) {
  ResultCode result = PrepareInstallFolder();
  if (result == 0) return 1;

  const char* reason = REASON_INVALID_NAME;
  if (result == ERROR_ACCESS_DENIED) {
    if (runState.silent) return FailPreparation(result);
    reason = REASON_ACCESS_DENIED;
    char documents[PATH_CAPACITY];
    if (GetSpecialFolder(CSIDL_PERSONAL, documents) &&
        AppendPath(documents, PRODUCT_FOLDER_NAME) &&
        lstrcmpiA(documents, runState.installFolder) != 0) {
      int answer = ShowPrompt(MB_YESNOCANCEL | MB_ICONQUESTION,
                              "Error installing Velmora in folder '%s': Access Denied.\n\n"
                              "Would you like to try installing Velmora into the folder "
                              "'My Documents' instead?",
                              runState.installFolder);
      if (answer != IDYES) return FailPreparation(result);
      lstrcpynA(runState.installFolder, documents, PATH_CAPACITY);
      SetDlgItemTextA(runState.mainWindow, IDC_FOLDER, runState.installFolder);
      result = PrepareInstallFolder();
      if (result == 0) {
        SaveInstallFolder(runState.installFolder);
        return 1;
      }
      reason = result == ERROR_ACCESS_DENIED ? REASON_ACCESS_DENIED : REASON_INVALID_NAME;
    }
  }
  ShowPrompt(MB_ICONWARNING, "Error installing Velmora in folder '%s': %s", runState.installFolder,
             reason);
  return FailPreparation(result);
}

int FinishInstall(int desktop, HWND progressWindow) {
  SetProgressText("Creating shortcut...");
  char uninstaller[PATH_CAPACITY];
  char product[PATH_CAPACITY];
  if (!JoinPath(uninstaller, runState.installFolder, UNINSTALLER_FILE_NAME) ||
      !JoinPath(product, runState.installFolder, PRODUCT_FILE_NAME)) {
    // Unreachable after a prepared folder, whose log name is as long; refuse rather than
    // register or start a cut path.
    EndProgress(progressWindow);
    ShowPrompt(MB_ICONWARNING, "Error installing Velmora in folder '%s': %s",
               runState.installFolder, REASON_INVALID_NAME);
    if (runState.resultCode == 0) runState.resultCode = ERROR_FILENAME_EXCED_RANGE;
    return 0;
  }

  RegisterUninstall(uninstaller, product);
  RegisterAssociation();

  // The product runs once now: "/install" lets it finish its own set-up quietly, unless the
  // user asked to launch it.
  char command[PATH_CAPACITY + 16];
  FormatText(command, sizeof command, runState.launchAfter ? "\"%s\"" : "\"%s\" /install", product);
  WinExec(command, SW_SHOWNORMAL);

  int placed = PlaceShortcut(SHORTCUT_PROGRAMS, LINK_FILE_NAME, product);
  if (desktop && !PlaceShortcut(SHORTCUT_DESKTOP, LINK_FILE_NAME, product)) placed = 0;

  EndProgress(progressWindow);

  if (!placed) {
    ShowPrompt(MB_ICONINFORMATION, "Unable to create shortcut to %s", product);
    return 0;
  }
  SaveSaveAsPath(runState.saveAsPath);
  if (!runState.launchAfter && !runState.unattended)
    ShowPrompt(MB_ICONINFORMATION,
               "Installation Complete!\n\nA shortcut to the Start menu %shas been created.",
               desktop ? "and to your desktop " : "");
  return 1;
}

int RunInstall(void) {
  SaveInstallFolder(runState.installFolder);

  HWND progressWindow = CreateDialogParamA(runState.instance, MAKEINTRESOURCE(IDD_PROGRESS),
                                           runState.mainWindow, ProgressWindowProc, 0);
  runState.progressText =
      progressWindow != NULL ? GetDlgItem(progressWindow, IDC_PROGRESS_TEXT) : NULL;
  // The main window takes no input while the sequence and its prompts run: a folder typed
  // meanwhile would change where the remaining files go.
  EnableWindow(runState.mainWindow, FALSE);

  int installed = 0;
  int finished = 0;
  if (PrepareWithFallback() && ExtractPayload()) {
    int desktop = IsDlgButtonChecked(runState.mainWindow, IDC_DESKTOP_SHORTCUT) == BST_CHECKED;
    installed = FinishInstall(desktop, progressWindow);
    finished = 1;
  }

  if (runState.logFile != INVALID_HANDLE_VALUE) CloseHandle(runState.logFile);
  runState.logFile = INVALID_HANDLE_VALUE;

  if (!finished) EndProgress(progressWindow);
  return installed;
}
