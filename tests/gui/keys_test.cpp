// Virtual-key numbers of Qt keys, and the shift names events carry.
#include <gtest/gtest.h>

#include "gui/Keys.h"
#include "gui/parts/PartEvents.h"

namespace nokari {
namespace {

TEST(Keys, LettersAndDigitsAreTheirCapitalCharacters) {
  EXPECT_EQ(VirtualKeyOf(Qt::Key_A), 65);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Z), 90);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_A, Qt::ShiftModifier), 65);  // the key, not the character
  EXPECT_EQ(VirtualKeyOf('q'), 81);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_0), 48);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_9), 57);
}

TEST(Keys, TheNumberPadHasItsOwnNumbers) {
  EXPECT_EQ(VirtualKeyOf(Qt::Key_0, Qt::KeypadModifier), 96);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_7, Qt::KeypadModifier), 103);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Asterisk, Qt::KeypadModifier), 106);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Plus, Qt::KeypadModifier), 107);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Minus, Qt::KeypadModifier), 109);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Period, Qt::KeypadModifier), 110);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Slash, Qt::KeypadModifier), 111);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Enter, Qt::KeypadModifier), 13);
  // The pad's keys that are no digit or sign keep their own numbers.
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Left, Qt::KeypadModifier), 37);
  // The same signs on the main keys.
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Minus), 189);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Slash), 191);
}

TEST(Keys, FunctionAndEditingKeys) {
  EXPECT_EQ(VirtualKeyOf(Qt::Key_F1), 112);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_F12), 123);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_F24), 135);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Return), 13);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Enter), 13);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Escape), 27);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Space), 32);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Backspace), 8);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Tab), 9);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Backtab), 9);  // shift+tab is the tab key
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Left), 37);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Up), 38);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Right), 39);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Down), 40);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_PageUp), 33);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_PageDown), 34);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_End), 35);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Home), 36);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Insert), 45);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Delete), 46);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Shift), 16);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Control), 17);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Alt), 18);
}

TEST(Keys, SymbolKeysShiftedOrNot) {
  const std::pair<int, int> oem[] = {{';', 186}, {'=', 187}, {',', 188}, {'-', 189}, {'.', 190},
                                     {'/', 191}, {'`', 192}, {'[', 219}, {'\\', 220}, {']', 221},
                                     {'\'', 222}, {':', 186}, {'+', 187}, {'<', 188}, {'_', 189},
                                     {'>', 190}, {'?', 191}, {'~', 192}, {'{', 219}, {'|', 220},
                                     {'}', 221}, {'"', 222}};
  for (auto [key, vk] : oem) EXPECT_EQ(VirtualKeyOf(key), vk) << char(key);
  EXPECT_EQ(VirtualKeyOf('!'), '1');
  EXPECT_EQ(VirtualKeyOf('('), '9');
  EXPECT_EQ(VirtualKeyOf(')'), '0');
}

TEST(Keys, KeysWithoutANumberGiveZero) {
  EXPECT_EQ(VirtualKeyOf(Qt::Key_unknown), 0);
  EXPECT_EQ(VirtualKeyOf(0x3042), 0);  // あ, a character no key stands for
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Launch0), 0);
}

TEST(ShiftNames, ActiveStatesInTheirOrderOneALine) {
  EXPECT_EQ(ShiftNames(Qt::NoModifier, Qt::NoButton, false), "");
  EXPECT_EQ(ShiftNames(Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier, Qt::NoButton, false),
            "Shift\r\nAlt\r\nCtrl");
  EXPECT_EQ(ShiftNames(Qt::NoModifier, Qt::MiddleButton | Qt::LeftButton | Qt::RightButton, false),
            "Left\r\nRight\r\nMiddle");
  EXPECT_EQ(ShiftNames(Qt::ShiftModifier, Qt::LeftButton, true), "Shift\r\nLeft\r\nDouble");
  EXPECT_EQ(ShiftNames(Qt::NoModifier, Qt::NoButton, true), "Double");
}

}  // namespace
}  // namespace nokari
