// What the FTP commands share: the session of the engine, the checks every
// command makes first, and one command's time on the network.
#pragma once
#include <string>
#include <string_view>

#include "lib/net/Ftp.h"
#include "words/Contract.h"

namespace nokari::net {

FtpSession& SessionOf(TNokaBase& e);
// The session of a command that needs the connection: without one it
// raises "FTPで接続が確立されていません。".
FtpSession& ConnectedSession(TNokaBase& e);
// How a command reports its failure: its message, naming `Shown` (unless
// the message names nothing, as FTP親フォルダ移動's), followed by why.
struct FtpFailure {
  const char* Msg;
  std::string Shown;
  bool Named = true;
  [[noreturn]] void Raise(TNokaBase& e, const std::string& reason) const;
  // A failed request: the reason the server or the transfer gives.
  [[noreturn]] void Raise(TNokaBase& e, const Transfer& t, const FtpSession& s, CURLcode code) const;
};

// The same for a command that goes on the network: while another transfer
// runs (the command came from an event handler) it fails with its own
// failure instead of re-entering libcurl.
FtpSession& IdleSession(TNokaBase& e, const FtpFailure& fail);

// A command's transfers: the progress window open with `label`, the
// session marked as in use so that FTP切断 from an event handler waits
// for the end; the connection closes then.
class FtpWork {
 public:
  FtpWork(TNokaBase& e, FtpSession& s, const std::string& label);
  ~FtpWork();
  FtpWork(const FtpWork&) = delete;
  FtpWork& operator=(const FtpWork&) = delete;
  Transfer& T() { return transfer_; }

 private:
  FtpSession& s_;
  Transfer transfer_;
};

// A progress label from the message table: `labelMsg` with `name`.
std::string Label(const char* labelMsg, std::string_view name);

}  // namespace nokari::net
