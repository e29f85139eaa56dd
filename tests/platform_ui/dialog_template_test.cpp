// Reading dialog templates: the fields of a hand-made template, and damaged ones refused
// without reading past their end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/host/dialog_template.h"
#include "platform/win32.h"
#include "ui_fixture.h"

namespace {

// Builds template bytes field by field, little-endian, with the layout's alignments.
struct Bytes {
  std::vector<BYTE> data;
  void Word(WORD v) {
    data.push_back((BYTE)v);
    data.push_back((BYTE)(v >> 8));
  }
  void Dword(DWORD v) {
    Word((WORD)v);
    Word((WORD)(v >> 16));
  }
  void Text(const std::u16string& text) {
    for (char16_t c : text) Word((WORD)c);
    Word(0);
  }
  void Byte(BYTE v) { data.push_back(v); }
  void Ordinal(WORD v) {
    Word(0xFFFF);
    Word(v);
  }
  void Align() {
    while (data.size() % 4) data.push_back(0);
  }
};

// One dialog with a named-class control whose title is a number, and an edit with extra data.
std::vector<BYTE> HandMadeTemplate() {
  Bytes b;
  b.Word(1);
  b.Word(0xFFFF);
  b.Dword(0);                                     // help id
  b.Dword(WS_EX_DLGMODALFRAME);                   // extended style
  b.Dword(DS_SETFONT | DS_MODALFRAME | WS_POPUP); // style
  b.Word(2);                                      // items
  b.Word(1); b.Word(2); b.Word(100); b.Word(50);
  b.Word(0);      // no menu
  b.Word(0);      // the dialog class
  b.Text(u"Caf\u00e9 \u20ac \u4e2d \U0001F333");  // 1252 characters, then two it lacks (one a surrogate pair)
  b.Word(9); b.Word(400); b.Byte(0); b.Byte(1);  // size, weight, italic, charset
  b.Text(u"Tahoma");
  b.Align();
  b.Dword(0); b.Dword(0); b.Dword(WS_CHILD | WS_VISIBLE | SS_ICON);
  b.Word(3); b.Word(4); b.Word(20); b.Word(20);
  b.Dword(0xFFFFFFFF);
  b.Text(u"MyStatic");
  b.Ordinal(102);
  b.Word(0);
  b.Align();
  b.Dword(0); b.Dword(WS_EX_CLIENTEDGE); b.Dword(WS_CHILD | ES_AUTOHSCROLL);
  b.Word(5); b.Word(6); b.Word(70); b.Word(12);
  b.Dword(1000);
  b.Ordinal(0x81);
  b.Text(u"");
  b.Word(2);
  b.data.push_back(0xAB);
  b.data.push_back(0xCD);
  return b.data;
}

TEST(DialogTemplateTest, EveryFieldOfAnExtendedTemplateIsRead) {
  std::vector<BYTE> bytes = HandMadeTemplate();
  world::ui::DialogTemplate t;
  ASSERT_TRUE(world::ui::ParseDialogTemplate(bytes.data(), bytes.size(), &t));
  EXPECT_EQ(t.exStyle, (DWORD)WS_EX_DLGMODALFRAME);
  EXPECT_EQ(t.style, (DWORD)(DS_SETFONT | DS_MODALFRAME | WS_POPUP));
  EXPECT_EQ(t.x, 1);
  EXPECT_EQ(t.cy, 50);
  EXPECT_EQ(t.title, "Caf\xE9 \x80 ? ?");
  EXPECT_TRUE(t.hasFont);
  EXPECT_EQ(t.pointSize, 9);
  EXPECT_EQ(t.weight, 400);
  EXPECT_EQ(t.typeface, "Tahoma");
  ASSERT_EQ(t.items.size(), 2u);
  EXPECT_EQ(t.items[0].id, -1);
  EXPECT_EQ(t.items[0].windowClass.name, "MyStatic");
  EXPECT_EQ(t.items[0].title.ordinal, 102);
  EXPECT_EQ(t.items[1].id, 1000);
  EXPECT_EQ(t.items[1].windowClass.ordinal, 0x81);
  EXPECT_EQ(t.items[1].exStyle, (DWORD)WS_EX_CLIENTEDGE);
  EXPECT_EQ(t.items[1].title.ordinal, -1);
  EXPECT_EQ(t.items[1].title.name, "");
  EXPECT_EQ(t.items[1].extra, (std::vector<BYTE>{0xAB, 0xCD}));
}

TEST(DialogTemplateTest, ATemplateCutAnywhereIsRefused) {
  std::vector<BYTE> bytes = HandMadeTemplate();
  for (size_t size = 0; size < bytes.size(); ++size) {
    // A copy of exactly `size` bytes, so that the sanitizer sees any read past it.
    std::vector<BYTE> cut(bytes.begin(), bytes.begin() + (long)size);
    world::ui::DialogTemplate t;
    EXPECT_FALSE(world::ui::ParseDialogTemplate(cut.data(), cut.size(), &t)) << "cut at " << size;
  }
}

TEST(DialogTemplateTest, WhatIsNotAnExtendedTemplateIsRefused) {
  struct Damage {
    const char* name;
    size_t offset;
    BYTE value;
  };
  const Damage damages[] = {
      {"a classic DIALOG template", 2, 0x00},
      {"version 2", 0, 0x02},
      {"more items than the template holds", 16, 0x09},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.name);
    std::vector<BYTE> bytes = HandMadeTemplate();
    bytes[d.offset] = d.value;
    if (d.offset == 2) bytes[3] = 0x00;
    world::ui::DialogTemplate t;
    EXPECT_FALSE(world::ui::ParseDialogTemplate(bytes.data(), bytes.size(), &t));
  }
  world::ui::DialogTemplate t;
  EXPECT_FALSE(world::ui::ParseDialogTemplate(NULL, 100, &t));
}

TEST(DialogTemplateTest, AnUnterminatedTitleIsRefused) {
  Bytes b;
  b.Word(1);
  b.Word(0xFFFF);
  b.Dword(0);
  b.Dword(0);
  b.Dword(WS_POPUP);
  b.Word(0);
  for (int i = 0; i < 4; ++i) b.Word(10);
  b.Word(0);
  b.Word(0);
  for (int i = 0; i < 20; ++i) b.Word('A');  // no terminating zero
  world::ui::DialogTemplate t;
  EXPECT_FALSE(world::ui::ParseDialogTemplate(b.data.data(), b.data.size(), &t));
}

}  // namespace
