// Reading received mail: nested multiparts, transfer encodings, the
// Japanese charsets, RFC 2047 and RFC 2231 names, names made safe to
// store, dates, the stored summary, and hostile input that must neither
// crash nor grow without bound.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "core/Encoding.h"
#include "lib/japanese/Convert.h"
#include "lib/mail/Mime.h"

using namespace nokari;
using namespace nokari::mail;

namespace {

const std::string& J(const char* utf8) { return Sj(utf8); }

std::string Utf8(const char* s) { return s; }

TEST(MimeHeaders, FoldedFieldsAndTheBodyStart) {
  std::string raw = "From nobody\r\nSubject: one\r\n two\r\n\tthree\r\nX: y\r\n\r\nbody";
  size_t bodyStart = 0;
  auto fields = ParseHeaders(raw, bodyStart);
  ASSERT_EQ(fields.size(), 2u);  // the mbox "From " line is no field
  EXPECT_EQ(fields[0].Value, "one two\tthree");
  EXPECT_EQ(raw.substr(bodyStart), "body");
  EXPECT_EQ(FindField(fields, "subject"), &fields[0]);
  EXPECT_EQ(FindField(fields, "Cc"), nullptr);
}

TEST(MimeHeaders, HugeLinesAndManyFieldsAreCut) {
  std::string raw = "Subject: " + std::string(10 << 20, 'a') + "\r\n";
  for (int i = 0; i < 5000; ++i) raw += "X-" + std::to_string(i) + ": v\r\n";
  raw += " " + std::string(1 << 20, 'b') + "\r\n\r\nbody";
  size_t bodyStart = 0;
  auto fields = ParseHeaders(raw, bodyStart);
  EXPECT_EQ(fields.size(), kMaxFields);
  EXPECT_EQ(fields[0].Value.size(), kMaxHeaderBytes);
  EXPECT_EQ(raw.substr(bodyStart), "body");
  ReceivedMail m = ParseMail(raw);
  EXPECT_LE(m.Subject.size(), kMaxHeaderBytes);
  EXPECT_EQ(m.Body, "body");
}

TEST(MimeHeaders, EncodedWordsInEveryCharset) {
  // ISO-2022-JP B, UTF-8 Q, Shift-JIS and EUC-JP B.
  EXPECT_EQ(DecodeHeaderText("=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?="), J("テスト"));
  EXPECT_EQ(DecodeHeaderText("=?utf-8?Q?=E3=81=82_x?="), J("あ x"));
  EXPECT_EQ(DecodeHeaderText("=?Shift_JIS?B?gqA=?="), J("あ"));
  EXPECT_EQ(DecodeHeaderText("=?EUC-JP?B?pKI=?="), J("あ"));
  // Blanks between two words go; blanks beside plain text stay; a word in
  // the middle of a UTF-8 character joins its neighbour.
  EXPECT_EQ(DecodeHeaderText("Re: =?UTF-8?B?44E=?=  =?UTF-8?B?gg==?= end"), J("Re: あ end"));
  // Unknown pieces stay as they are; raw UTF-8 and raw Shift-JIS read too.
  EXPECT_EQ(DecodeHeaderText("=?x?Z?abc?= =?"), "=?x?Z?abc?= =?");
  EXPECT_EQ(DecodeHeaderText(Utf8("\xE6\x97\xA5\xE6\x9C\xAC")), J("日本"));
  EXPECT_EQ(DecodeHeaderText(J("日本")), J("日本"));
  // Control characters never reach the stored text.
  EXPECT_EQ(DecodeHeaderText("a=?utf-8?Q?=00=0D=0Ab?="), "a  b");
}

TEST(MimeParams, QuotedValuesAndRfc2231) {
  ParsedValue v = ParseParameterized("Attachment; filename=\"a;b \\\"c\\\".txt\"; size=3");
  EXPECT_EQ(v.Type, "attachment");
  EXPECT_EQ(v.Params["filename"].Value, "a;b \"c\".txt");
  EXPECT_EQ(v.Params["size"].Value, "3");
  v = ParseParameterized("attachment; filename*=UTF-8''%E5%A0%B1%E5%91%8A.txt");
  EXPECT_TRUE(v.Params["filename"].Extended);
  EXPECT_EQ(v.Params["filename"].Value, J("報告.txt"));
  // Continuations, out of order, some encoded and some not.
  v = ParseParameterized("attachment; filename*1=\".txt\"; filename*0*=utf-8'ja'%E8%A1%A8");
  EXPECT_EQ(v.Params["filename"].Value, J("表.txt"));
  // A raw Shift-JIS name whose second byte is a backslash.
  v = ParseParameterized("attachment; filename=\"" + J("表") + "\"; x=1");
  EXPECT_EQ(v.Params["filename"].Value, J("表"));
  EXPECT_EQ(v.Params["x"].Value, "1");
}

TEST(MimeTransfer, QuotedPrintableAndLenientBase64) {
  EXPECT_EQ(DecodeQuotedPrintable("a=3Db=\r\nc= \r\nd=ZZ="), "a=bcd=ZZ");
  EXPECT_EQ(DecodeBase64Lenient("YW J\r\njY w==\x01"), "abcc");
}

const char kNested[] =
    "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <y@example.jp>\r\n"
    "To: a@example.jp\r\n"
    "Reply-To: r@example.jp\r\n"
    "Subject: =?UTF-8?B?5Lya6K2w?=\r\n"
    "Date: Tue, 05 Mar 2024 09:04:05 +0900\r\n"
    "MIME-Version: 1.0\r\n"
    "Content-Type: multipart/mixed; boundary=\"outer\"\r\n"
    "\r\n"
    "preamble\r\n"
    "--outer\r\n"
    "Content-Type: multipart/alternative; boundary=inner\r\n"
    "\r\n"
    "--inner\r\n"
    "Content-Type: text/plain; charset=utf-8\r\n"
    "Content-Transfer-Encoding: quoted-printable\r\n"
    "\r\n"
    "=E6=9C=AC=E6=96=87=\r\n"
    "です\r\n"
    "--inner\r\n"
    "Content-Type: text/html; charset=utf-8\r\n"
    "\r\n"
    "<p>html</p>\r\n"
    "--inner--\r\n"
    "--outer  \r\n"
    "Content-Type: text/plain; charset=shift_jis\r\n"
    "Content-Disposition: attachment; filename*0*=utf-8''%E5%A0%B1; filename*1=.txt\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "\r\n"
    "gqA=\r\n"
    "--outer\r\n"
    "Content-Type: text/plain; charset=euc-jp\r\n"
    "\r\n"
    "\xA4\xA2\r\n"
    "--outer\r\n"
    "Content-Type: image/png\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "\r\n"
    "iVBORw==\r\n"
    "--outer--\r\n"
    "epilogue\r\n";

TEST(MimeMail, NestedMultipartWithEveryKindOfPart) {
  ReceivedMail m = ParseMail(kNested);
  EXPECT_EQ(m.From, J("山田 <y@example.jp>"));
  EXPECT_EQ(m.To, "a@example.jp");
  EXPECT_TRUE(m.HasReplyTo);
  EXPECT_EQ(m.ReplyTo, "r@example.jp");
  EXPECT_EQ(m.Subject, J("会議"));
  EXPECT_EQ(m.Date, "Tue, 05 Mar 2024 09:04:05 +0900");
  // The plain alternative, then the inline EUC-JP text part.
  EXPECT_EQ(m.Body, J("本文です\r\nあ"));
  ASSERT_EQ(m.Files.size(), 2u);
  EXPECT_EQ(m.Files[0].Name, J("報.txt"));
  EXPECT_EQ(m.Files[0].Data, "\x82\xA0");  // bytes as sent: never converted
  EXPECT_EQ(m.Files[1].Name, "");          // unnamed: SafeFileName names it
  EXPECT_EQ(m.Files[1].Data, "\x89PNG");
}

TEST(MimeMail, SinglePartBodiesInEachCharset) {
  auto body = [](const std::string& headers, const std::string& content) {
    return ParseMail(headers + "\r\n" + content).Body;
  };
  EXPECT_EQ(body("Content-Type: text/plain; charset=ISO-2022-JP\r\n", "\x1b$B$\"\x1b(B\n"), J("あ\r\n"));
  EXPECT_EQ(body("Content-Type: text/plain; charset=\"Shift_JIS\"\r\nContent-Transfer-Encoding: 8bit\r\n", J("表")),
            J("表"));
  EXPECT_EQ(body("Content-Type: text/plain; charset=EUC-JP\r\n", "\xA4\xA2"), J("あ"));
  EXPECT_EQ(body("Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: BASE64\r\n", "44GC\r\n"),
            J("あ"));
  // No charset at all: the encoding is guessed.
  EXPECT_EQ(body("", "\x1b$B$\"\x1b(B"), J("あ"));
  EXPECT_EQ(body("", "plain\rtext\n"), "plain\r\ntext\r\n");
}

TEST(MimeMail, HostileStructureEndsCleanly) {
  // Multiparts nested far deeper than the limit.
  std::string deep;
  for (int i = 0; i < 200; ++i)
    deep += "Content-Type: multipart/mixed; boundary=b" + std::to_string(i) + "\r\n\r\n--b" + std::to_string(i) + "\r\n";
  deep += "Content-Type: text/plain\r\n\r\ndeep\r\n";
  ReceivedMail m = ParseMail(deep);
  EXPECT_EQ(m.Body, "");
  // Thousands of parts: only the first kMaxParts are read.
  std::string many = "Content-Type: multipart/mixed; boundary=x\r\n\r\n";
  for (int i = 0; i < 3000; ++i) many += "--x\r\nContent-Type: application/octet-stream\r\n\r\nz\r\n";
  many += "--x--\r\n";
  EXPECT_LT(ParseMail(many).Files.size(), kMaxParts);
  // A boundary that never closes, a multipart without a boundary, nothing.
  EXPECT_EQ(ParseMail("Content-Type: multipart/mixed; boundary=q\r\n\r\n--q\r\n\r\nopen").Body, "open");
  EXPECT_EQ(ParseMail("Content-Type: multipart/mixed\r\n\r\nx").Files.size(), 1u);
  EXPECT_EQ(ParseMail("").Body, "");
}

TEST(MimeNames, ReducedToASafeBaseName) {
  EXPECT_EQ(SafeFileName("../x"), "x");
  EXPECT_EQ(SafeFileName("../../etc/passwd"), "passwd");
  EXPECT_EQ(SafeFileName("/etc/passwd"), "passwd");
  EXPECT_EQ(SafeFileName("..\\..\\win.ini"), "win.ini");
  EXPECT_EQ(SafeFileName(std::string("a\0b.txt", 7)), "ab.txt");
  EXPECT_EQ(SafeFileName("a\r\nb"), "ab");
  EXPECT_EQ(SafeFileName(""), "attachment");
  EXPECT_EQ(SafeFileName(".."), "attachment");
  EXPECT_EQ(SafeFileName("x/.."), "attachment");
  EXPECT_EQ(SafeFileName("dir/"), "attachment");
  EXPECT_EQ(SafeFileName("a*?:<b>.txt"), "a____b_.txt");
  EXPECT_EQ(SafeFileName("Security.INI"), "_Security.INI");
  // 表 and ソ end in 0x5C: no separator there.
  EXPECT_EQ(SafeFileName(J("フォルダ\\表ソ.txt")), J("表ソ.txt"));
  // The text after the first space, when there is any.
  EXPECT_EQ(SafeFileName(J("山田 報告書.pdf")), J("報告書.pdf"));
  EXPECT_EQ(SafeFileName("name.txt   "), "name.txt");
  EXPECT_EQ(SafeFileName("a b/../c"), "c");
  // Long names are cut on a character boundary, the extension kept.
  std::string longName;
  for (int i = 0; i < 100; ++i) longName += J("あ");
  std::string cut = SafeFileName(longName + ".txt");
  EXPECT_LE(cut.size(), kMaxNameBytes);
  EXPECT_EQ(cut.substr(cut.size() - 4), ".txt");
  EXPECT_EQ(cut.substr(0, 4), J("ああ"));
  EXPECT_EQ((cut.size() - 4) % 2, 0u);
}

TEST(MimeDates, Rfc5322AndObsoleteForms) {
  std::time_t t = 0;
  ASSERT_TRUE(ParseMailDate("Tue, 05 Mar 2024 09:04:05 +0900", t));
  EXPECT_EQ(t, 1709597045);
  ASSERT_TRUE(ParseMailDate("5 Mar 24 00:04 GMT (comment, here)", t));
  EXPECT_EQ(t, 1709597040);
  ASSERT_TRUE(ParseMailDate("Mon, 4 Mar 2024 19:04:05 EST", t));
  EXPECT_EQ(t, 1709597045);
  EXPECT_FALSE(ParseMailDate("yesterday", t));
  EXPECT_FALSE(ParseMailDate("5 Foo 2024 00:00", t));
  EXPECT_FALSE(ParseMailDate("", t));
}

TEST(MimeSummary, TheStoredLayout) {
  setenv("TZ", "UTC", 1);
  tzset();
  ReceivedMail m = ParseMail(kNested);
  std::string text = SummaryText(m, {J("報.txt"), "attachment"});
  EXPECT_EQ(text, J("返信先:r@example.jp\r\n送信者:山田 <y@example.jp>\r\n受信者:a@example.jp\r\n"
                    "日時:2024/03/05 00:04:05\r\n件名:会議\r\n添付ファイル:報.txt\r\n添付ファイル:attachment\r\n"
                    "本文:\r\n\r\n本文です\r\nあ"));
  m.HasReplyTo = false;
  m.Date = "not a date";
  text = SummaryText(m, {});
  EXPECT_EQ(text.substr(0, text.find(J("件名"))), J("送信者:山田 <y@example.jp>\r\n受信者:a@example.jp\r\n日時:not a date\r\n"));
  unsetenv("TZ");
  tzset();
}

}  // namespace
