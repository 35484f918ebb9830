// What every network command over libcurl shares: handles set up the same
// way, and one transfer at a time with the progress window, the stop
// button and the window system kept running while the network works.
#pragma once
#include "lib/net/CurlApi.h"

#include <chrono>
#include <memory>
#include <string>

namespace nokari {

struct TNokaBase;

namespace net {

struct CurlCleanup {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlCleanup>;

// A fresh handle with what all our transfers set: no signals (libcurl's
// alarm-based name lookup time-out would interrupt the engine), certificate
// verification on, a connect time-out, no credentials in any URL (they go
// through CURLOPT_USERNAME/PASSWORD so no error text can carry them).
CurlHandle NewHandle();
// The same settings on an existing handle, after curl_easy_reset (a handle
// kept for its open connection, as the FTP session is).
void SetDefaults(CURL* handle);

// The list type of libcurl's header and command lists, freed on scope end.
struct MultiCleanup {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
// A multi handle: the connection cache of handles that it drives, kept
// across their transfers (Transfer::Perform with a multi).
using CurlMulti = std::unique_ptr<CURLM, MultiCleanup>;

struct SlistCleanup {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlList = std::unique_ptr<curl_slist, SlistCleanup>;
// Appends `text` to `list` (which may be empty).
void Append(CurlList& list, const std::string& text);

// One command's time on the network. While it lives the progress window
// is open (its bar following the bytes, its stop button aborting the
// transfer) and the family counts as busy: a handler that runs during the
// transfer and starts another one gets its command's failure message
// instead of re-entering libcurl (Busy()).
class Transfer {
 public:
  // `stoppable`: the stop button ends the transfer with a failure.
  Transfer(TNokaBase& e, const std::string& label, bool stoppable = true);
  ~Transfer();
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  void SetLabel(const std::string& label);
  // The bar to its end (before the command's last words on the label).
  void Finish();
  // Runs `handle` to its end with the progress hook installed.
  CURLcode Perform(CURL* handle);
  // The same, driven on `multi` (whose connections outlive the transfer),
  // waking at least every few milliseconds: libcurl 7.88 sets no timer for
  // the step before a passive FTP data connection on a reused control
  // connection, so a wait left to libcurl alone sleeps up to a second
  // before each file.
  CURLcode Perform(CURL* handle, CURLM* multi);
  // The user pressed 中止 (the transfer then ended with an error).
  bool Stopped() const { return stopped_; }
  // The reason of a failed Perform as CP932: libcurl's own words for the
  // last error of `handle`, or "中止" after the stop button.
  std::string Reason(CURLcode code) const;
  // The same in the words a script's user looks for: a name that cannot
  // be looked up and a refused connection said so in Japanese, libcurl's
  // words for the rest.
  std::string Explain(CURL* handle, CURLcode code) const;

  // A transfer is running now.
  static bool Busy();

 private:
  void Hook(CURL* handle);
  static int OnProgress(void* self, curl_off_t downTotal, curl_off_t downNow, curl_off_t upTotal, curl_off_t upNow);
  void LetEventsRun();

  TNokaBase& e_;
  bool stopped_ = false;
  char errorText_[CURL_ERROR_SIZE] = {};
  std::chrono::steady_clock::time_point nextPump_{};
};

}  // namespace net
}  // namespace nokari
