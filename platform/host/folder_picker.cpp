// SHBrowseForFolderA: the shell's folder picker, answered by the user script.
#include <string>

#include "platform/host/window_manager.h"

namespace {

using world::ui::ActionKind;

// What the picker shows for a chosen folder: its last path element ("C:\" for a drive root).
std::string DisplayName(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 3 && trimmed.back() == '\\') trimmed.pop_back();
  size_t cut = trimmed.find_last_of('\\');
  if (cut == std::string::npos || cut + 1 == trimmed.size()) return trimmed;
  return trimmed.substr(cut + 1);
}

void PutDisplayName(LPSTR buffer, const std::string& name) {
  if (buffer) world::ui::CopyText(name, buffer, MAX_PATH);  // the documented MAX_PATH buffer
}

}  // namespace

LPITEMIDLIST WINAPI SHBrowseForFolderA(LPBROWSEINFOA browseInfo) {
  if (!browseInfo) return NULL;
  std::string title = browseInfo->lpszTitle ? browseInfo->lpszTitle : "";
  std::string shown = "picker \"" + title + "\"";

  HWND ownerWindow = world::ui::TopLevelOf(browseInfo->hwndOwner);
  world::ui::Window* picker = world::ui::NewWindow(world::ui::WindowKind::MessageBox);
  HWND pickerHandle = picker->handle;
  picker->text = "Browse For Folder";
  picker->className = "#32770";
  picker->owner = ownerWindow;
  picker->style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  picker->visible = true;
  bool ownerWasEnabled = ownerWindow && IsWindowEnabled(ownerWindow);
  if (ownerWasEnabled) EnableWindow(ownerWindow, FALSE);

  LPITEMIDLIST chosen = NULL;
  bool done = false;
  while (!done) {
    const world::ui::Action* next = world::ui::NextModalAction("folder " + shown);
    if (!next) break;
    world::ui::Action action = *next;
    switch (action.kind) {
      case ActionKind::PickFolder:
        world::ui::TakeAction();
        world::Record(shown + " -> \"" + action.text + "\"");
        chosen = world::internal::NewIdList(action.text);
        PutDisplayName(browseInfo->pszDisplayName, DisplayName(action.text));
        done = true;
        break;
      case ActionKind::PickVirtualFolder:
        world::ui::TakeAction();
        world::Record(shown + " -> virtual folder");
        chosen = world::internal::NewIdList("");
        PutDisplayName(browseInfo->pszDisplayName, "Control Panel");
        done = true;
        break;
      case ActionKind::CancelPicker:
        world::ui::TakeAction();
        world::Record(shown + " -> cancelled");
        done = true;
        break;
      case ActionKind::PressKey:
        world::Record("user presses " + world::ui::KeyName(action.controlId));
        world::ui::TakeAction();
        if (action.controlId == VK_ESCAPE) {
          world::Record(shown + " -> cancelled");
          done = true;
        }
        break;
      case ActionKind::CloseWindow:
        world::Record("user closes the folder picker");
        world::ui::TakeAction();
        world::Record(shown + " -> cancelled");
        done = true;
        break;
      default:
        world::internal::Stall("next action " + world::ui::DescribeAction(action) + " but the folder " + shown +
                               " is shown");
        break;
    }
  }

  world::ui::RemoveWindow(pickerHandle);
  if (ownerWasEnabled && IsWindow(ownerWindow)) EnableWindow(ownerWindow, TRUE);
  return chosen;
}
