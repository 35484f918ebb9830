#include "lib/net/Curl.h"

#include <cerrno>
#include <cstdlib>

#include "core/Encoding.h"
#include "core/Engine.h"
#include "core/Progress.h"
#include "lib/net/Messages.h"

namespace nokari::net {
namespace {

bool busy = false;

// libcurl wants its global set-up done once, before any handle.
void InitOnce() {
  static const bool done = [] {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    return true;
  }();
  (void)done;
}

// How often the window system runs during a transfer: often enough for the
// stop button and a moving bar, rarely enough to cost nothing.
constexpr auto kPumpEvery = std::chrono::milliseconds(20);
// The longest wait of a transfer driven on a multi handle (milliseconds).
constexpr long kPollAtMost = 5;

}  // namespace

CurlHandle NewHandle() {
  InitOnce();
  CurlHandle handle(curl_easy_init());
  SetDefaults(handle.get());
  return handle;
}

void SetDefaults(CURL* h) {
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 30L);
  // The certificate authorities: the system's, unless the environment names
  // others the way OpenSSL and curl(1) read it (a private CA, the tests').
  // libcurl itself reads no environment, and its built-in bundle would hide
  // OpenSSL's own reading of SSL_CERT_FILE.
  for (const char* name : {"CURL_CA_BUNDLE", "SSL_CERT_FILE"}) {
    const char* file = std::getenv(name);
    if (file && *file) {
      curl_easy_setopt(h, CURLOPT_CAINFO, file);
      break;
    }
  }
  if (const char* dir = std::getenv("SSL_CERT_DIR"); dir && *dir) curl_easy_setopt(h, CURLOPT_CAPATH, dir);
}

void Append(CurlList& list, const std::string& text) {
  curl_slist* grown = curl_slist_append(list.get(), text.c_str());
  if (grown) {
    (void)list.release();
    list.reset(grown);
  }
}

Transfer::Transfer(TNokaBase& e, const std::string& label, bool stoppable) : e_(e) {
  busy = true;
  std::function<void()> stop;
  if (stoppable) stop = [this] { stopped_ = true; };
  ProgressOf(e_.Services).Open(label, std::move(stop));
}

Transfer::~Transfer() {
  ProgressOf(e_.Services).Close();
  busy = false;
}

void Transfer::SetLabel(const std::string& label) { ProgressOf(e_.Services).SetLabel(label); }

void Transfer::Finish() { ProgressOf(e_.Services).SetPosition(100, 100); }

bool Transfer::Busy() { return busy; }

void Transfer::Hook(CURL* handle) {
  errorText_[0] = '\0';
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText_);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &Transfer::OnProgress);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
}

CURLcode Transfer::Perform(CURL* handle) {
  Hook(handle);
  CURLcode code = curl_easy_perform(handle);
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, nullptr);
  return code;
}

CURLcode Transfer::Perform(CURL* handle, CURLM* multi) {
  Hook(handle);
  CURLcode code = CURLE_FAILED_INIT;
  if (curl_multi_add_handle(multi, handle) == CURLM_OK) {
    int running = 1;
    while (curl_multi_perform(multi, &running) == CURLM_OK && running) {
      long wait = -1;
      curl_multi_timeout(multi, &wait);
      if (wait < 0 || wait > kPollAtMost) wait = kPollAtMost;
      curl_multi_poll(multi, nullptr, 0, static_cast<int>(wait), nullptr);
    }
    int left = 0;
    while (CURLMsg* m = curl_multi_info_read(multi, &left))
      if (m->msg == CURLMSG_DONE && m->easy_handle == handle) code = m->data.result;
    curl_multi_remove_handle(multi, handle);
  }
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, nullptr);
  return code;
}

std::string Transfer::Reason(CURLcode code) const {
  if (stopped_) return Sj("中止");
  std::string text = errorText_[0] ? errorText_ : curl_easy_strerror(code);
  return FromUtf8(text);
}

std::string Transfer::Explain(CURL* handle, CURLcode code) const {
  if (stopped_) return Reason(code);
  if (code == CURLE_COULDNT_RESOLVE_HOST) return Sj(msg::kNetHostNotFound);
  long osError = 0;
  curl_easy_getinfo(handle, CURLINFO_OS_ERRNO, &osError);
  if (code == CURLE_COULDNT_CONNECT && osError == ECONNREFUSED) return Sj(msg::kNetRefused);
  return Reason(code);
}

int Transfer::OnProgress(void* self, curl_off_t downTotal, curl_off_t downNow, curl_off_t upTotal,
                         curl_off_t upNow) {
  auto* transfer = static_cast<Transfer*>(self);
  if (upTotal > 0 && downTotal <= 0)
    ProgressOf(transfer->e_.Services).SetPosition(upNow, upTotal);
  else
    ProgressOf(transfer->e_.Services).SetPosition(downNow, downTotal);
  transfer->LetEventsRun();
  return transfer->stopped_ ? 1 : 0;  // non-zero aborts the transfer
}

void Transfer::LetEventsRun() {
  auto now = std::chrono::steady_clock::now();
  if (now < nextPump_) return;
  nextPump_ = now + kPumpEvery;
  if (e_.Services.Pump) e_.Services.Pump->ProcessEvents();
}

}  // namespace nokari::net
