// Reading a received mail: headers (RFC 5322 with RFC 2047 words), MIME
// bodies (multipart at any depth, BASE64, quoted-printable, 7bit/8bit),
// text in ISO-2022-JP, Shift-JIS, EUC-JP or UTF-8 turned into CP932, and
// attachments with their names (RFC 2047 or RFC 2231). Engine-free.
//
// The mail comes from a peer nobody vouches for: every header is cut at
// kMaxHeaderBytes, at most kMaxFields headers and kMaxParts parts are
// read, multiparts nest at most kMaxDepth deep; whatever lies beyond is
// left out, never an error.
#pragma once
#include <cstddef>
#include <ctime>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace nokari::mail {

constexpr size_t kMaxHeaderBytes = 64 * 1024;
constexpr size_t kMaxFields = 1000;
constexpr size_t kMaxParts = 1000;
constexpr int kMaxDepth = 32;

struct HeaderField {
  std::string Name;   // as written
  std::string Value;  // unfolded, raw bytes
};
// The header block of an entity and where its body starts.
std::vector<HeaderField> ParseHeaders(std::string_view entity, size_t& bodyStart);
// The first field of that name (ASCII case-insensitive), or nullptr.
const HeaderField* FindField(const std::vector<HeaderField>& fields, std::string_view name);

// "type/subtype; key=value; ..." with the type lower-cased and parameter
// names lower-cased; RFC 2231 parameters (name*=charset''text, name*0*=...)
// are joined, decoded and turned into CP932; plain values keep their bytes.
struct ParamValue {
  std::string Value;
  bool Extended = false;  // came from the RFC 2231 form (already CP932)
};
struct ParsedValue {
  std::string Type;
  std::map<std::string, ParamValue> Params;
};
ParsedValue ParseParameterized(std::string_view value);

// Header text (RFC 2047 words in any charset, B or Q, plain text in any
// Japanese encoding) to CP932. Whitespace between two encoded words goes.
std::string DecodeHeaderText(std::string_view value);
// Bytes in the named charset (empty: detected) to CP932.
std::string ToCp932(std::string_view bytes, std::string_view charset);
std::string DecodeQuotedPrintable(std::string_view text);
// BASE64 with anything outside the alphabet skipped.
std::string DecodeBase64Lenient(std::string_view text);

struct ReceivedFile {
  std::string Name;  // decoded, CP932, as the mail names it (not yet made safe)
  std::string Data;
};
struct ReceivedMail {
  bool HasReplyTo = false;
  std::string ReplyTo, From, To, Subject;  // CP932
  std::string Date;                        // the Date header as written
  std::string Body;                        // CP932, lines ended by CR LF
  std::vector<ReceivedFile> Files;
};
ReceivedMail ParseMail(std::string_view raw);

// A received file's name as it may be stored: the text after its first
// space when there is one (the whole name when nothing follows it), cut
// to the name after its last "/" or "\", without control characters,
// never "." or "..", at most kMaxNameBytes bytes (its extension kept), and
// "attachment" when nothing is left. A name that would be read as the
// security policy's own file gets a leading "_".
constexpr size_t kMaxNameBytes = 80;  // 240 bytes at most as a UTF-8 file name
std::string SafeFileName(std::string_view name);

// RFC 5322 dates ("Tue, 5 Mar 2024 09:04:05 +0900", obsolete zone names
// too) as UTC. False when the text is no date.
bool ParseMailDate(std::string_view text, std::time_t& utc);
// "yyyy/mm/dd hh:mm:ss" in local time.
std::string LocalDateText(std::time_t t);

// The summary text stored beside the mail: 返信先 (only when present),
// 送信者, 受信者, 日時, 件名, one 添付ファイル line a name, then 本文.
std::string SummaryText(const ReceivedMail& mail, const std::vector<std::string>& fileNames);

}  // namespace nokari::mail
