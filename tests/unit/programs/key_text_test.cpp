// キー送信's key text, read without a display; and which window a title
// names.
#include <gtest/gtest.h>

#include "core/Encoding.h"
#include "lib/programs/KeyText.h"
#include "lib/programs/X11Windows.h"

namespace nokari::programs {
namespace {

using K = KeyAction;
constexpr uint32_t kLeft = 0xff51, kDelete = 0xffff, kF1 = 0xffbe;

std::vector<KeyAction> Chars(const char* ascii) {
  std::vector<KeyAction> out;
  for (const char* p = ascii; *p; ++p) out.push_back({K::kChar, static_cast<uint8_t>(*p)});
  return out;
}

TEST(KeyText, PlainTextIsTypedAsCharacters) {
  EXPECT_EQ(ParseKeyText("ab Z"), Chars("ab Z"));
  // Japanese text arrives as its characters; CR LF is one ENTER.
  std::vector<KeyAction> expected{{K::kChar, 0x3042}, {K::kChar, 0x6F22}, {K::kTap, keysym::kReturn},
                                  {K::kChar, 0xFF76}};
  EXPECT_EQ(ParseKeyText(Sj("あ漢\r\nｶ")), expected);
  EXPECT_EQ(ParseKeyText("\t"), (std::vector<KeyAction>{{K::kTap, keysym::kTab}}));
}

TEST(KeyText, ModifiersHoldTheNextItem) {
  std::vector<KeyAction> expected{{K::kDown, keysym::kControl}, {K::kChar, 'a'}, {K::kUp, keysym::kControl},
                                  {K::kTap, kDelete}};
  EXPECT_EQ(ParseKeyText("^a{DEL}"), expected);
  // A group: SHIFT held over both letters, then released; c is plain.
  expected = {{K::kDown, keysym::kShift}, {K::kChar, 'a'}, {K::kChar, 'b'}, {K::kUp, keysym::kShift},
              {K::kChar, 'c'}};
  EXPECT_EQ(ParseKeyText("+(ab)c"), expected);
  // Modifiers nest; one at the end holds nothing.
  expected = {{K::kDown, keysym::kAlt}, {K::kDown, keysym::kShift}, {K::kTap, kF1}, {K::kUp, keysym::kShift},
              {K::kUp, keysym::kAlt}, {K::kDown, keysym::kControl}, {K::kUp, keysym::kControl}};
  EXPECT_EQ(ParseKeyText("%+{f1}^"), expected);
  // A group left open runs to the end.
  expected = {{K::kDown, keysym::kShift}, {K::kChar, 'x'}, {K::kChar, 'y'}, {K::kUp, keysym::kShift}};
  EXPECT_EQ(ParseKeyText("+(xy"), expected);
}

TEST(KeyText, BracedKeysAndCounts) {
  EXPECT_EQ(ParseKeyText("{LEFT 3}"), (std::vector<KeyAction>(3, {K::kTap, kLeft})));
  EXPECT_EQ(ParseKeyText("{left}~"), (std::vector<KeyAction>{{K::kTap, kLeft}, {K::kTap, keysym::kReturn}}));
  // Signs and characters in braces are typed as themselves.
  EXPECT_EQ(ParseKeyText("{+}{~}{}}{(}"), Chars("+~}("));
  EXPECT_EQ(ParseKeyText("{x 2}"), Chars("xx"));
  // A count that is no number counts 0; an unknown name types nothing.
  EXPECT_EQ(ParseKeyText("{LEFT x}a"), Chars("a"));
  EXPECT_EQ(ParseKeyText("{NOSUCHKEY}a{F17}"), Chars("a"));
  // Without its "}" a braced key ends the typing.
  EXPECT_EQ(ParseKeyText("a{ENTER"), Chars("a"));
  EXPECT_EQ(ParseKeyText("a{LEFT 2"), Chars("a"));
  EXPECT_EQ(KeyNameKeysym("F16"), kF1 + 15);
  EXPECT_EQ(KeyNameKeysym("bs"), KeyNameKeysym("BACKSPACE"));
  EXPECT_EQ(KeyNameKeysym("IME"), 0xff2au);
  EXPECT_EQ(KeyNameKeysym("F0"), 0u);
}

TEST(WindowTitles, ExactTitleFirstThenTheFirstBeginningWithIt) {
  std::vector<std::string> titles{"target - log", "target", "other"};
  EXPECT_EQ(PickWindow(titles, "target"), 1);
  EXPECT_EQ(PickWindow(titles, "targ"), 0);
  EXPECT_EQ(PickWindow(titles, "oth"), 2);
  EXPECT_EQ(PickWindow(titles, "none"), -1);
  EXPECT_EQ(PickWindow({}, "x"), -1);
  // CP932 bytes are compared: a title beginning with the lead byte of a
  // character only is not the same as the character.
  EXPECT_EQ(PickWindow({Sj("表示")}, Sj("表")), 0);
}

}  // namespace
}  // namespace nokari::programs
