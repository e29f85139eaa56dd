// The three dialogs as they ship: read back from the compiled .res and held against the
// windows the program is built for (sizes, captions, fonts, styles, controls, tab order).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/host/dialog_template.h"
#include "platform/win32.h"
#include "support/world_fixture.h"

namespace {

const std::string kCaption = "Velmora\xAE Setup";

struct ExpectedControl {
  int id;
  const char* windowClass;
  const char* text;  // NULL: the title is the resource number `icon`
  int icon;
  short x, y, cx, cy;
  DWORD required;    // style bits the control must have
  DWORD forbidden;   // style bits it must not have
  DWORD typeMask;    // when not 0: style & typeMask must equal the low bits of `required`
};

const DWORD kBs = BS_TYPEMASK;
const DWORD kSs = SS_TYPEMASK;

const std::vector<ExpectedControl> kProgressControls = {
    {1003, "Static", "Creating uninstall file...", 0, 7, 16, 243, 8, SS_LEFT, 0, kSs},
};

const std::vector<ExpectedControl> kMainControls = {
    {-1, "Static", NULL, 102, 7, 7, 21, 20, SS_ICON, 0, kSs},
    {1039, "Static", "", 0, 40, 7, 324, 26, SS_NOPREFIX, 0, 0},
    {1036, "Static", "v 2.5.4.1", 0, 2, 26, 35, 8, SS_CENTER, 0, kSs},
    {1033, "Button", "&License Agreement", 0, 7, 37, 369, 158, BS_GROUPBOX, 0, kBs},
    {1034, "Static", "", 0, 14, 46, 356, 8, SS_LEFT, 0, kSs},
    {1028, "Edit", "", 0, 14, 56, 357, 122,
     ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER, 0, 0},
    {1025, "Button", "I &accept the agreement", 0, 14, 182, 89, 8, BS_AUTORADIOBUTTON | WS_GROUP, 0, kBs},
    {1026, "Button", "I do &NOT accept the agreement", 0, 108, 182, 117, 8, BS_AUTORADIOBUTTON, WS_GROUP, kBs},
    {-1, "Button", "Velmora Installation", 0, 7, 198, 369, 57, BS_GROUPBOX, 0, kBs},
    {-1, "Static", "Install &Folder", 0, 14, 208, 75, 8, SS_LEFT, 0, kSs},
    {1000, "Edit", "", 0, 14, 217, 301, 12, ES_AUTOHSCROLL, ES_MULTILINE | ES_READONLY, 0},
    {1001, "Button", "&Browse...", 0, 320, 216, 50, 14, BS_PUSHBUTTON, 0, kBs},
    {1002, "Button", "&Create Shortcut to Desktop", 0, 14, 232, 122, 8, BS_AUTOCHECKBOX, 0, kBs},
    {1004, "Button", "&Launch Velmora after install", 0, 14, 241, 141, 8, BS_AUTOCHECKBOX, 0, kBs},
    {1, "Button", "&Install", 0, 265, 236, 50, 14, BS_DEFPUSHBUTTON, WS_DISABLED, kBs},
    {2, "Button", "Cancel", 0, 320, 236, 50, 14, BS_PUSHBUTTON, 0, kBs},
    {1047, "Static", "", 0, 100, 208, 215, 8, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, 0},
};

const std::vector<ExpectedControl> kInUseControls = {
    {-1, "Static", NULL, 32513, 7, 7, 20, 20, SS_ICON, 0, kSs},
    {1046, "Static", "", 0, 34, 7, 242, 25, SS_LEFT, 0, kSs},
    {-1, "Static",
     "The setup program cannot upgrade Velmora while it is running.\nPlease close all instances of Velmora.", 0,
     34, 34, 242, 19, SS_LEFT, 0, kSs},
    {1044, "Button", "&Show Window", 0, 7, 57, 80, 14, BS_DEFPUSHBUTTON, 0, kBs},
    {1043, "Button", "&End Velmora.exe", 0, 101, 57, 80, 14, BS_PUSHBUTTON, 0, kBs},
    {1045, "Button", "&Abort Installation", 0, 196, 57, 80, 14, BS_PUSHBUTTON, 0, kBs},
};

struct ExpectedDialog {
  int id;
  const char* caption;
  short cx, cy;
  DWORD required;
  DWORD forbidden;
  const std::vector<ExpectedControl>* controls;
};

const DWORD kFramed = DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION;

const ExpectedDialog kDialogs[] = {
    {103, "Velmora\xAE Setup", 257, 41, kFramed | WS_VISIBLE, WS_SYSMENU, &kProgressControls},
    {115, "Velmora\xAE Setup", 383, 262, kFramed | DS_MODALFRAME | WS_SYSMENU, WS_VISIBLE, &kMainControls},
    {116, "Velmora\xAE Setup Error!", 283, 78, kFramed | DS_MODALFRAME | WS_SYSMENU, WS_VISIBLE, &kInUseControls},
};

world::ui::DialogTemplate Read(int id) {
  world::ui::DialogTemplate t;
  HRSRC resource = FindResourceA(NULL, MAKEINTRESOURCEA(id), RT_DIALOG);
  EXPECT_NE(resource, (HRSRC)NULL);
  if (!resource) return t;
  const void* bytes = LockResource(LoadResource(NULL, resource));
  EXPECT_TRUE(world::ui::ParseDialogTemplate(bytes, SizeofResource(NULL, resource), &t));
  return t;
}

std::string ClassOf(const world::ui::DialogItemTemplate& item) {
  return item.windowClass.ordinal >= 0 ? world::ui::PredefinedClassName(item.windowClass.ordinal)
                                       : item.windowClass.name;
}

class DialogTemplatesTest : public WorldTest {};

TEST_F(DialogTemplatesTest, EachDialogHasItsSizeCaptionFontAndStyles) {
  for (const ExpectedDialog& d : kDialogs) {
    SCOPED_TRACE("dialog " + std::to_string(d.id));
    world::ui::DialogTemplate t = Read(d.id);
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.y, 0);
    EXPECT_EQ(t.cx, d.cx);
    EXPECT_EQ(t.cy, d.cy);
    EXPECT_EQ(t.title, d.caption);
    EXPECT_TRUE(t.hasFont);
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_EQ(t.typeface, "Ms Shell Dlg");
    EXPECT_EQ(t.style & d.required, d.required) << std::hex << t.style;
    EXPECT_EQ(t.style & d.forbidden, 0u) << std::hex << t.style;
    EXPECT_EQ(t.menu.ordinal, -1);
    EXPECT_EQ(t.menu.name, "");
    EXPECT_EQ(t.windowClass.name, "") << "the standard dialog class";
  }
}

TEST_F(DialogTemplatesTest, EachDialogHasItsControlsInOrderWithTheirClassesTextsPlacesAndStyles) {
  for (const ExpectedDialog& d : kDialogs) {
    world::ui::DialogTemplate t = Read(d.id);
    ASSERT_EQ(t.items.size(), d.controls->size()) << "dialog " << d.id;
    for (size_t i = 0; i < t.items.size(); ++i) {
      const world::ui::DialogItemTemplate& item = t.items[i];
      const ExpectedControl& c = (*d.controls)[i];
      SCOPED_TRACE("dialog " + std::to_string(d.id) + ", control #" + std::to_string(i) + " (" + std::to_string(c.id) + ")");
      EXPECT_EQ(item.id == 0xFFFF ? -1 : item.id, c.id);
      EXPECT_EQ(lstrcmpiA(ClassOf(item).c_str(), c.windowClass), 0) << ClassOf(item);
      if (c.text) {
        EXPECT_EQ(item.title.ordinal, -1);
        EXPECT_EQ(item.title.name, c.text);
      } else {
        EXPECT_EQ(item.title.ordinal, c.icon);
      }
      EXPECT_EQ(item.x, c.x);
      EXPECT_EQ(item.y, c.y);
      EXPECT_EQ(item.cx, c.cx);
      EXPECT_EQ(item.cy, c.cy);
      EXPECT_EQ(item.style & (WS_CHILD | WS_VISIBLE), (DWORD)(WS_CHILD | WS_VISIBLE));
      EXPECT_EQ(item.style & WS_DISABLED, 0u) << "every control starts enabled";
      if (c.typeMask) {
        EXPECT_EQ(item.style & c.typeMask, c.required & c.typeMask) << std::hex << item.style;
      }
      EXPECT_EQ(item.style & (c.required & ~c.typeMask), c.required & ~c.typeMask) << std::hex << item.style;
      EXPECT_EQ(item.style & c.forbidden, 0u) << std::hex << item.style;
    }
  }
}

TEST_F(DialogTemplatesTest, TheMainWindowsTabStopsRunInTheirOrder) {
  world::ui::DialogTemplate t = Read(115);
  std::vector<int> stops;
  for (const world::ui::DialogItemTemplate& item : t.items)
    if (item.style & WS_TABSTOP) stops.push_back(item.id);
  EXPECT_EQ(stops, (std::vector<int>{1028, 1025, 1000, 1001, 1002, 1004, 1, 2}));
}

TEST_F(DialogTemplatesTest, TheAcceptChoiceIsOneRadioGroupEndedByTheInstallationBox) {
  // The group that the accept button starts runs up to the next control with WS_GROUP.
  world::ui::DialogTemplate t = Read(115);
  std::vector<int> group;
  bool inGroup = false;
  for (const world::ui::DialogItemTemplate& item : t.items) {
    if (item.style & WS_GROUP) {
      if (inGroup) break;
      inGroup = item.id == 1025;
    }
    if (inGroup) group.push_back(item.id);
  }
  EXPECT_EQ(group, (std::vector<int>{1025, 1026}));
}

TEST_F(DialogTemplatesTest, TheProgramsIconIsThere) {
  EXPECT_NE(FindResourceA(NULL, MAKEINTRESOURCEA(102), RT_GROUP_ICON), (HRSRC)NULL);
}

}  // namespace
