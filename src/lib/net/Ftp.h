// The FTP session: one libcurl handle kept from FTP接続 to FTP切断, whose
// control connection libcurl keeps open and reuses from request to
// request, and the remote folder kept as text. Every request names its
// paths absolutely ("/%2F..."), so what the server thinks its current
// folder is never matters: the remote folder is ours alone, and FTP作業
// フォルダ only probes that a folder can be entered.
#pragma once
#include <string>
#include <vector>

#include "lib/net/Curl.h"
#include "lib/net/Sinks.h"

namespace nokari::net {

struct FtpSession {
  CurlHandle Handle;  // null: not connected
  // Holds the open control connection between requests; declared after
  // the handle so that it goes first (sending QUIT).
  CurlMulti Multi;
  std::string Authority;  // "host:port" of the URLs
  std::string User, Password;
  bool Passive = false;
  bool Binary = true;
  std::string Folder = "/";  // CP932, absolute
  // FTP切断 came from an event handler while a transfer ran on the handle:
  // the connection closes when that transfer has ended.
  bool ClosePending = false;
  int InUse = 0;  // commands with a transfer on the handle now
  ServerReplies Replies;  // of the last request

  bool Connected() const { return Handle != nullptr; }
  void Close();
};

// The handle reset for one request on `urlPath` (RemoteUrlPath, or "/"
// for none): our defaults, the login, the transfer mode and time-outs.
CURL* Request(FtpSession& s, const std::string& urlPath);

// Every request below runs on the kept connection. A server closes a
// connection left idle (vsftpd after 300 s, with a 421 reply); a request
// that finds it closed logs in again on a new connection and runs once
// more. The remote folder needs no going back to: paths are absolute.

// Connects and logs in; on success the remote folder is the server's
// starting folder.
CURLcode Connect(Transfer& t, FtpSession& s);
// CURLE_OK when the folder (absolute) can be entered.
CURLcode Probe(Transfer& t, FtpSession& s, const std::string& folder);
// Raw commands (already UTF-8 and checked by CommandArgument), in order;
// the first refusal ends the request with an error.
CURLcode Quote(Transfer& t, FtpSession& s, const std::vector<std::string>& commands);
// A local file (open descriptor, its size) stored under the remote path.
CURLcode Upload(Transfer& t, FtpSession& s, int fd, long long size, const std::string& path);
// The remote path fetched into `fd`.
CURLcode Download(Transfer& t, FtpSession& s, const std::string& path, int fd);
// The listing of a remote folder: names only (NLST) or detailed (LIST);
// `command` replaces LIST (e.g. "LIST name" for one entry).
CURLcode List(Transfer& t, FtpSession& s, const std::string& folder, bool namesOnly, const std::string& command,
              std::string& out);

// A failed request could not reach the server at all (no connection, no
// login, the connection lost): not a refusal of the command.
bool Unreachable(const FtpSession& s, CURLcode code);
// Why a request failed (CP932): the server's refusal in its own words,
// else what the transfer knows.
std::string FailureReason(const Transfer& t, const FtpSession& s, CURLcode code);

}  // namespace nokari::net
