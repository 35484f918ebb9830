// The CP932 ⇄ QString edge and colours: what a widget gives back must be
// byte for byte what the script put in.
#include <QLineEdit>

#include "PartsFixture.h"

namespace nokari::testing {
namespace {

// Half-width katakana, ～ (a code Unicode converters disagree on), ①
// (NEC row 13), 髙 (IBM extension), a backslash and ¥-free ASCII.
const std::string kAwkward = "\xB1\xB2\xB3\xDE-\x81\x60\x87\x40\xFB\xFC\\a\x81\x5F";

TEST(QtText, AwkwardCp932TextRoundTripsByteForByte) {
  EXPECT_EQ(FromQ(Q(kAwkward)), kAwkward);
  QLineEdit edit;
  edit.setText(Q(kAwkward));
  EXPECT_EQ(FromQ(edit.text()), kAwkward);
}

// Every code with a Unicode form comes back as itself, except the
// duplicates CP932 keeps for old code pages (NEC row 13 and the NEC
// selection of IBM characters), which come back as their first code.
TEST(QtText, EveryCp932CharacterRoundTripsOrIsAKnownDuplicate) {
  int duplicates = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      std::string c{static_cast<char>(lead), static_cast<char>(trail)};
      if (ToUtf8(c) == "\xEF\xBF\xBD") continue;  // no Unicode form
      std::string back = FromQ(Q(c));
      if (back == c) continue;
      int code = lead << 8 | trail;
      bool duplicate = (code >= 0x8790 && code <= 0x879C) || (code >= 0xED40 && code <= 0xEEFC) ||
                       (code >= 0xFA4A && code <= 0xFA5B);
      EXPECT_TRUE(duplicate) << std::hex << code;
      EXPECT_EQ(ToUtf8(back), ToUtf8(c)) << std::hex << code;  // the same character
      ++duplicates;
    }
  }
  EXPECT_LT(duplicates, 400);
}

TEST(QtText, LineEndsBecomeNewlinesAndComeBackAsCrLf) {
  EXPECT_EQ(QLines("a\r\nb\rc\nd"), QString("a\nb\nc\nd"));
  EXPECT_EQ(FromQLines(QString("a\nb") + QChar::ParagraphSeparator + "c"), "a\r\nb\r\nc");
}

TEST(QtText, ColourNumbersAreBlueGreenRed) {
  QColor c = QColorOf(0x00336699);
  EXPECT_EQ(c.red(), 0x99);
  EXPECT_EQ(c.green(), 0x66);
  EXPECT_EQ(c.blue(), 0x33);
  EXPECT_EQ(ColorRefOf(c), 0x00336699u);
}

}  // namespace
}  // namespace nokari::testing
