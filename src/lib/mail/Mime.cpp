#include "lib/mail/Mime.h"

#include <algorithm>
#include <cstdio>

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "lib/japanese/Convert.h"
#include "lib/mail/MailMessage.h"
#include "lib/path/Path.h"

namespace nokari::mail {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view TrimView(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && IsBlank(s[a])) ++a;
  while (b > a && IsBlank(s[b - 1])) --b;
  return s.substr(a, b - a);
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && Lower(a) == Lower(b); }

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "%XX" escapes of an RFC 2231 value.
std::string PercentDecode(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    int hi = -1, lo = -1;
    if (s[i] == '%' && i + 2 < s.size() && (hi = HexValue(s[i + 1])) >= 0 && (lo = HexValue(s[i + 2])) >= 0) {
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// Latin-1 bytes as UTF-8.
std::string Latin1ToUtf8(std::string_view s) {
  std::string out;
  for (char c : s) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

// Text with no charset named: UTF-8 when it reads as such, else whichever
// Japanese encoding the bytes show.
std::string GuessToCp932(std::string_view bytes) {
  if (IsAscii(bytes) && bytes.find('\x1b') == std::string_view::npos) return std::string(bytes);
  if (IsValidUtf8(bytes) && LooksLikeUtf8Text(bytes)) return ConvertCode(bytes, kCodeUtf8, kCodeSjis);
  return ConvertDetected(bytes, kCodeSjis);
}

// Header text without control characters (a tab becomes a space).
std::string Printable(std::string text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    auto u = static_cast<unsigned char>(c);
    if (c == '\t' || c == '\r' || c == '\n')
      out += ' ';
    else if (u >= 0x20 && u != 0x7F)
      out += c;
  }
  return out;
}

// One RFC 2047 word at `at`: its charset, its decoded bytes and its end.
bool ReadEncodedWord(std::string_view s, size_t at, std::string& charset, std::string& bytes, size_t& end) {
  size_t q1 = s.find('?', at + 2);
  if (q1 == std::string_view::npos || q1 - at > 64 || q1 + 3 >= s.size() || s[q1 + 2] != '?') return false;
  char enc = s[q1 + 1];
  if (enc != 'B' && enc != 'b' && enc != 'Q' && enc != 'q') return false;
  size_t close = s.find("?=", q1 + 3);
  if (close == std::string_view::npos) return false;
  std::string_view cs = s.substr(at + 2, q1 - at - 2);
  for (char c : cs)
    if (IsBlank(c)) return false;
  cs = cs.substr(0, cs.find('*'));  // RFC 2231 language suffix
  std::string_view text = s.substr(q1 + 3, close - q1 - 3);
  if (enc == 'B' || enc == 'b') {
    bytes = DecodeBase64Lenient(text);
  } else {
    std::string underscored(text);
    std::replace(underscored.begin(), underscored.end(), '_', ' ');
    bytes = DecodeQuotedPrintable(underscored);
  }
  charset = Lower(cs);
  end = close + 2;
  return true;
}

bool AllBlank(std::string_view s) {
  for (char c : s)
    if (!IsBlank(c)) return false;
  return true;
}

// Splits a multipart body at its boundary lines; the line break before a
// boundary line belongs to the boundary. Preamble and epilogue are left out.
std::vector<std::string_view> SplitMultipart(std::string_view body, std::string_view boundary) {
  std::vector<std::string_view> parts;
  std::string delimiter = "--" + std::string(boundary);
  bool inPart = false;
  size_t partStart = 0;
  size_t pos = 0;
  while (pos < body.size()) {
    size_t nl = body.find('\n', pos);
    size_t lineEnd = nl == std::string_view::npos ? body.size() : nl;
    size_t next = nl == std::string_view::npos ? body.size() : nl + 1;
    std::string_view line = body.substr(pos, lineEnd - pos);
    if (line.size() >= delimiter.size() && line.compare(0, delimiter.size(), delimiter) == 0) {
      std::string_view rest = TrimView(line.substr(delimiter.size()));
      if (rest.empty() || rest == "--") {
        if (inPart) {
          size_t end = pos;
          if (end > partStart && body[end - 1] == '\n') --end;
          if (end > partStart && body[end - 1] == '\r') --end;
          parts.push_back(body.substr(partStart, end - partStart));
          if (parts.size() >= kMaxParts) return parts;
        }
        if (rest == "--") return parts;
        inPart = true;
        partStart = next;
      }
    }
    pos = next;
  }
  if (inPart && partStart < body.size()) parts.push_back(body.substr(partStart));
  return parts;
}

struct Walker {
  ReceivedMail& mail;
  std::vector<std::string> texts;
  size_t entities = 0;

  std::string FieldValue(const std::vector<HeaderField>& fields, std::string_view name) {
    const HeaderField* f = FindField(fields, name);
    return f ? f->Value : std::string();
  }

  std::string FileNameOf(const ParsedValue& disposition, const ParsedValue& type) {
    for (const auto* params : {&disposition.Params, &type.Params}) {
      auto it = params->find(params == &disposition.Params ? "filename" : "name");
      if (it == params->end()) continue;
      return it->second.Extended ? it->second.Value : DecodeHeaderText(it->second.Value);
    }
    return {};
  }

  void Entity(std::string_view entity, int depth) {
    size_t bodyStart = 0;
    std::vector<HeaderField> fields = ParseHeaders(entity, bodyStart);
    Walk(fields, entity.substr(bodyStart), depth);
  }

  void Walk(const std::vector<HeaderField>& fields, std::string_view body, int depth) {
    if (++entities > kMaxParts) return;
    ParsedValue type = ParseParameterized(FieldValue(fields, "Content-Type"));
    if (type.Type.empty()) type.Type = "text/plain";
    if (type.Type.compare(0, 10, "multipart/") == 0) {
      auto boundary = type.Params.find("boundary");
      if (boundary != type.Params.end() && !boundary->second.Value.empty()) {
        if (depth >= kMaxDepth) return;
        Multipart(type.Type, body, boundary->second.Value, depth + 1);
        return;
      }
    }
    Leaf(fields, type, body);
  }

  void Multipart(const std::string& kind, std::string_view body, const std::string& boundary, int depth) {
    std::vector<std::string_view> children = SplitMultipart(body, boundary);
    if (kind != "multipart/alternative") {
      for (std::string_view child : children) Entity(child, depth);
      return;
    }
    // One of the alternatives: the plain text where there is one.
    for (std::string_view child : children) {
      size_t bodyStart = 0;
      std::vector<HeaderField> fields = ParseHeaders(child, bodyStart);
      std::string childType = ParseParameterized(FieldValue(fields, "Content-Type")).Type;
      if (childType.empty() || childType == "text/plain") {
        Walk(fields, child.substr(bodyStart), depth);
        return;
      }
    }
    if (!children.empty()) Entity(children.front(), depth);
  }

  void Leaf(const std::vector<HeaderField>& fields, const ParsedValue& type, std::string_view body) {
    std::string encoding = Lower(TrimView(FieldValue(fields, "Content-Transfer-Encoding")));
    std::string data = encoding == "base64"             ? DecodeBase64Lenient(body)
                       : encoding == "quoted-printable" ? DecodeQuotedPrintable(body)
                                                        : std::string(body);
    ParsedValue disposition = ParseParameterized(FieldValue(fields, "Content-Disposition"));
    std::string name = FileNameOf(disposition, type);
    bool text = type.Type.compare(0, 5, "text/") == 0;
    if (disposition.Type == "attachment" || !name.empty() || !text) {
      if (name.empty() && type.Type == "message/rfc822") name = "message.eml";
      mail.Files.push_back({std::move(name), std::move(data)});
      return;
    }
    auto charset = type.Params.find("charset");
    texts.push_back(CrLfLines(ToCp932(data, charset == type.Params.end() ? "" : charset->second.Value)));
  }
};

// "+0900", "-0500", "GMT", "JST" ... as seconds east of UTC.
bool ZoneOffset(std::string_view zone, long& offset) {
  if (zone.size() == 5 && (zone[0] == '+' || zone[0] == '-')) {
    for (size_t i = 1; i < 5; ++i)
      if (zone[i] < '0' || zone[i] > '9') return false;
    long hours = (zone[1] - '0') * 10 + (zone[2] - '0');
    long minutes = (zone[3] - '0') * 10 + (zone[4] - '0');
    offset = (hours * 3600 + minutes * 60) * (zone[0] == '-' ? -1 : 1);
    return true;
  }
  static const struct {
    const char* name;
    int hours;
  } kZones[] = {{"UT", 0},   {"UTC", 0},  {"GMT", 0},  {"Z", 0},    {"EST", -5}, {"EDT", -4},
                {"CST", -6}, {"CDT", -5}, {"MST", -7}, {"MDT", -6}, {"PST", -8}, {"PDT", -7}, {"JST", 9}};
  for (const auto& z : kZones)
    if (EqualNoCase(zone, z.name)) {
      offset = z.hours * 3600L;
      return true;
    }
  return false;
}

bool ReadNumber(std::string_view s, int& value) {
  if (s.empty() || s.size() > 4) return false;
  value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

}  // namespace

std::vector<HeaderField> ParseHeaders(std::string_view entity, size_t& bodyStart) {
  std::vector<HeaderField> fields;
  bool dropping = false;  // the field being continued was not kept
  size_t pos = 0;
  bodyStart = entity.size();
  while (pos < entity.size()) {
    size_t nl = entity.find('\n', pos);
    size_t next = nl == std::string_view::npos ? entity.size() : nl + 1;
    std::string_view line = entity.substr(pos, (nl == std::string_view::npos ? entity.size() : nl) - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) {
      bodyStart = next;
      return fields;
    }
    if (line[0] == ' ' || line[0] == '\t') {
      if (!dropping && !fields.empty()) {
        std::string& value = fields.back().Value;
        if (value.size() < kMaxHeaderBytes) value.append(line.substr(0, kMaxHeaderBytes - value.size()));
      }
    } else {
      size_t colon = line.find(':');
      dropping = colon == std::string_view::npos || colon == 0 || fields.size() >= kMaxFields;
      if (!dropping) {
        std::string_view value = line.substr(colon + 1);
        while (!value.empty() && (value[0] == ' ' || value[0] == '\t')) value.remove_prefix(1);
        fields.push_back({std::string(TrimView(line.substr(0, std::min(colon, kMaxHeaderBytes)))),
                          std::string(value.substr(0, kMaxHeaderBytes))});
      }
    }
    pos = next;
  }
  return fields;
}

const HeaderField* FindField(const std::vector<HeaderField>& fields, std::string_view name) {
  for (const HeaderField& f : fields)
    if (EqualNoCase(f.Name, name)) return &f;
  return nullptr;
}

ParsedValue ParseParameterized(std::string_view value) {
  ParsedValue out;
  // Pieces split at ";" outside quoted strings, quotes removed.
  std::vector<std::string> pieces;
  std::string current;
  bool quoted = false;
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (quoted && IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < value.size() && value[i + 1] == '\\') {
      current.append(value.substr(i, 2));  // a raw Shift-JIS name: 表 ends in 0x5C
      ++i;
    } else if (quoted && c == '\\' && i + 1 < value.size()) {
      current += value[++i];
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ';' && !quoted) {
      pieces.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
  }
  pieces.push_back(std::move(current));
  out.Type = Lower(TrimView(pieces.front()));
  // RFC 2231 sections by parameter: index -> (text, percent-encoded).
  std::map<std::string, std::map<int, std::pair<std::string, bool>>> sections;
  for (size_t i = 1; i < pieces.size(); ++i) {
    const std::string& piece = pieces[i];
    size_t eq = piece.find('=');
    if (eq == std::string::npos) continue;
    std::string key = Lower(TrimView(std::string_view(piece).substr(0, eq)));
    std::string text(TrimView(std::string_view(piece).substr(eq + 1)));
    size_t star = key.find('*');
    if (star == std::string::npos) {
      out.Params.emplace(key, ParamValue{std::move(text), false});
      continue;
    }
    std::string base = key.substr(0, star);
    std::string_view rest = std::string_view(key).substr(star + 1);
    bool encoded = !rest.empty() && rest.back() == '*';
    if (encoded) rest.remove_suffix(1);
    int index = 0;
    if (rest.empty()) {
      encoded = true;  // "name*=" alone
    } else if (!ReadNumber(rest, index)) {
      continue;
    }
    if (sections[base].size() < 1000) sections[base][index] = {std::move(text), encoded};
  }
  for (auto& [base, parts] : sections) {
    std::string charset, bytes;
    bool first = true;
    for (auto& [index, part] : parts) {
      std::string_view text = part.first;
      if (part.second && first) {
        size_t q1 = text.find('\'');
        size_t q2 = q1 == std::string_view::npos ? q1 : text.find('\'', q1 + 1);
        if (q2 != std::string_view::npos) {
          charset = std::string(text.substr(0, q1));
          text = text.substr(q2 + 1);
        }
      }
      bytes += part.second ? PercentDecode(text) : std::string(text);
      first = false;
    }
    out.Params[base] = ParamValue{ToCp932(bytes, charset), true};
  }
  return out;
}

std::string DecodeQuotedPrintable(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    char c = s[i];
    if (c != '=') {
      out += c;
      ++i;
      continue;
    }
    int hi = i + 1 < s.size() ? HexValue(s[i + 1]) : -1;
    int lo = i + 2 < s.size() ? HexValue(s[i + 2]) : -1;
    if (hi >= 0 && lo >= 0) {
      out += static_cast<char>(hi * 16 + lo);
      i += 3;
      continue;
    }
    // A soft line break: "=" with only blanks up to the line end.
    size_t j = i + 1;
    while (j < s.size() && (s[j] == ' ' || s[j] == '\t')) ++j;
    if (j < s.size() && s[j] == '\r') ++j;
    if (j < s.size() && s[j] == '\n') {
      i = j + 1;
      continue;
    }
    if (j == s.size()) break;
    out += c;
    ++i;
  }
  return out;
}

std::string DecodeBase64Lenient(std::string_view text) {
  std::string clean;
  clean.reserve(text.size());
  for (char c : text)
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/') clean += c;
  if (clean.size() % 4 == 1) clean.pop_back();  // a lone last character carries no byte
  std::string out;
  Base64Decode(clean, out);
  return out;
}

std::string ToCp932(std::string_view bytes, std::string_view charset) {
  std::string cs = Lower(TrimView(charset));
  if (cs.size() >= 2 && cs.front() == '"' && cs.back() == '"') cs = cs.substr(1, cs.size() - 2);
  if (cs.compare(0, 11, "iso-2022-jp") == 0 || cs == "csiso2022jp" || cs == "jis")
    return ConvertCode(bytes, kCodeJisNew, kCodeSjis);
  if (cs == "shift_jis" || cs == "shift-jis" || cs == "sjis" || cs == "x-sjis" || cs == "cp932" ||
      cs == "windows-31j" || cs == "ms932" || cs == "ms_kanji" || cs == "csshiftjis")
    return std::string(bytes);
  if (cs == "euc-jp" || cs == "x-euc-jp" || cs == "eucjp" || cs == "cseucpkdfmtjapanese")
    return ConvertCode(bytes, kCodeEuc, kCodeSjis);
  if (cs == "utf-8" || cs == "utf8") {
    if (IsValidUtf8(bytes)) return ConvertCode(bytes, kCodeUtf8, kCodeSjis);
    return GuessToCp932(bytes);
  }
  if (cs == "iso-8859-1" || cs == "latin1" || cs == "iso_8859-1" || cs == "windows-1252" || cs == "us-ascii") {
    if (IsAscii(bytes)) return std::string(bytes);
    if (cs != "us-ascii") return ConvertCode(Latin1ToUtf8(bytes), kCodeUtf8, kCodeSjis);
  }
  return GuessToCp932(bytes);
}

std::string DecodeHeaderText(std::string_view value) {
  std::string out, pendingCharset, pendingBytes;
  bool pending = false;
  auto flush = [&] {
    if (pending) out += ToCp932(pendingBytes, pendingCharset);
    pending = false;
    pendingBytes.clear();
  };
  size_t plainStart = 0, search = 0;
  for (;;) {
    size_t at = value.find("=?", search);
    if (at == std::string_view::npos) break;
    std::string charset, bytes;
    size_t end = 0;
    if (!ReadEncodedWord(value, at, charset, bytes, end)) {
      search = at + 2;
      continue;
    }
    std::string_view between = value.substr(plainStart, at - plainStart);
    if (!(pending && AllBlank(between))) {
      flush();
      out += GuessToCp932(between);
    }
    // Adjacent words of one charset are decoded together: a character
    // may be split between them.
    if (pending && charset != pendingCharset) flush();
    pendingCharset = charset;
    pendingBytes += bytes;
    pending = true;
    plainStart = search = end;
  }
  flush();
  out += GuessToCp932(value.substr(plainStart));
  return Printable(std::move(out));
}

ReceivedMail ParseMail(std::string_view raw) {
  ReceivedMail mail;
  size_t bodyStart = 0;
  std::vector<HeaderField> fields = ParseHeaders(raw, bodyStart);
  auto text = [&](const char* name) {
    const HeaderField* f = FindField(fields, name);
    return f ? std::string(TrimView(DecodeHeaderText(f->Value))) : std::string();
  };
  mail.HasReplyTo = FindField(fields, "Reply-To") != nullptr;
  mail.ReplyTo = text("Reply-To");
  mail.From = text("From");
  mail.To = text("To");
  mail.Subject = text("Subject");
  if (const HeaderField* date = FindField(fields, "Date")) mail.Date = std::string(TrimView(date->Value));
  Walker walker{mail, {}, 0};
  walker.Walk(fields, raw.substr(bodyStart), 0);
  for (const std::string& t : walker.texts) {
    if (!mail.Body.empty() && mail.Body.compare(mail.Body.size() - 2, 2, "\r\n") != 0) mail.Body += "\r\n";
    mail.Body += t;
  }
  return mail;
}

std::string SafeFileName(std::string_view name) {
  std::string s(name);
  size_t space = s.find(' ');
  if (space != std::string::npos) {
    std::string after(TrimView(std::string_view(s).substr(space + 1)));
    if (!after.empty()) s = after;
  }
  size_t sep = LastSeparator(s);
  if (sep != std::string::npos) s = s.substr(sep + 1);
  std::string clean;
  for (size_t i = 0; i < s.size();) {
    size_t n = CharLenAt(s, i);
    auto c = static_cast<unsigned char>(s[i]);
    if (n == 2)
      clean.append(s, i, 2);
    else if (c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA1) && c < 0xE0)
      clean += std::string_view(":*?\"<>|").find(static_cast<char>(c)) == std::string_view::npos ? static_cast<char>(c)
                                                                                              : '_';
    i += n;
  }
  s = std::string(TrimView(clean));
  if (s.size() > kMaxNameBytes) {
    std::string ext = ExtensionPart(s);
    if (ext.size() > 16) ext.clear();
    size_t keep = 0;
    while (keep < s.size() && keep + CharLenAt(s, keep) + ext.size() <= kMaxNameBytes) keep += CharLenAt(s, keep);
    s = s.substr(0, keep) + ext;
  }
  if (s.empty() || s == "." || s == "..") s = "attachment";
  if (Lower(s) == "security.ini") s = "_" + s;
  return s;
}

bool ParseMailDate(std::string_view text, std::time_t& utc) {
  std::vector<std::string_view> tokens;
  int comment = 0;
  size_t start = std::string_view::npos;
  for (size_t i = 0; i <= text.size(); ++i) {
    char c = i < text.size() ? text[i] : ' ';
    bool cut = comment > 0 || c == ' ' || c == '\t' || c == ',' || c == '(' || c == ')' || c == '\r' || c == '\n';
    if (c == '(') ++comment;
    if (c == ')' && comment > 0) --comment;
    if (cut) {
      if (start != std::string_view::npos) tokens.push_back(text.substr(start, i - start));
      start = std::string_view::npos;
    } else if (start == std::string_view::npos) {
      start = i;
    }
  }
  static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};
  size_t t = 0;
  if (t < tokens.size() && !tokens[t].empty() && !(tokens[t][0] >= '0' && tokens[t][0] <= '9')) ++t;  // weekday
  if (tokens.size() < t + 4) return false;
  std::tm tm{};
  int day = 0, year = 0;
  if (!ReadNumber(tokens[t], day) || !ReadNumber(tokens[t + 2], year)) return false;
  int month = -1;
  std::string mon = Lower(tokens[t + 1].substr(0, 3));
  for (int m = 0; m < 12; ++m)
    if (mon == kMonths[m]) month = m;
  if (month < 0 || day < 1 || day > 31) return false;
  if (tokens[t + 2].size() <= 2) year += year < 50 ? 2000 : 1900;
  else if (tokens[t + 2].size() == 3) year += 1900;
  int hms[3] = {0, 0, 0};
  std::string_view clock = tokens[t + 3];
  for (int k = 0; k < 3 && !clock.empty(); ++k) {
    size_t colon = clock.find(':');
    if (!ReadNumber(clock.substr(0, colon), hms[k])) return false;
    clock = colon == std::string_view::npos ? std::string_view() : clock.substr(colon + 1);
  }
  if (hms[0] > 23 || hms[1] > 59 || hms[2] > 60) return false;
  long offset = 0;
  if (tokens.size() > t + 4 && !ZoneOffset(tokens[t + 4], offset)) offset = 0;
  tm.tm_year = year - 1900;
  tm.tm_mon = month;
  tm.tm_mday = day;
  tm.tm_hour = hms[0];
  tm.tm_min = hms[1];
  tm.tm_sec = hms[2];
  utc = timegm(&tm) - offset;
  return true;
}

std::string LocalDateText(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

std::string SummaryText(const ReceivedMail& mail, const std::vector<std::string>& fileNames) {
  std::string out;
  const std::string crlf = "\r\n";
  if (mail.HasReplyTo) out += Sj("返信先:") + mail.ReplyTo + crlf;
  out += Sj("送信者:") + mail.From + crlf;
  out += Sj("受信者:") + mail.To + crlf;
  std::time_t when = 0;
  std::string date = ParseMailDate(mail.Date, when) ? LocalDateText(when) : DecodeHeaderText(mail.Date);
  out += Sj("日時:") + date + crlf;
  out += Sj("件名:") + mail.Subject + crlf;
  for (const std::string& name : fileNames) out += Sj("添付ファイル:") + name + crlf;
  out += Sj("本文:") + crlf + crlf + mail.Body;
  return out;
}

}  // namespace nokari::mail
