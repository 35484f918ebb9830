#include "lib/mail/MailMessage.h"

#include <cstdio>

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "lib/japanese/Convert.h"

namespace nokari::mail {
namespace {

constexpr std::string_view kWordStart = "=?ISO-2022-JP?B?";
constexpr std::string_view kWordEnd = "?=";
// An encoded word may be 75 characters long: 57 of them are left for the
// BASE64 text, which carries 42 bytes of JIS (escapes included).
constexpr size_t kMaxJisPerWord = 42;
// Base64 lines of an attachment (RFC 2045 allows 76).
constexpr size_t kBase64Line = 76;
// SMTP refuses lines longer than 998 bytes; a body with one goes as BASE64.
constexpr size_t kMaxLine = 998;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trim(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && IsBlank(s[a])) ++a;
  while (b > a && IsBlank(s[b - 1])) --b;
  return std::string(s.substr(a, b - a));
}

// Double quotes become "”" and line breaks spaces, so a header value can
// neither close a quoted string nor start a header of its own.
std::string HeaderSafe(std::string_view text) {
  std::string out;
  const std::string& quote = Sj("”");
  for (size_t i = 0; i < text.size();) {
    size_t n = CharLenAt(text, i);
    char c = text[i];
    if (n == 1 && c == '"')
      out += quote;
    else if (n == 1 && (c == '\r' || c == '\n' || c == '\0'))
      out += ' ';
    else
      out.append(text.substr(i, n));
    i += n;
  }
  return out;
}

// Encoded words for `run`, each holding whole characters and at most
// kMaxJisPerWord bytes of JIS.
std::vector<std::string> EncodedWords(std::string_view run) {
  std::vector<std::string> words;
  size_t start = 0;
  while (start < run.size()) {
    size_t end = start;
    std::string jis;
    for (size_t next = end; next < run.size();) {
      next += CharLenAt(run, next);
      std::string candidate = ToMailJis(run.substr(start, next - start));
      if (candidate.size() > kMaxJisPerWord && end > start) break;
      jis = std::move(candidate);
      end = next;
    }
    words.push_back(std::string(kWordStart) + Base64Encode(jis) + std::string(kWordEnd));
    start = end;
  }
  return words;
}

// The text split into its plain head, the stretch to encode and its plain
// tail, at spaces: encoded words must stand apart from other text.
struct Stretch {
  std::string_view Head, Middle, Tail;
};
Stretch FindStretch(std::string_view text) {
  size_t first = std::string_view::npos, last = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) < 0x80) continue;
    if (first == std::string_view::npos) first = i;
    last = i;
  }
  if (first == std::string_view::npos) return {text, {}, {}};
  size_t begin = text.rfind(' ', first);
  begin = begin == std::string_view::npos ? 0 : begin + 1;
  size_t end = text.find(' ', last + 1);
  if (end == std::string_view::npos) end = text.size();
  return {text.substr(0, begin), text.substr(begin, end - begin), text.substr(end)};
}

std::string Encode(std::string_view text, const char* between) {
  std::string safe = HeaderSafe(text);
  Stretch s = FindStretch(safe);
  if (s.Middle.empty()) return safe;
  std::string out(s.Head);
  bool first = true;
  for (const std::string& word : EncodedWords(s.Middle)) {
    if (!first) out += between;
    out += word;
    first = false;
  }
  out += s.Tail;
  return out;
}

// "名前 <addr>" for a header: the name encoded, or quoted when plain
// ASCII holds characters with a meaning in addresses.
std::string DisplayAddress(std::string_view name, std::string_view address) {
  std::string shownName = Trim(name);
  if (shownName.size() >= 2 && shownName.front() == '"' && shownName.back() == '"')
    shownName = shownName.substr(1, shownName.size() - 2);
  if (shownName.empty()) return std::string(address);
  std::string encoded = EncodeHeaderText(shownName);
  if (encoded == shownName && shownName.find_first_of("()<>[]:;@\\,.\"") != std::string::npos) {
    std::string quoted = "\"";
    for (char c : shownName) {
      if (c == '\\') quoted += '\\';
      quoted += c;
    }
    encoded = quoted + "\"";
  }
  return encoded + " <" + std::string(address) + ">";
}

// One recipient item as a header shows it.
std::string HeaderAddress(std::string_view item) {
  std::string address = AddressOf(item);
  size_t open = item.find('<');
  if (open == std::string_view::npos) return address;
  return DisplayAddress(item.substr(0, open), address);
}

// A header of addresses, folded after each comma.
std::string AddressHeader(const char* name, std::string_view list) {
  std::string out;
  for (const std::string& item : SplitAddressList(list)) {
    out += out.empty() ? std::string(name) + ": " : ",\r\n ";
    out += HeaderAddress(item);
  }
  return out.empty() ? out : out + "\r\n";
}

std::string FoldedBase64(std::string_view data) {
  std::string encoded = Base64Encode(data);
  std::string out;
  out.reserve(encoded.size() + encoded.size() / kBase64Line * 2 + 2);
  for (size_t i = 0; i < encoded.size(); i += kBase64Line) out.append(encoded, i, kBase64Line).append("\r\n");
  return out;
}

bool HasLongLine(std::string_view text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    if (end - start > kMaxLine) return true;
    start = end + 2;
  }
  return false;
}

// The body part's headers and text.
std::string TextPart(std::string_view body) {
  std::string jis = ToMailJis(CrLfLines(body));
  std::string out = "Content-Type: text/plain; charset=\"ISO-2022-JP\"\r\n";
  if (HasLongLine(jis)) return out + "Content-Transfer-Encoding: base64\r\n\r\n" + FoldedBase64(jis);
  out += "Content-Transfer-Encoding: 7bit\r\n\r\n" + jis;
  if (jis.size() < 2 || jis.compare(jis.size() - 2, 2, "\r\n") != 0) out += "\r\n";
  return out;
}

std::string AttachmentPart(const Attachment& file) {
  std::string name = EncodeHeaderWord(file.Name);
  return "Content-Type: application/octet-stream; name=\"" + name +
         "\"\r\n"
         "Content-Transfer-Encoding: base64\r\n"
         "Content-Disposition: attachment; filename=\"" +
         name + "\"\r\n\r\n" + FoldedBase64(file.Data);
}

const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

std::string ToMailJis(std::string_view text) {
  std::string jis = SjisToJis(text);
  static const std::string toRoman = "\x1b(J";
  for (size_t at = jis.find(toRoman); at != std::string::npos; at = jis.find(toRoman, at + 3)) jis[at + 2] = 'B';
  return jis;
}

std::string CrLfLines(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\r\n";
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string EncodeHeaderText(std::string_view text) { return Encode(text, "\r\n "); }

std::string EncodeHeaderWord(std::string_view text) { return Encode(text, " "); }

std::vector<std::string> SplitAddressList(std::string_view list) {
  std::vector<std::string> items;
  std::string current;
  bool quoted = false, angle = false;
  auto flush = [&] {
    std::string item = Trim(current);
    if (!item.empty()) items.push_back(std::move(item));
    current.clear();
  };
  for (size_t i = 0; i < list.size();) {
    size_t n = CharLenAt(list, i);
    char c = list[i];
    if (n == 1 && c == '"' && !angle) quoted = !quoted;
    if (n == 1 && !quoted) {
      if (c == '<') angle = true;
      if (c == '>') angle = false;
    }
    bool separator = n == 1 && (c == '\r' || c == '\n' || (!quoted && !angle && (c == ',' || c == ';')));
    if (separator) {
      if (c == '\r' || c == '\n') quoted = angle = false;
      flush();
    } else {
      current.append(list.substr(i, n));
    }
    i += n;
  }
  flush();
  return items;
}

std::string AddressOf(std::string_view item) {
  size_t open = item.rfind('<');
  if (open != std::string_view::npos) {
    size_t close = item.find('>', open);
    return Trim(item.substr(open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1));
  }
  return Trim(item);
}

bool IsPlainAddress(std::string_view address) {
  if (address.empty()) return false;
  for (char c : address) {
    auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F || c == '<' || c == '>' || c == '"' || c == ',' || c == ';' || c == '\\') return false;
  }
  return true;
}

std::vector<std::string> EnvelopeRecipients(const OutgoingMail& mail) {
  std::vector<std::string> out;
  for (const std::string* list : {&mail.To, &mail.Cc, &mail.Bcc})
    for (const std::string& item : SplitAddressList(*list)) {
      std::string address = AddressOf(item);
      bool seen = false;
      for (const std::string& have : out) seen = seen || have == address;
      if (!seen) out.push_back(std::move(address));
    }
  return out;
}

std::string RfcDate(std::time_t t, int offsetSeconds) {
  std::time_t shifted = t + offsetSeconds;
  std::tm tm{};
  gmtime_r(&shifted, &tm);
  int offsetMinutes = offsetSeconds / 60;
  char sign = offsetMinutes < 0 ? '-' : '+';
  if (offsetMinutes < 0) offsetMinutes = -offsetMinutes;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d %c%02d%02d", kDays[tm.tm_wday], tm.tm_mday,
                kMonths[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec, sign, offsetMinutes / 60,
                offsetMinutes % 60);
  return buf;
}

std::string MakeMessageId(std::time_t t, std::string_view from, std::string_view host, unsigned long long random) {
  std::string domain;
  std::string address = AddressOf(from);
  size_t at = address.rfind('@');
  if (at != std::string::npos) domain = address.substr(at + 1);
  if (!IsPlainAddress(domain)) domain = std::string(host);
  if (!IsPlainAddress(domain) || domain.find('@') != std::string::npos) domain = "localhost";
  char buf[64];
  std::snprintf(buf, sizeof buf, "<%lld.%llx@", static_cast<long long>(t), random);
  return buf + domain + ">";
}

std::string BuildMessage(const OutgoingMail& mail) {
  std::string out;
  std::string from = AddressOf(mail.From);
  if (!from.empty()) {
    out += "From: " + DisplayAddress(mail.FromName, from) + "\r\n";
    out += "Reply-To: " + from + "\r\n";
  }
  out += AddressHeader("To", mail.To);
  out += AddressHeader("Cc", mail.Cc);
  out += "Subject: " + EncodeHeaderText(mail.Subject) + "\r\n";
  out += "Date: " + RfcDate(mail.Date, mail.UtcOffsetSeconds) + "\r\n";
  out += "Message-ID: " + mail.MessageId + "\r\n";
  out += "MIME-Version: 1.0\r\n";
  out += "X-Mailer: " + EncodeHeaderText(Sj("日本語プログラム言語「のかり」")) + "\r\n";
  if (mail.Files.empty()) return out + TextPart(mail.Body);
  const std::string& b = mail.Boundary;
  out += "Content-Type: multipart/mixed; boundary=\"" + b + "\"\r\n\r\n";
  out += "This is a multi-part message in MIME format.\r\n";
  out += "\r\n--" + b + "\r\n" + TextPart(mail.Body);
  for (const Attachment& file : mail.Files) out += "\r\n--" + b + "\r\n" + AttachmentPart(file);
  out += "\r\n--" + b + "--\r\n";
  return out;
}

}  // namespace nokari::mail
