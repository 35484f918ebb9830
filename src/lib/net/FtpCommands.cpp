// FTP: the connection, the transfer mode and the remote folders (changing
// into them, making, removing and renaming remote entries).
#include <cctype>

#include "core/Errors.h"
#include "lib/net/FtpCommon.h"
#include "lib/net/FtpText.h"
#include "lib/net/Messages.h"
#include "lib/net/Net.h"
#include "lib/path/Path.h"

namespace nokari {
namespace net {

FtpSession& SessionOf(TNokaBase& e) { return FamilyState<FtpSession>(e); }

FtpSession& ConnectedSession(TNokaBase& e) {
  FtpSession& s = SessionOf(e);
  if (!s.Connected()) RaiseError(e, msg::kFtpNotConnected);
  return s;
}

void FtpFailure::Raise(TNokaBase& e, const std::string& reason) const {
  if (Named) RaiseError(e, Msg, {Shown, reason});
  RaiseError(e, Msg, {reason});
}

void FtpFailure::Raise(TNokaBase& e, const Transfer& t, const FtpSession& s, CURLcode code) const {
  Raise(e, FailureReason(t, s, code));
}

FtpSession& IdleSession(TNokaBase& e, const FtpFailure& fail) {
  FtpSession& s = ConnectedSession(e);
  if (Transfer::Busy()) fail.Raise(e, Sj(msg::kTransferRunning));
  return s;
}

FtpWork::FtpWork(TNokaBase& e, FtpSession& s, const std::string& label) : s_(s), transfer_(e, label) { ++s_.InUse; }

FtpWork::~FtpWork() {
  if (--s_.InUse == 0 && s_.ClosePending) s_.Close();
}

std::string Label(const char* labelMsg, std::string_view name) { return FormatMessage(Sj(labelMsg), {name}); }

}  // namespace net

using namespace net;

namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// "VERB argument" for a raw command; a name that would break the command
// line fails the command.
std::string RawCommand(TNokaBase& e, const FtpFailure& fail, const char* verb, const std::string& path) {
  std::string utf8;
  if (!CommandArgument(path, utf8)) fail.Raise(e, Sj(msg::kLineBreakInName));
  return std::string(verb) + " " + utf8;
}

// Raw commands on the remote names (resolved) of one command.
void RunQuote(TNokaBase& e, FtpSession& s, const FtpFailure& fail, const std::string& label,
              const std::vector<std::string>& commands) {
  FtpWork work(e, s, label);
  if (CURLcode code = Quote(work.T(), s, commands); code != CURLE_OK) fail.Raise(e, work.T(), s, code);
}

// A remote folder entered when it can be: the remote folder changes only
// after the server agreed to change into it.
void EnterFolder(TNokaBase& e, const FtpFailure& fail, const std::string& label, const std::string& folder) {
  FtpSession& s = IdleSession(e, fail);
  FtpWork work(e, s, label);
  if (CURLcode code = Probe(work.T(), s, folder); code != CURLE_OK) fail.Raise(e, work.T(), s, code);
  s.Folder = folder;
}

}  // namespace

// FTP接続: a connection open before is closed first. FTPホスト may be
// "host:port".
void CmdFtpConnect(TNokaBase& e) {
  FtpSession& s = SessionOf(e);
  if (Transfer::Busy()) RaiseError(e, msg::kFtpConnectFailed, {Sj(msg::kTransferRunning)});
  s.Close();
  std::string host = TrimName(VarValue(e, "FTPホスト"));
  if (!FtpAuthority(host, s.Authority)) RaiseError(e, msg::kFtpConnectFailed, {FormatMessage(Sj(msg::kBadHostName), {host})});
  s.User = ToUtf8(TrimName(VarValue(e, "FTPユーザーID")));
  s.Password = ToUtf8(TrimName(VarValue(e, "FTPパスワード")));
  s.Passive = Upper(TrimName(VarValue(e, "FTP接続方式"))) == "PASV";
  s.Binary = true;
  s.Handle = NewHandle();
  s.Multi.reset(curl_multi_init());
  std::string reason;
  {
    FtpWork work(e, s, host);
    CURLcode code = Connect(work.T(), s);
    if (code == CURLE_OK) return;
    reason = FailureReason(work.T(), s, code);
  }
  s.Close();
  RaiseError(e, msg::kFtpConnectFailed, {reason});
}

// FTP切断: nothing without a connection. From an event handler during a
// transfer, the connection closes when that transfer ends.
void CmdFtpDisconnect(TNokaBase& e) {
  FtpSession& s = SessionOf(e);
  if (!s.Connected()) return;
  if (s.InUse > 0)
    s.ClosePending = true;
  else
    s.Close();
}

void CmdFtpTransferMode(TNokaBase& e) {
  std::string mode = PopArgValue(e);
  ConnectedSession(e).Binary = mode.find(Sj("バイナリ")) != std::string::npos;
}

void CmdFtpChangeFolder(TNokaBase& e) {
  std::string name = PopArgValue(e);
  std::string folder = ResolveRemote(ConnectedSession(e).Folder, name);
  EnterFolder(e, {msg::kFtpChangeFolderFailed, name}, Label(msg::kFtpChangingFolder, name), folder);
}

void CmdFtpParentFolder(TNokaBase& e) {
  std::string folder = RemoteParent(ConnectedSession(e).Folder);
  EnterFolder(e, {msg::kFtpParentFailed, {}, false}, Sj(msg::kFtpToParent), folder);
}

void CmdFtpMakeFolder(TNokaBase& e) {
  FtpFailure fail{msg::kFtpMakeFolderFailed, PopArgValue(e)};
  FtpSession& s = IdleSession(e, fail);
  std::string path = ResolveRemote(s.Folder, fail.Shown);
  RunQuote(e, s, fail, Label(msg::kFtpMakingFolder, fail.Shown), {RawCommand(e, fail, "MKD", path)});
}

void CmdFtpDeleteFile(TNokaBase& e) {
  FtpFailure fail{msg::kFtpDeleteFileFailed, PopArgValue(e)};
  FtpSession& s = IdleSession(e, fail);
  std::string path = ResolveRemote(s.Folder, fail.Shown);
  RunQuote(e, s, fail, Label(msg::kFtpDeletingFile, fail.Shown), {RawCommand(e, fail, "DELE", path)});
}

void CmdFtpRemoveFolder(TNokaBase& e) {
  FtpFailure fail{msg::kFtpRemoveFolderFailed, PopArgValue(e)};
  FtpSession& s = IdleSession(e, fail);
  std::string path = ResolveRemote(s.Folder, fail.Shown);
  RunQuote(e, s, fail, Label(msg::kFtpRemovingFolder, fail.Shown), {RawCommand(e, fail, "RMD", path)});
}

// FTPファイル属性変更: file, mode. The mode is read as a number (644, 777)
// and sent in decimal digits, as chmod(1) reads them.
void CmdFtpChangeAttributes(TNokaBase& e) {
  long double mode = PopArgNumber(e);
  FtpFailure fail{msg::kFtpAttributesFailed, PopArgValue(e)};
  FtpSession& s = IdleSession(e, fail);
  if (!(mode >= 0 && mode <= 7777)) fail.Raise(e, FormatMessage(Sj(msg::kBadMode), {FormatNumber(mode)}));
  std::string path = ResolveRemote(s.Folder, fail.Shown);
  std::string verb = "SITE CHMOD " + FormatInt(ToInt64(mode));
  RunQuote(e, s, fail, Label(msg::kFtpChangingAttributes, fail.Shown), {RawCommand(e, fail, verb.c_str(), path)});
}

// FTPファイル名変更: old name, new name.
void CmdFtpRename(TNokaBase& e) {
  std::string to = PopArgValue(e);
  std::string from = PopArgValue(e);
  FtpFailure fail{msg::kFtpRenameFailed, to};
  FtpSession& s = IdleSession(e, fail);
  std::vector<std::string> commands = {
      RawCommand(e, fail, "RNFR", ResolveRemote(s.Folder, from)),
      RawCommand(e, fail, "RNTO", ResolveRemote(s.Folder, to)),
  };
  RunQuote(e, s, fail, Label(msg::kFtpRenaming, from), commands);
}

}  // namespace nokari
