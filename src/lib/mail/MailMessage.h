// The text of an outgoing mail, built from the mail variables: headers as
// ISO-2022-JP encoded words, the body in ISO-2022-JP, attachments in BASE64
// under a multipart/mixed body. Engine-free: texts in, one message out.
// Texts are CP932 unless a name says otherwise.
#pragma once
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace nokari::mail {

struct Attachment {
  std::string Name;  // file name without folder
  std::string Data;  // the file's bytes
};

struct OutgoingMail {
  std::string From;      // sender address (also Reply-To)
  std::string FromName;  // display name
  std::string To, Cc, Bcc;
  std::string Subject, Body;
  std::vector<Attachment> Files;
  // Filled by the caller so that tests can fix them.
  std::time_t Date = 0;
  int UtcOffsetSeconds = 0;  // of the local zone at Date
  std::string MessageId;     // with its angle brackets
  std::string Boundary;      // multipart boundary, used only with files
};

// The whole message, lines ending in CR LF. Bcc is never written.
std::string BuildMessage(const OutgoingMail& mail);

// Addresses of a recipient list: split at ",", ";" and line ends (not
// inside double quotes or angle brackets), each trimmed, empty ones
// dropped. An item keeps its display name ("山田 <a@b>").
std::vector<std::string> SplitAddressList(std::string_view list);
// The address of one item: what stands inside <> when there is one, else
// the item trimmed.
std::string AddressOf(std::string_view item);
// An address fit for the SMTP envelope: printable ASCII without spaces,
// angle brackets, quotes, commas or semicolons.
bool IsPlainAddress(std::string_view address);
// To, then Cc, then Bcc, the address of each item (duplicates kept out).
std::vector<std::string> EnvelopeRecipients(const OutgoingMail& mail);

// A header text as the mail carries it: every double quote becomes "”",
// line breaks become spaces; the stretch from the first to the last
// space-separated word holding non-ASCII characters becomes ISO-2022-JP
// BASE64 encoded words of at most 75 characters, folded onto continuation
// lines. Pure ASCII stays as it is.
std::string EncodeHeaderText(std::string_view text);
// The same kept on one line (for quoted parameters such as file names).
std::string EncodeHeaderWord(std::string_view text);
// CP932 to ISO-2022-JP as mail wants it: half-width katakana as full-width,
// every run ended by ESC ( B.
std::string ToMailJis(std::string_view text);
// Lines ended by CR LF, whatever ended them before.
std::string CrLfLines(std::string_view text);

// "Tue, 05 Mar 2024 09:04:05 +0900" for `t` in a zone `offset` seconds
// east of UTC.
std::string RfcDate(std::time_t t, int offsetSeconds);
// "<time.pid.random@domain>": the domain of `from` when it has one, else
// `host`, else "localhost".
std::string MakeMessageId(std::time_t t, std::string_view from, std::string_view host, unsigned long long random);

}  // namespace nokari::mail
