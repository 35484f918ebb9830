#include "lib/net/Ftp.h"

#include <unistd.h>

#include <functional>

#include "core/Encoding.h"
#include "lib/net/FtpText.h"
#include "lib/net/NetText.h"
#include "lib/net/Sinks.h"

namespace nokari::net {
namespace {

bool Refused421(const FtpSession& s) { return s.Replies.LastRefusal.rfind("421", 0) == 0; }

// The connection broke, or the server said it is closing it (421).
bool ConnectionBroke(const FtpSession& s, CURLcode code) {
  switch (code) {
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
      return true;
    default:
      return Refused421(s);
  }
}

// A request that failed on a connection kept from before, which the server
// had closed meanwhile. A request on a connection of its own failed for
// real.
bool FoundClosed(FtpSession& s, CURLcode code) {
  long connects = 0;
  curl_easy_getinfo(s.Handle.get(), CURLINFO_NUM_CONNECTS, &connects);
  return connects == 0 && ConnectionBroke(s, code);
}

// Performs the request; when it found the kept connection closed, once more
// on a new one after `rewind` put its data back to the start (false: it
// cannot, and the failure stands).
CURLcode Run(Transfer& t, FtpSession& s, const std::function<bool()>& rewind = {}) {
  CURL* h = s.Handle.get();
  CURLcode code = t.Perform(h, s.Multi.get());
  if (code == CURLE_OK || t.Stopped() || !FoundClosed(s, code)) return code;
  if (rewind && !rewind()) return code;
  s.Multi.reset(curl_multi_init());  // the closed connection goes with the old cache
  s.Replies.LastRefusal.clear();
  return t.Perform(h, s.Multi.get());
}

}  // namespace

void FtpSession::Close() {
  Multi.reset();  // sends QUIT on the open connection
  Handle.reset();
  Folder = std::string(1, '/');  // (a literal here trips a false -Wrestrict in GCC 12)
  ClosePending = false;
}

CURL* Request(FtpSession& s, const std::string& urlPath) {
  CURL* h = s.Handle.get();
  curl_easy_reset(h);  // keeps the open connection
  SetDefaults(h);
  std::string url = "ftp://" + s.Authority + urlPath;
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "ftp");
  if (!s.User.empty()) {
    curl_easy_setopt(h, CURLOPT_USERNAME, s.User.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, s.Password.c_str());
  }
  // Active mode: the server connects back to the address our control
  // connection comes from.
  curl_easy_setopt(h, CURLOPT_FTPPORT, s.Passive ? nullptr : "-");
  curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
  curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, kStallSeconds);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  s.Replies.LastRefusal.clear();
  KeepReplies(h, s.Replies);
  return h;
}

CURLcode Connect(Transfer& t, FtpSession& s) {
  CURL* h = Request(s, "/");
  curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  CURLcode code = t.Perform(h, s.Multi.get());
  if (code != CURLE_OK) return code;
  // The folder the server starts us in, as its PWD told it.
  char* entry = nullptr;
  curl_easy_getinfo(h, CURLINFO_FTP_ENTRY_PATH, &entry);
  std::string path = entry ? entry : "";
  if (IsValidUtf8(path)) path = FromUtf8(path);
  s.Folder = !path.empty() && path[0] == '/' ? ResolveRemote("/", path) : "/";
  return CURLE_OK;
}

CURLcode Probe(Transfer& t, FtpSession& s, const std::string& folder) {
  CURL* h = Request(s, RemoteUrlPath(folder, true));
  curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  return Run(t, s);
}

CURLcode Quote(Transfer& t, FtpSession& s, const std::vector<std::string>& commands) {
  CURL* h = Request(s, "/");
  CurlList list;
  for (const std::string& command : commands) Append(list, command);
  curl_easy_setopt(h, CURLOPT_QUOTE, list.get());
  curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  return Run(t, s);
}

CURLcode Upload(Transfer& t, FtpSession& s, int fd, long long size, const std::string& path) {
  CURL* h = Request(s, RemoteUrlPath(path, false));
  FdSource source{fd};
  SendFrom(h, source);
  curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
  curl_easy_setopt(h, CURLOPT_TRANSFERTEXT, s.Binary ? 0L : 1L);
  CURLcode code = Run(t, s, [&] {
    source.Failed = false;
    return lseek(fd, 0, SEEK_SET) == 0;
  });
  return code == CURLE_OK && source.Failed ? CURLE_READ_ERROR : code;
}

CURLcode Download(Transfer& t, FtpSession& s, const std::string& path, int fd) {
  CURL* h = Request(s, RemoteUrlPath(path, false));
  FdSink sink{fd};
  ReceiveInto(h, sink);
  curl_easy_setopt(h, CURLOPT_TRANSFERTEXT, s.Binary ? 0L : 1L);
  CURLcode code = Run(t, s, [&] {
    sink.Failed = false;
    return ftruncate(fd, 0) == 0 && lseek(fd, 0, SEEK_SET) == 0;
  });
  return code == CURLE_OK && sink.Failed ? CURLE_WRITE_ERROR : code;
}

CURLcode List(Transfer& t, FtpSession& s, const std::string& folder, bool namesOnly, const std::string& command,
              std::string& out) {
  CURL* h = Request(s, RemoteUrlPath(folder, true));
  MemorySink sink(kListingCap);
  ReceiveInto(h, sink);
  if (namesOnly) curl_easy_setopt(h, CURLOPT_DIRLISTONLY, 1L);
  if (!command.empty()) curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, command.c_str());
  CURLcode code = Run(t, s, [&] {
    sink.Data.clear();
    sink.Over = false;
    return true;
  });
  out = std::move(sink.Data);
  return code;
}

bool Unreachable(const FtpSession& s, CURLcode code) {
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_LOGIN_DENIED:
    case CURLE_OPERATION_TIMEDOUT:
      return true;
    default:
      return ConnectionBroke(s, code);
  }
}

std::string FailureReason(const Transfer& t, const FtpSession& s, CURLcode code) {
  if (t.Stopped() || s.Replies.LastRefusal.empty()) return t.Explain(s.Handle.get(), code);
  return PeerText(s.Replies.LastRefusal);
}

}  // namespace nokari::net
