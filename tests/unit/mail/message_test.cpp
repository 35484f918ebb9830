// The outgoing mail text: encoded header words that any reader can take
// apart again, address lists, the envelope, the body in ISO-2022-JP and
// attachments. Most checks read the built text back with our own MIME
// reader, so the two halves hold each other to the same texts.
#include <gtest/gtest.h>

#include <string>

#include "core/Encoding.h"
#include "lib/japanese/Convert.h"
#include "lib/mail/MailMessage.h"
#include "lib/mail/Mime.h"

using namespace nokari;
using namespace nokari::mail;

namespace {

const std::string& J(const char* utf8) { return Sj(utf8); }

bool SevenBit(const std::string& s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80 || c == '\0') return false;
  return true;
}

// The header lines of a message (continuations joined), "Name: value".
std::string Header(const std::string& message, const std::string& name) {
  size_t bodyStart = 0;
  auto fields = ParseHeaders(message, bodyStart);
  const HeaderField* f = FindField(fields, name);
  return f ? f->Value : std::string("<none>");
}

OutgoingMail Sample() {
  OutgoingMail m;
  m.From = "taro@example.jp";
  m.FromName = J("山田 太郎");
  m.To = J("花子 <hanako@example.jp>; jiro@example.jp");
  m.Cc = "cc1@example.jp\r\ncc2@example.jp";
  m.Bcc = "hidden@example.jp";
  m.Subject = J("会議の\"お知らせ\"");
  m.Body = J("こんにちは。\nabc\\def\r\n.\r\n終わり");
  m.Date = 1709597045;  // 2024-03-05 00:04:05 UTC
  m.UtcOffsetSeconds = 9 * 3600;
  m.MessageId = "<1.2@example.jp>";
  m.Boundary = "=_test_boundary";
  return m;
}

TEST(MailHeaderWords, JapaneseWordsAreEncodedAndReadBack) {
  std::string encoded = EncodeHeaderText(J("Re: テスト"));
  EXPECT_EQ(encoded.rfind("Re: =?ISO-2022-JP?B?", 0), 0u) << encoded;
  EXPECT_EQ(encoded.substr(encoded.size() - 2), "?=");
  EXPECT_EQ(DecodeHeaderText(encoded), J("Re: テスト"));
  // The JIS text returns to ASCII (ESC ( B), as RFC 1468 wants.
  std::string b64 = encoded.substr(20, encoded.size() - 22);
  std::string jis;
  ASSERT_TRUE(Base64Decode(b64, jis));
  EXPECT_EQ(jis, "\x1b$B%F%9%H\x1b(B");
}

TEST(MailHeaderWords, PlainAsciiStaysAndQuotesBecomeFullWidth) {
  EXPECT_EQ(EncodeHeaderText("Meeting at 10"), "Meeting at 10");
  std::string encoded = EncodeHeaderText(J("say \"はい\" now"));
  EXPECT_TRUE(SevenBit(encoded));
  EXPECT_EQ(DecodeHeaderText(encoded), J("say ”はい” now"));
  EXPECT_EQ(encoded.rfind("say ", 0), 0u);
  EXPECT_EQ(encoded.substr(encoded.size() - 4), " now");
}

TEST(MailHeaderWords, LongTextIsFoldedIntoShortWordsAndSpacesSurvive) {
  std::string subject;
  for (int i = 0; i < 12; ++i) subject += J("日本語の件名 ");
  subject += J("ｶﾀｶﾅ end");
  std::string encoded = EncodeHeaderText(subject);
  EXPECT_TRUE(SevenBit(encoded));
  size_t start = 0;
  int lines = 0;
  while (start <= encoded.size()) {
    size_t end = encoded.find("\r\n", start);
    std::string line = encoded.substr(start, end == std::string::npos ? std::string::npos : end - start);
    EXPECT_LE(line.size(), 76u) << line;
    ++lines;
    if (end == std::string::npos) break;
    start = end + 2;
  }
  EXPECT_GT(lines, 3);
  // Half-width katakana travel as their full-width forms.
  std::string expected = subject.substr(0, subject.size() - J("ｶﾀｶﾅ end").size()) + J("カタカナ end");
  EXPECT_EQ(DecodeHeaderText(encoded), expected);
}

TEST(MailHeaderWords, LineBreaksCannotStartAHeader) {
  OutgoingMail m = Sample();
  m.Subject = "hello\r\nBcc: victim@example.jp";
  std::string text = BuildMessage(m);
  EXPECT_EQ(text.find("\r\nBcc:"), std::string::npos);
  EXPECT_EQ(Header(text, "Subject"), "hello  Bcc: victim@example.jp");
}

TEST(MailAddresses, ListsSplitAtCommasSemicolonsAndLines) {
  auto items = SplitAddressList(J("a@x.jp, b@y.jp;\"Doe, J\" <c@z.jp>\r\n山田 <d@w.jp>;;"));
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[2], "\"Doe, J\" <c@z.jp>");
  EXPECT_EQ(AddressOf(items[2]), "c@z.jp");
  EXPECT_EQ(AddressOf(items[3]), "d@w.jp");
  EXPECT_EQ(AddressOf(" e@v.jp "), "e@v.jp");
  EXPECT_TRUE(IsPlainAddress("a.b+c@example.jp"));
  EXPECT_FALSE(IsPlainAddress("a b@example.jp"));
  EXPECT_FALSE(IsPlainAddress("a@x>\r\nRCPT TO:<b@y"));
  EXPECT_FALSE(IsPlainAddress(J("山田@example.jp")));
}

TEST(MailAddresses, EnvelopeHoldsToCcAndBccOnce) {
  OutgoingMail m = Sample();
  m.Cc += "\r\njiro@example.jp";
  auto rcpt = EnvelopeRecipients(m);
  std::vector<std::string> expected = {"hanako@example.jp", "jiro@example.jp", "cc1@example.jp", "cc2@example.jp",
                                       "hidden@example.jp"};
  EXPECT_EQ(rcpt, expected);
}

TEST(MailText, HeadersOfAPlainMessage) {
  std::string text = BuildMessage(Sample());
  EXPECT_TRUE(SevenBit(text));
  EXPECT_EQ(Header(text, "Bcc"), "<none>");
  EXPECT_EQ(Header(text, "Reply-To"), "taro@example.jp");
  EXPECT_EQ(Header(text, "Date"), "Tue, 05 Mar 2024 09:04:05 +0900");
  EXPECT_EQ(Header(text, "Message-ID"), "<1.2@example.jp>");
  EXPECT_EQ(Header(text, "MIME-Version"), "1.0");
  EXPECT_EQ(Header(text, "Content-Transfer-Encoding"), "7bit");
  EXPECT_EQ(DecodeHeaderText(Header(text, "X-Mailer")), J("日本語プログラム言語「のかり」"));
  EXPECT_EQ(DecodeHeaderText(Header(text, "From")), J("山田 太郎 <taro@example.jp>"));
  EXPECT_EQ(DecodeHeaderText(Header(text, "To")), J("花子 <hanako@example.jp>, jiro@example.jp"));
  EXPECT_EQ(DecodeHeaderText(Header(text, "Cc")), "cc1@example.jp, cc2@example.jp");
  EXPECT_EQ(DecodeHeaderText(Header(text, "Subject")), J("会議の”お知らせ”"));
  // Every line ends in CR LF and nothing is longer than SMTP allows.
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') EXPECT_EQ(text[i - 1], '\r');
  }
}

TEST(MailText, BodyIsIsoJpAndReadsBack) {
  OutgoingMail m = Sample();
  std::string text = BuildMessage(m);
  EXPECT_NE(text.find("\x1b$B"), std::string::npos);
  EXPECT_EQ(text.find("\x1b(J"), std::string::npos);
  ReceivedMail back = ParseMail(text);
  EXPECT_EQ(back.Body, J("こんにちは。\r\nabc\\def\r\n.\r\n終わり\r\n"));
  EXPECT_TRUE(back.Files.empty());
}

TEST(MailText, AVeryLongLineGoesAsBase64) {
  OutgoingMail m = Sample();
  m.Body = std::string(3000, 'x') + J("あ");
  std::string text = BuildMessage(m);
  EXPECT_EQ(Header(text, "Content-Transfer-Encoding"), "base64");
  EXPECT_EQ(ParseMail(text).Body, m.Body);
}

TEST(MailText, AttachmentsRoundTrip) {
  OutgoingMail m = Sample();
  std::string binary;
  for (int i = 0; i < 1000; ++i) binary += static_cast<char>(i * 7);
  m.Files = {{J("報告書.txt"), J("中身")}, {"data.bin", binary}, {J("報告書.txt"), ""}};
  std::string text = BuildMessage(m);
  EXPECT_TRUE(SevenBit(text));
  EXPECT_NE(Header(text, "Content-Type").find("multipart/mixed"), std::string::npos);
  ReceivedMail back = ParseMail(text);
  EXPECT_EQ(back.Body, J("こんにちは。\r\nabc\\def\r\n.\r\n終わり\r\n"));
  ASSERT_EQ(back.Files.size(), 3u);
  EXPECT_EQ(back.Files[0].Name, J("報告書.txt"));
  EXPECT_EQ(back.Files[0].Data, J("中身"));
  EXPECT_EQ(back.Files[1].Name, "data.bin");
  EXPECT_EQ(back.Files[1].Data, binary);
  EXPECT_EQ(back.Files[2].Data, "");
}

TEST(MailText, DatesAndMessageIds) {
  EXPECT_EQ(RfcDate(0, 0), "Thu, 01 Jan 1970 00:00:00 +0000");
  EXPECT_EQ(RfcDate(1709597045, -(5 * 3600 + 30 * 60)), "Mon, 04 Mar 2024 18:34:05 -0530");
  EXPECT_EQ(MakeMessageId(5, J("山田 <t@mail.example.jp>"), "host", 255), "<5.ff@mail.example.jp>");
  EXPECT_EQ(MakeMessageId(5, "", "box", 1), "<5.1@box>");
  EXPECT_EQ(MakeMessageId(5, "", "", 1), "<5.1@localhost>");
}

}  // namespace
