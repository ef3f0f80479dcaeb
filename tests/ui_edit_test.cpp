// The edit field and the on-screen keyboard, typed into as a user would: stylus taps on
// the field and the keyboard through the Options screen's host, and the device's keys.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/ui_harness.h"
#include "ui/edit_field.h"
#include "ui/soft_keyboard.h"

namespace orx::test {
namespace {

class EditTest : public ::testing::Test {
 protected:
  EditTest() : field(h.ui.context) {
    h.screen = UiHarness::Screen::kOptions;
    field.Setup(20, 60, 120, 40);
    field.onChange = [this](Widget* sender, int code) {
      EXPECT_EQ(sender, &field);
      EXPECT_EQ(code, kNotifyValueChanged);
      ++changes;
    };
    h.ui.optionsWidgets = {&field};
  }
  ~EditTest() override { h.ui.optionsWidgets.clear(); }

  // The screen x of the boundary before character `index` (of the shown text).
  int XOf(int index) const {
    return field.x + 3 + TextWidthN(h.font, field.Text(), field.scrollIndex, index - field.scrollIndex).width;
  }
  // Taps the key with code `code` (and kind) of the layout shown now.
  void PressKey(int code, int kind = kKeyCharacter) {
    const SoftKeyboard& k = h.ui.softKeyboard;
    for (const KeyboardKey& key : k.keys) {
      if (key.code == code && key.kind == kind) {
        h.Tap(key.x + key.width / 2, k.top + key.y + key.height / 2);
        return;
      }
    }
    ADD_FAILURE() << "no key " << code;
  }
  void Type(const char* text) {
    for (const char* c = text; *c; ++c) h.Char(static_cast<uint8_t>(*c));
  }
  std::string Text() const { return field.Text(); }

  UiHarness h;
  EditField field;
  int changes = 0;
};

TEST_F(EditTest, KeysEditAtTheCaretAndNotifyOnlyChanges) {
  h.Tap(field.x + 5, field.y + 5);
  ASSERT_EQ(h.ui.options.focused, &field);
  Type("Lodnon");
  EXPECT_EQ(changes, 6);
  h.VirtualKey(platform::kVkLeft);
  h.VirtualKey(platform::kVkLeft);
  h.VirtualKey(platform::kVkBack);  // "Lod|on"
  h.VirtualKey(platform::kVkLeft);  // "Lo|don"
  h.Char('n');
  EXPECT_EQ(Text(), "London");
  h.VirtualKey(platform::kVkHome);
  h.VirtualKey(platform::kVkDelete);
  h.Char('l');
  EXPECT_EQ(Text(), "london");
  h.VirtualKey(platform::kVkEnd);
  EXPECT_EQ(field.CaretIndex(), 6);
  const int before = changes;
  h.VirtualKey(platform::kVkDelete);  // nothing after the caret
  h.Char(3);   // Ctrl+c and Ctrl+v: no clipboard
  h.Char(22);
  h.VirtualKey(platform::kVkRight);
  h.VirtualKey(999);
  EXPECT_EQ(Text(), "london");
  EXPECT_EQ(changes, before);

  h.Char(1);  // Ctrl+a selects everything
  EXPECT_TRUE(field.HasSelection());
  h.Char(8);  // the character Backspace only drops the selection
  EXPECT_FALSE(field.HasSelection());
  EXPECT_EQ(Text(), "london");
  h.Char(1);
  h.Char(24);  // Ctrl+x cuts it
  EXPECT_EQ(Text(), "");
  EXPECT_EQ(field.CaretIndex(), 0);
}

TEST_F(EditTest, AFullFieldReplacesASelectionButDoesNotGrow) {
  field.Setup(20, 60, 120, 5);
  field.SetText("abcdefgh");
  EXPECT_EQ(Text(), "abcde");
  h.Tap(field.x + 5, field.y + 5);
  h.Char('x');  // full: nothing
  EXPECT_EQ(Text(), "abcde");
  // Select "bc" by dragging, then type over it.
  h.Down(XOf(1), field.y + 5);
  h.Move(XOf(3), field.y + 5);
  h.Up(XOf(3), field.y + 5);
  ASSERT_TRUE(field.HasSelection());
  h.Char('x');
  EXPECT_EQ(Text(), "axde");
  h.Char('y');
  h.Char('z');
  EXPECT_EQ(Text(), "axyde");
}

TEST_F(EditTest, ADoubleTapSelectsAllButATapElsewhereStartsANewSelection) {
  field.SetText("Buenos Aires");
  const int x = XOf(3) + 1;
  h.Tap(x, field.y + 5);
  h.clock.Advance(300);
  h.Tap(x, field.y + 5);
  EXPECT_EQ(field.anchor, 0);
  EXPECT_EQ(field.CaretIndex(), 12);

  h.clock.Advance(1000);
  h.Tap(x, field.y + 5);
  h.clock.Advance(300);
  h.Tap(XOf(7) + 1, field.y + 5);  // another character: a new selection from there
  EXPECT_EQ(field.anchor, 7);
  EXPECT_EQ(field.CaretIndex(), 7);

  h.clock.Advance(800);  // too slow for a double tap
  h.Tap(XOf(7) + 1, field.y + 5);
  EXPECT_EQ(field.anchor, 7);
}

TEST_F(EditTest, LongTextScrollsSoThatTheCaretStaysInTheField) {
  field.Setup(20, 60, 120, 255);
  h.Tap(field.x + 5, field.y + 5);
  Type("Llanfairpwllgwyngyllgogerychwyrndrobwllllantysiliogogogoch");
  const int visible = field.visibleWidth;
  auto caretX = [&] { return TextWidthN(h.font, field.Text(), field.scrollIndex, field.caret).width; };
  EXPECT_GT(field.scrollIndex, 0);
  EXPECT_LE(caretX(), visible);
  h.VirtualKey(platform::kVkHome);
  EXPECT_EQ(field.scrollIndex, 0);
  for (int i = 0; i < 58; ++i) {
    h.VirtualKey(platform::kVkRight);
    EXPECT_LE(caretX(), visible);
    EXPECT_EQ(field.CaretIndex(), i + 1);
  }
  for (int i = 58; i > 0; --i) {
    h.VirtualKey(platform::kVkLeft);
    EXPECT_EQ(field.CaretIndex(), i - 1);
  }
  // Dragging past the right edge scrolls by half a field at a time, up to the end.
  h.clock.Advance(1000);
  h.Down(field.x + 5, field.y + 5);
  for (int i = 0; i < 10; ++i) h.Move(field.x + field.width + 30, field.y + 5);
  h.Up(field.x + field.width + 30, field.y + 5);
  EXPECT_EQ(field.CaretIndex(), field.length);
  EXPECT_EQ(field.anchor, 0);
  EXPECT_LE(caretX(), visible);

  // Wide letters typed near the start of a text whose tail is narrow: every new letter
  // and the caret after it stay inside the field.
  field.SetText("illlllllllllllllllllllllllllllllllllllllll");
  h.VirtualKey(platform::kVkHome);
  h.VirtualKey(platform::kVkRight);
  for (int i = 0; i < 30; ++i) {
    h.Char('W');
    EXPECT_EQ(field.CaretIndex(), i + 2);
    EXPECT_LE(caretX(), visible) << "after " << i + 1 << " letters";
  }
  EXPECT_TRUE(h.GuardsIntact());
}

TEST_F(EditTest, ShiftCapsAndTheSymbolsLayoutTypeWhatTheyShow) {
  h.Tap(field.x + 5, field.y + 5);
  ASSERT_TRUE(h.ui.keyboardShown);
  SoftKeyboard& k = h.ui.softKeyboard;
  EXPECT_EQ(k.layout, kLayoutLower);
  PressKey(-kModShift, kKeyModifier);
  EXPECT_EQ(k.layout, kLayoutUpper);
  PressKey('A');
  EXPECT_EQ(k.layout, kLayoutLower);  // Shift is spent
  PressKey('b');
  PressKey(-kModCaps, kKeyModifier);
  PressKey('C');
  PressKey('D');  // Caps stays
  PressKey(-kModShift, kKeyModifier);
  EXPECT_EQ(k.layout, kLayoutLower);  // Caps with Shift is lower case
  PressKey('e');
  PressKey(-kModCaps, kKeyModifier);
  PressKey(-kModSymbols, kKeyModifier);
  EXPECT_EQ(k.layout, kLayoutSymbols);
  EXPECT_EQ(k.keys.size(), 47u);
  PressKey(176);  // degree
  PressKey('7');
  EXPECT_EQ(Text(), "AbCDe\xB0" "7");
  // The upper-case key in the place of Backspace is Delete.
  PressKey(-kModSymbols, kKeyModifier);
  h.VirtualKey(platform::kVkHome);
  PressKey(-kModShift, kKeyModifier);
  PressKey(platform::kVkDelete, kKeyVirtual);
  EXPECT_EQ(Text(), "bCDe\xB0" "7");
  PressKey(platform::kVkBack, kKeyVirtual);  // at the start: nothing to delete
  EXPECT_EQ(Text(), "bCDe\xB0" "7");
}

TEST_F(EditTest, CtrlMakesControlCodesAndSlidingOffAKeyTypesNothing) {
  field.SetText("Madrid");
  h.Tap(field.x + 5, field.y + 5);
  h.Char(1);
  PressKey(-kModCtrl, kKeyModifier);
  PressKey('c');  // code 3: ignored
  EXPECT_EQ(Text(), "Madrid");
  EXPECT_TRUE(field.HasSelection());
  EXPECT_EQ(h.ui.softKeyboard.modifiers & kModCtrl, 0u);
  PressKey(-kModCtrl, kKeyModifier);
  PressKey('x');  // code 24: cut
  EXPECT_EQ(Text(), "");

  const SoftKeyboard& k = h.ui.softKeyboard;
  const KeyboardKey& q = k.keys[15];
  h.Down(q.x + 3, k.top + q.y + 3);
  h.Move(q.x + 3 + 18, k.top + q.y + 3);  // onto w
  h.Up(q.x + 3 + 18, k.top + q.y + 3);
  h.Down(q.x + 3, k.top + q.y + 3);
  h.Move(q.x + 3, 20);  // off the keyboard
  h.Up(q.x + 3, 20);
  EXPECT_EQ(Text(), "");
}

TEST_F(EditTest, HeldKeysLightUpAndEnterLightsBothItsParts) {
  h.Tap(field.x + 5, field.y + 5);
  const SoftKeyboard& k = h.ui.softKeyboard;
  const KeyboardKey& upper = k.keys[39];
  const KeyboardKey& lower = k.keys[51];
  h.Paint();
  EXPECT_EQ(h.Pixel(upper.x + 3, k.top + upper.y + 6), h.ui.skin.highlight);
  h.Down(lower.x + 3, k.top + lower.y + 3);
  EXPECT_EQ(h.Pixel(upper.x + 3, k.top + upper.y + 6), h.ui.skin.frame);
  EXPECT_EQ(h.Pixel(lower.x + 2, k.top + lower.y + 3), h.ui.skin.frame);
  h.Move(lower.x - 30, k.top + lower.y + 3);  // slid off: drawn normal again
  EXPECT_EQ(h.Pixel(lower.x + 2, k.top + lower.y + 3), h.ui.skin.highlight);
  h.Up(lower.x - 30, k.top + lower.y + 3);
  EXPECT_EQ(Text(), "");
  // Shift stays lit while it is on.
  const KeyboardKey& shift = k.keys[kKeyShift];
  PressKey(-kModShift, kKeyModifier);
  EXPECT_EQ(h.Pixel(shift.x + 1, k.top + shift.y + 2), h.ui.skin.frame);
}

}  // namespace
}  // namespace orx::test
