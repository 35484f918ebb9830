// HTTP: HTTPダウンロード (GET into a file) and HTTPポスト (a form, the
// reply into それ). Cookies live in memory for the run, shared by every
// request of the engine; credentials come from the URL's user:pass@ and
// travel only as libcurl options (never in a label or an error); redirects
// are followed (at most 10, http and https only); a status of 400 or more
// is a failure.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "core/Errors.h"
#include "lib/file/FileCommon.h"
#include "lib/file/Messages.h"
#include "lib/net/Curl.h"
#include "lib/net/LocalFile.h"
#include "lib/net/Messages.h"
#include "lib/net/Net.h"
#include "lib/net/NetText.h"
#include "lib/net/Sinks.h"
#include "lib/path/Path.h"
#include "lib/text/TextCore.h"

namespace nokari {

using namespace net;

namespace {

constexpr long kMaxRedirects = 10;
constexpr char kUserAgent[] = "Mozilla/3.0 (compatible; Nokari)";
// A download's name when the URL's path names no file.
constexpr char kIndexName[] = "index.html";

// What the engine's requests share: the cookies, the name lookups and the
// open connections (a second request to the same server reuses one).
struct HttpShare {
  CURLSH* Share = curl_share_init();
  HttpShare() {
    curl_share_setopt(Share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_share_setopt(Share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_share_setopt(Share, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
  }
  ~HttpShare() { curl_share_cleanup(Share); }
  HttpShare(const HttpShare&) = delete;
  HttpShare& operator=(const HttpShare&) = delete;
};

// One request: its handle and what must live as long as it.
struct HttpRequest {
  CurlHandle Handle;
  CurlList Headers;
  HeaderLimit Limit;
  std::string Shown;  // the URL without credentials
};

// The handle for `url` (CP932, as the script wrote it).
void Prepare(TNokaBase& e, HttpRequest& r, const std::string& url) {
  UrlCredentials parts = SplitCredentials(url);
  r.Shown = parts.Url;
  r.Handle = NewHandle();
  CURL* h = r.Handle.get();
  std::string wire = WireUrl(parts.Url);
  curl_easy_setopt(h, CURLOPT_URL, wire.c_str());
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(h, CURLOPT_SHARE, FamilyState<HttpShare>(e).Share);
  curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");  // the cookie engine on, nothing read from disk
  curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
  Append(r.Headers, "Accept: text/html, */*");
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, r.Headers.get());
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  LimitHeaders(h, r.Limit);
  if (parts.HasUser) {
    std::string user = ToUtf8(parts.User), password = ToUtf8(parts.Password);
    curl_easy_setopt(h, CURLOPT_USERNAME, user.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, password.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
  }
}

// The request ran to its end with a reply that is no error.
bool Succeeded(CURL* h, CURLcode code) {
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  return code == CURLE_OK && status < 400;
}

// Why a request failed: the server's status ("404 Not Found") when it
// answered with an error, else what the transfer knows.
std::string WhyFailed(const HttpRequest& r, const Transfer& t, CURLcode code) {
  long status = 0;
  curl_easy_getinfo(r.Handle.get(), CURLINFO_RESPONSE_CODE, &status);
  if (code != CURLE_OK || status < 400) return t.Explain(r.Handle.get(), code);
  std::string text = HttpStatusText(r.Limit.StatusLine);
  return FormatMessage(Sj(msg::kHttpStatus), {text.empty() ? std::to_string(status) : text});
}

// A URL as a script may hold it, read from a file or a cell: blanks and
// line ends around it are no part of it.
std::string UrlArg(TNokaBase& e) { return text::TrimBlanks(PopArgValue(e)); }

}  // namespace

// HTTPダウンロード: URL, local file (or a folder, which takes the URL's
// file name). The reply goes to a temporary file beside the target, which
// replaces the target only when the reply is complete and no error.
void CmdHttpDownload(TNokaBase& e) {
  std::string local = PopArgValue(e);
  std::string url = UrlArg(e);
  HttpRequest r;
  r.Shown = SplitCredentials(url).Url;
  auto fail = [&](const std::string& reason) { RaiseError(e, msg::kHttpDownloadFailed, {r.Shown, reason}); };
  if (Transfer::Busy()) fail(Sj(msg::kTransferRunning));
  std::string suggested = UrlBaseName(r.Shown);
  std::string name = DownloadName(local, suggested.empty() ? std::string(kIndexName) : suggested);
  CheckedTarget target = TargetOf(name);
  if (Refused(e, msg::kAskWrite, {name}, {&target})) return;
  if (!Usable(target)) fail(Sj(msg::kNoLocalFolder));
  DownloadFile file(target.Folder(), target.Leaf());
  if (file.Fd() < 0) fail(FromNativeName(std::strerror(errno)));
  Prepare(e, r, url);
  CURL* h = r.Handle.get();
  FdSink sink{file.Fd()};
  ReceiveInto(h, sink);
  curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 256L * 1024);
  Transfer t(e, FormatMessage(Sj(msg::kHttpGetting), {r.Shown}));
  CURLcode code = t.Perform(h);
  if (!Succeeded(h, code)) fail(WhyFailed(r, t, code));
  if (sink.Failed || !file.Commit(true)) fail(FromNativeName(std::strerror(errno)));
  t.Finish();
}

// HTTPポスト: form lines, URL. それ is the reply's body, bytes as they came.
void CmdHttpPost(TNokaBase& e) {
  std::string url = UrlArg(e);
  std::string form = PopArgValue(e);
  HttpRequest r;
  r.Shown = SplitCredentials(url).Url;
  if (Transfer::Busy()) RaiseError(e, msg::kHttpPostFailed, {r.Shown, Sj(msg::kTransferRunning)});
  Prepare(e, r, url);
  CURL* h = r.Handle.get();
  std::string body = EncodeForm(form);
  curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(h, CURLOPT_COPYPOSTFIELDS, body.c_str());
  Append(r.Headers, "Content-Type: application/x-www-form-urlencoded");
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, r.Headers.get());
  MemorySink sink(kBodyCap);
  ReceiveInto(h, sink);
  Transfer t(e, FormatMessage(Sj(msg::kHttpPosting), {r.Shown}));
  CURLcode code = t.Perform(h);
  if (!Succeeded(h, code)) RaiseError(e, msg::kHttpPostFailed, {r.Shown, WhyFailed(r, t, code)});
  t.Finish();
  SetSoreTyped(e, std::move(sink.Data), "s");
}

}  // namespace nokari
