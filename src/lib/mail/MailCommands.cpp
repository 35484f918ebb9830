// Mail: メール送信 over SMTP and メール受信 over POP3, through libcurl with
// our own message text (lib/mail/MailMessage.h) and our own reading of
// what arrives (lib/mail/Mime.h).
//
// メールホスト may name a port: "host:port" ("[::1]:2525" for IPv6);
// without one SMTP uses 25 (465: TLS from the start) and POP3 110. SMTP
// logs in only when メールID is set and the server offers it, then with
// STARTTLS when offered; POP3 is plain. Peers are not trusted: a received
// mail may be at
// most kMaxMailBytes long, every wait on the network ends after
// TimeoutSeconds() without progress, and the password never reaches a
// URL or an error text (libcurl gets it as an option of its own).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>

#include "core/Encoding.h"
#include "core/Errors.h"
#include "core/Progress.h"
#include "lib/file/FileCommon.h"
#include "lib/file/FileOps.h"
#include "lib/mail/MailMessage.h"
#include "lib/mail/Messages.h"
#include "lib/mail/Mime.h"
#include "lib/net/Curl.h"
#include "lib/net/Messages.h"  // kBadHostName, shared with FTP
#include "lib/net/NetText.h"
#include "lib/net/Sinks.h"
#include "lib/path/Path.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {
namespace {

// The largest mail received (and the largest attachment sent): far above
// what mail servers accept, far below what would strain the memory.
constexpr size_t kMaxMailBytes = 64u << 20;
// A LIST answer longer than this is no mailbox listing.
constexpr size_t kMaxListBytes = 1u << 20;
constexpr long kDefaultTimeout = 60;

// Seconds a server may stay silent: 60, or NOKARI_MAIL_TIMEOUT (1..3600)
// for tests and slow links.
long TimeoutSeconds() {
  if (const char* text = std::getenv("NOKARI_MAIL_TIMEOUT")) {
    long value = std::strtol(text, nullptr, 10);
    if (value >= 1 && value <= 3600) return value;
  }
  return kDefaultTimeout;
}

std::string Trim(const std::string& s) { return TrimName(s); }

std::string Reason(const char* message, std::initializer_list<std::string_view> args = {}) {
  return FormatMessage(Sj(message), args);
}

[[noreturn]] void SendError(TNokaBase& e, const std::string& reason) {
  RaiseError(e, msg::kMailSendError, {reason});
}

[[noreturn]] void ReceiveError(TNokaBase& e, const std::string& reason) {
  RaiseError(e, msg::kMailReceiveError, {reason});
}

// "scheme://host:port/" for the setting (CP932), or "" when it names no
// host we would connect to (a path, credentials, spaces, non-ASCII).
std::string ServerUrl(const std::string& setting, const char* scheme, int defaultPort) {
  std::string host = Trim(setting), port;
  for (char c : host) {
    auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F || std::strchr("/\\?#@%\"<>{}|^`", c)) return {};
  }
  if (!host.empty() && host[0] == '[') {
    size_t close = host.find(']');
    if (close == std::string::npos) return {};
    if (close + 1 < host.size()) {
      if (host[close + 1] != ':') return {};
      port = host.substr(close + 2);
    }
    host = host.substr(0, close + 1);
  } else if (size_t colon = host.find(':'); colon != std::string::npos) {
    if (host.find(':', colon + 1) != std::string::npos) {
      host = "[" + host + "]";  // a bare IPv6 address
    } else {
      port = host.substr(colon + 1);
      host = host.substr(0, colon);
    }
  }
  if (host.empty() || host == "[]") return {};
  long number = defaultPort;
  if (!port.empty()) {
    if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) return {};
    number = std::strtol(port.c_str(), nullptr, 10);
    if (number < 1 || number > 65535) return {};
  }
  return std::string(scheme) + "://" + host + ":" + std::to_string(number) + "/";
}

// What both protocols set: only their own protocol, and time-outs so that
// a silent or stalled peer cannot hold the script.
void SetCommonOptions(CURL* h, const char* protocol) {
  long timeout = TimeoutSeconds();
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, protocol);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, timeout < 30 ? timeout : 30L);
  curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeout);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, timeout);
}

// Lets window events run for `ms` (the pause after each step the user
// watches in the progress window).
void Pause(TNokaBase& e, int ms) {
  if (e.Services.Pump)
    e.Services.Pump->Wait(std::chrono::milliseconds(ms), [] { return false; });
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    std::string line = Trim(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (!line.empty()) out.push_back(std::move(line));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

unsigned long long RandomNumber() {
  static std::mt19937_64 engine{std::random_device{}()};
  return engine();
}

// --- Sending ------------------------------------------------------------------

// The attachments of メール添付ファイル, read whole.
std::vector<mail::Attachment> ReadAttachments(TNokaBase& e) {
  std::vector<mail::Attachment> files;
  for (const std::string& line : Lines(VarValue(e, "メール添付ファイル"))) {
    std::string path = ResolveReadName(e, line);
    std::string native = NativePath(path);
    struct stat st {};
    if (stat(native.c_str(), &st) != 0) SendError(e, Reason(msg::kMailNoAttachment, {path}));
    mail::Attachment file{FileNamePart(path), {}};
    if (!S_ISREG(st.st_mode) || static_cast<size_t>(st.st_size) > kMaxMailBytes ||
        !ReadWholeFile(native, file.Data))
      SendError(e, Sj(msg::kMailBuildFailed));
    files.push_back(std::move(file));
  }
  return files;
}

mail::OutgoingMail MailFromVariables(TNokaBase& e) {
  mail::OutgoingMail m;
  m.From = VarValue(e, "メール送信元");
  m.FromName = VarValue(e, "メール送信者名");
  m.To = VarValue(e, "メール送信先");
  m.Cc = VarValue(e, "メールCC");
  m.Bcc = VarValue(e, "メールBCC");
  m.Subject = VarValue(e, "メールタイトル");
  m.Body = VarValue(e, "メール本文");
  m.Files = ReadAttachments(e);
  m.Date = std::time(nullptr);
  std::tm local{};
  localtime_r(&m.Date, &local);
  m.UtcOffsetSeconds = static_cast<int>(local.tm_gmtoff);
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) host[0] = '\0';
  m.MessageId = mail::MakeMessageId(m.Date, m.From, host, RandomNumber());
  char boundary[64];
  std::snprintf(boundary, sizeof boundary, "=_NokariPart_%016llx%08llx", RandomNumber(), RandomNumber() & 0xFFFFFFFF);
  m.Boundary = boundary;
  return m;
}

// The SMTP server: "smtp://host:port/", or "smtps://" for port 465, where
// TLS comes first (submission on 587 and plain 25 upgrade with STARTTLS
// when the server offers it).
std::string SmtpUrl(const std::string& setting) {
  std::string url = ServerUrl(setting, "smtp", 25);
  if (url.size() > 5 && url.compare(url.size() - 5, 5, ":465/") == 0) url.insert(4, "s");
  return url;
}

// メールID and メールパスワード, when set, log in (SMTP AUTH) on servers that
// offer it; a server that does not is sent the mail without. A login goes
// over TLS whenever the server offers STARTTLS (the certificate verified);
// without a login the mail goes as it always did, so a server with a
// certificate nobody can verify still takes it.
class SmtpLogin {
 public:
  SmtpLogin(TNokaBase& e, CURL* h) : user_(ToUtf8(Trim(VarValue(e, "メールID")))),
                                     password_(ToUtf8(VarValue(e, "メールパスワード"))) {
    if (user_.empty()) return;
    curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl_easy_setopt(h, CURLOPT_USERNAME, user_.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, password_.c_str());
  }
  ~SmtpLogin() { std::fill(password_.begin(), password_.end(), '\0'); }
  // The handle without the login; false when it had none.
  bool Drop(CURL* h) {
    if (user_.empty()) return false;
    curl_easy_setopt(h, CURLOPT_USERNAME, nullptr);
    curl_easy_setopt(h, CURLOPT_PASSWORD, nullptr);
    return true;
  }
  SmtpLogin(const SmtpLogin&) = delete;
  SmtpLogin& operator=(const SmtpLogin&) = delete;

 private:
  std::string user_, password_;
};

// libcurl's words for a refused step ("RCPT failed: 550") with the
// server's own explanation after its code ("550 5.1.1 User unknown").
std::string WithServerWords(const std::string& reason, const std::string& refusal) {
  if (refusal.empty()) return reason;
  std::string words = net::PeerText(refusal);
  std::string code = words.substr(0, 3);
  if (reason.size() >= 3 && reason.compare(reason.size() - 3, 3, code) == 0) return reason + words.substr(3);
  return reason + ": " + words;
}

// The message text handed to libcurl piece by piece.
struct Upload {
  const std::string* Text;
  size_t Sent = 0;
  net::Transfer* Progress;
  bool Started = false;
};

size_t ReadUpload(char* buffer, size_t size, size_t count, void* data) {
  auto* up = static_cast<Upload*>(data);
  if (!up->Started) {  // the server took the envelope: the message goes now
    up->Started = true;
    up->Progress->SetLabel(Sj(msg::kMailSending));
  }
  size_t n = std::min(size * count, up->Text->size() - up->Sent);
  std::memcpy(buffer, up->Text->data() + up->Sent, n);
  up->Sent += n;
  return n;
}

// The message sent once more from its start, on a new connection (the
// old one is left in the middle of its session).
bool SentAgain(net::Transfer& transfer, CURL* h, Upload& up, net::ServerReplies& replies) {
  up.Sent = 0;
  up.Started = false;
  replies.LastRefusal.clear();
  curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 1L);
  return transfer.Perform(h) == CURLE_OK;
}

// メール送信: one message from the mail variables.
void CmdSendMail(TNokaBase& e) {
  std::string host = VarValue(e, "メールホスト");
  if (Trim(host).empty()) SendError(e, Sj(msg::kMailNoHost));
  if (Trim(VarValue(e, "メール送信先")).empty()) SendError(e, Sj(msg::kMailNoRecipient));
  if (VarValue(e, "メール本文").empty()) SendError(e, Sj(msg::kMailNoBody));
  // A mail from nobody is bounced or quarantined by every real server.
  if (Trim(VarValue(e, "メール送信元")).empty()) SendError(e, Sj(msg::kMailNoSender));
  if (net::Transfer::Busy()) SendError(e, Reason(msg::kMailSendFailed, {Sj(msg::kMailBusy)}));
  std::string url = SmtpUrl(host);
  if (url.empty()) SendError(e, Reason(msg::kBadHostName, {Trim(host)}));

  mail::OutgoingMail m = MailFromVariables(e);
  std::string from = mail::AddressOf(m.From);
  if (!mail::IsPlainAddress(from)) SendError(e, Reason(msg::kMailBadAddress, {from}));
  std::vector<std::string> recipients = mail::EnvelopeRecipients(m);
  for (const std::string& to : recipients)
    if (!mail::IsPlainAddress(to)) SendError(e, Reason(msg::kMailBadAddress, {to}));
  if (recipients.empty()) SendError(e, Sj(msg::kMailNoRecipient));
  std::string text = mail::BuildMessage(m);

  net::Transfer transfer(e, Sj(msg::kMailConnecting));
  net::CurlHandle handle = net::NewHandle();
  CURL* h = handle.get();
  SetCommonOptions(h, "smtp,smtps");
  net::CurlList rcpt;
  for (const std::string& to : recipients) net::Append(rcpt, "<" + to + ">");
  std::string mailFrom = "<" + from + ">";
  Upload up{&text, 0, &transfer};
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_MAIL_FROM, mailFrom.c_str());
  curl_easy_setopt(h, CURLOPT_MAIL_RCPT, rcpt.get());
  curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(h, CURLOPT_READFUNCTION, &ReadUpload);
  curl_easy_setopt(h, CURLOPT_READDATA, &up);
  curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(text.size()));
  SmtpLogin login(e, h);
  net::ServerReplies replies;
  net::KeepReplies(h, replies);
  CURLcode code = transfer.Perform(h);
  if (code != CURLE_OK) {
    curl_off_t connected = 0;
    curl_easy_getinfo(h, CURLINFO_CONNECT_TIME_T, &connected);
    if (connected == 0 && !transfer.Stopped()) SendError(e, Sj(msg::kMailConnectFailed));
    std::string reason = transfer.Reason(code);
    if (!transfer.Stopped()) reason = WithServerWords(reason, replies.LastRefusal);
    // メールID often holds the POP3 login alone; a server that refuses it
    // may still take the mail without one, as it did before logins were
    // sent. When it does not, the refused login is the reason given.
    if (code != CURLE_LOGIN_DENIED || !login.Drop(h) || !SentAgain(transfer, h, up, replies))
      SendError(e, Reason(msg::kMailSendFailed, {reason}));
  }
  transfer.Finish();
  transfer.SetLabel(Sj(msg::kMailSent));
  Pause(e, 100);
}

// --- Receiving ----------------------------------------------------------------

// What a transfer writes, up to a limit.
struct Sink {
  std::string Data;
  size_t Limit;
  bool Overflow = false;
};

size_t WriteSink(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  size_t n = size * count;
  if (sink->Data.size() + n > sink->Limit) {
    sink->Overflow = true;
    return 0;  // ends the transfer with a write error
  }
  sink->Data.append(data, n);
  return n;
}

// Message numbers and sizes of a LIST answer.
struct Listed {
  std::string Number;
  unsigned long long Size = 0;
};
std::vector<Listed> ParseList(const std::string& text) {
  std::vector<Listed> out;
  for (const std::string& line : Lines(text)) {
    size_t space = line.find(' ');
    std::string number = line.substr(0, space);
    if (number.empty() || number.size() > 9 || number.find_first_not_of("0123456789") != std::string::npos)
      continue;
    unsigned long long size = space == std::string::npos ? 0 : std::strtoull(line.c_str() + space + 1, nullptr, 10);
    out.push_back({number, size});
  }
  return out;
}

bool Exists(int folder, const std::string& native) {
  struct stat st {};
  return fstatat(folder, native.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
}

// Creates the entry, which must not exist yet (a link there is not
// followed), with exactly `data`; nothing is left behind on failure.
bool WriteNew(int folder, const std::string& native, std::string_view data) {
  int fd = openat(folder, native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  int saved = errno;
  bool ok = done == data.size() && close(fd) == 0;
  if (!ok) {
    if (done != data.size()) close(fd);
    unlinkat(folder, native.c_str(), 0);
    errno = saved ? saved : EIO;
  }
  return ok;
}

// Saves an attachment under `name`, with "_" put in front while the name
// is taken.
bool SaveAttachment(int folder, std::string name, std::string_view data) {
  for (int tries = 0; tries < 200; ++tries, name = "_" + name) {
    std::string native = ToNativeName(name);
    if (Exists(folder, native)) continue;
    if (WriteNew(folder, native, data)) return true;
    if (errno != EEXIST) return false;
  }
  errno = EEXIST;
  return false;
}

// Saves the summary and the raw mail as the first free pair
// NNNNNNNN.txt / NNNNNNNN.eml, counting on from `next`.
bool SaveMessage(int folder, unsigned& next, std::string_view summary, std::string_view raw) {
  for (; next < 100000000u; ++next) {
    char base[16];
    std::snprintf(base, sizeof base, "%08u", next);
    std::string txt = std::string(base) + ".txt", eml = std::string(base) + ".eml";
    if (Exists(folder, txt) || Exists(folder, eml)) continue;
    if (!WriteNew(folder, txt, summary)) {
      if (errno == EEXIST) continue;
      return false;
    }
    if (!WriteNew(folder, eml, raw)) {
      int saved = errno;
      unlinkat(folder, txt.c_str(), 0);
      if (saved == EEXIST) continue;
      errno = saved;
      return false;
    }
    ++next;
    return true;
  }
  errno = EEXIST;
  return false;
}

// Stores one received mail; false with errno set on failure.
bool StoreMail(int folder, unsigned& next, const std::string& raw) {
  mail::ReceivedMail m = mail::ParseMail(raw);
  std::vector<std::string> names;
  for (mail::ReceivedFile& file : m.Files) {
    std::string name = mail::SafeFileName(file.Name);
    names.push_back(name);
    if (!SaveAttachment(folder, name, file.Data)) return false;
  }
  // The summary is a Shift-JIS file: a character it has no form for is 〓
  // there (the .eml keeps it).
  return SaveMessage(folder, next, ShiftJisFileForm(mail::SummaryText(m, names)), raw);
}

// The receiving folder: relative names lie in 母艦のパス.
std::string ReceiveFolder(TNokaBase& e, std::string folder) {
  folder = Trim(folder);
  if (!IsAbsoluteName(folder) && folder.find(':') == std::string::npos)
    folder = JoinName(VarValue(e, "母艦のパス"), folder);
  return folder;
}

// One POP3 session on one handle, so that deletions are committed by the
// QUIT libcurl sends when the handle goes.
class Pop3Session {
 public:
  Pop3Session(TNokaBase& e, net::Transfer& transfer, std::string url)
      : e_(e), transfer_(transfer), url_(std::move(url)), handle_(net::NewHandle()) {
    CURL* h = handle_.get();
    SetCommonOptions(h, "pop3");
    user_ = VarValue(e, "メールID");
    password_ = VarValue(e, "メールパスワード");
    curl_easy_setopt(h, CURLOPT_USERNAME, user_.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, password_.c_str());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &WriteSink);
  }
  ~Pop3Session() { std::fill(password_.begin(), password_.end(), '\0'); }

  std::vector<Listed> List() {
    Sink sink{{}, kMaxListBytes};
    CURLcode code = Run("", sink);
    if (code != CURLE_OK) ReceiveError(e_, transfer_.Reason(code));
    return ParseList(sink.Data);
  }

  std::string Retrieve(const Listed& item) {
    if (item.Size > kMaxMailBytes) TooLarge(item);
    Sink sink{{}, kMaxMailBytes};
    sink.Data.reserve(item.Size);  // the server's word, already held to the limit
    CURLcode code = Run(item.Number, sink);
    if (sink.Overflow) TooLarge(item);
    if (code != CURLE_OK)
      ReceiveError(e_, Reason(msg::kMailRetrieveFailed, {item.Number}) + transfer_.Reason(code));
    // libcurl takes a server hanging up in the middle of a mail for its
    // end; the session is then gone, which the next command shows.
    if (!StillConnected()) ReceiveError(e_, Reason(msg::kMailRetrieveFailed, {item.Number}) + Sj(msg::kMailCutShort));
    return std::move(sink.Data);
  }

  void Delete(const Listed& item) {
    Sink sink{{}, kMaxListBytes};
    CURLcode code = Run(item.Number, sink, "DELE");
    if (code != CURLE_OK) ReceiveError(e_, Reason(msg::kMailReceiveFailed, {transfer_.Reason(code)}));
  }

 private:
  // `command`: a command without an answer body (DELE, NOOP) instead of
  // LIST or RETR.
  CURLcode Run(const std::string& number, Sink& sink, const char* command = nullptr) {
    CURL* h = handle_.get();
    std::string url = url_ + number;
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, command);
    curl_easy_setopt(h, CURLOPT_NOBODY, command ? 1L : 0L);
    return transfer_.Perform(h);
  }

  // A NOOP on the session: false when it fails or libcurl had to connect
  // afresh for it (the server had closed the session).
  bool StillConnected() {
    Sink sink{{}, kMaxListBytes};
    CURLcode code = Run("", sink, "NOOP");
    long connects = 0;
    curl_easy_getinfo(handle_.get(), CURLINFO_NUM_CONNECTS, &connects);
    return code == CURLE_OK && connects == 0;
  }

  [[noreturn]] void TooLarge(const Listed& item) {
    ReceiveError(e_, Reason(msg::kMailTooLarge, {item.Number, std::to_string(kMaxMailBytes)}));
  }

  TNokaBase& e_;
  net::Transfer& transfer_;
  std::string url_, user_, password_;
  net::CurlHandle handle_;
};

// メール受信: every mail on the server into the folder.
void CmdReceiveMail(TNokaBase& e) {
  std::string folder = ReceiveFolder(e, PopArgValue(e));
  CheckedTarget target = TargetOf(folder);
  if (Refused(e, msg::kMailAskReceive, {folder}, {&target})) return;
  if (!target.IsOpen() || target.Leaf().empty() || !target.MakeFolders(true))
    ReceiveError(e, Sj(msg::kMailNoFolder));
  UniqueFd dir(openat(target.Folder(), target.Leaf().c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (dir.Get() < 0) ReceiveError(e, Sj(msg::kMailNoFolder));

  std::string host = VarValue(e, "メールホスト");
  if (Trim(host).empty()) ReceiveError(e, Sj(msg::kMailNoHost));
  if (VarValue(e, "メールID").empty()) ReceiveError(e, Sj(msg::kMailNoUserId));
  if (VarValue(e, "メールパスワード").empty()) ReceiveError(e, Sj(msg::kMailNoPassword));
  if (net::Transfer::Busy()) ReceiveError(e, Reason(msg::kMailReceiveFailed, {Sj(msg::kMailBusy)}));
  std::string url = ServerUrl(host, "pop3", 110);
  if (url.empty()) ReceiveError(e, Reason(msg::kBadHostName, {Trim(host)}));
  bool deleting = ToNumber(VarValue(e, "メールサーバーから削除")) != 0;

  net::Transfer transfer(e, Sj(msg::kMailReceiveConnecting));
  IProgressService& progress = ProgressOf(e.Services);
  progress.SetPosition(0, 100);
  Pop3Session session(e, transfer, url);
  std::vector<Listed> listed = session.List();
  std::string count = std::to_string(listed.size());
  transfer.SetLabel(Reason(msg::kMailCount, {count}));
  unsigned next = 1;
  for (size_t i = 0; i < listed.size(); ++i) {
    progress.SetPosition(0, 100);
    transfer.SetLabel(Reason(msg::kMailReceiving, {std::to_string(i + 1), count}));
    std::string raw = session.Retrieve(listed[i]);
    if (!StoreMail(dir.Get(), next, raw))
      ReceiveError(e, Reason(msg::kMailCannotStore, {listed[i].Number, FromNativeName(std::strerror(errno))}));
    if (deleting) session.Delete(listed[i]);
    progress.SetPosition(100, 100);
    Pause(e, 10);
  }
}

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::メール送信, CmdSendMail},
    {Id::メール受信, CmdReceiveMail},
};

constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/mail/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kMailFamily{"mail", kCommands, kMessages};

}  // namespace nokari
