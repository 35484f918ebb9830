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

FtpSession& IdleSession(TNokaBase& e, const char* failMsg, std::string_view shown) {
  FtpSession& s = ConnectedSession(e);
  if (Transfer::Busy()) RaiseError(e, failMsg, {shown});
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
std::string RawCommand(TNokaBase& e, const char* failMsg, std::string_view shown, const char* verb,
                       const std::string& path) {
  std::string utf8;
  if (!CommandArgument(path, utf8)) RaiseError(e, failMsg, {shown});
  return std::string(verb) + " " + utf8;
}

// Raw commands on the remote names (resolved) of one command.
void RunQuote(TNokaBase& e, FtpSession& s, const char* failMsg, std::string_view shown, const std::string& label,
              const std::vector<std::string>& commands) {
  FtpWork work(e, s, label);
  if (Quote(work.T(), s, commands) != CURLE_OK) RaiseError(e, failMsg, {shown});
}

// A remote folder entered when it can be: the remote folder changes only
// after the server agreed to change into it.
void EnterFolder(TNokaBase& e, const char* failMsg, std::string_view shown, const std::string& label,
                 const std::string& folder) {
  FtpSession& s = IdleSession(e, failMsg, shown);
  FtpWork work(e, s, label);
  if (!Probe(work.T(), s, folder)) RaiseError(e, failMsg, {shown});
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
    reason = work.T().Reason(code);
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
  EnterFolder(e, msg::kFtpChangeFolderFailed, name, Label(msg::kFtpChangingFolder, name), folder);
}

void CmdFtpParentFolder(TNokaBase& e) {
  std::string folder = RemoteParent(ConnectedSession(e).Folder);
  EnterFolder(e, msg::kFtpParentFailed, {}, Sj(msg::kFtpToParent), folder);
}

void CmdFtpMakeFolder(TNokaBase& e) {
  std::string name = PopArgValue(e);
  FtpSession& s = IdleSession(e, msg::kFtpMakeFolderFailed, name);
  std::string path = ResolveRemote(s.Folder, name);
  RunQuote(e, s, msg::kFtpMakeFolderFailed, name, Label(msg::kFtpMakingFolder, name),
           {RawCommand(e, msg::kFtpMakeFolderFailed, name, "MKD", path)});
}

void CmdFtpDeleteFile(TNokaBase& e) {
  std::string name = PopArgValue(e);
  FtpSession& s = IdleSession(e, msg::kFtpDeleteFileFailed, name);
  std::string path = ResolveRemote(s.Folder, name);
  RunQuote(e, s, msg::kFtpDeleteFileFailed, name, Label(msg::kFtpDeletingFile, name),
           {RawCommand(e, msg::kFtpDeleteFileFailed, name, "DELE", path)});
}

void CmdFtpRemoveFolder(TNokaBase& e) {
  std::string name = PopArgValue(e);
  FtpSession& s = IdleSession(e, msg::kFtpRemoveFolderFailed, name);
  std::string path = ResolveRemote(s.Folder, name);
  RunQuote(e, s, msg::kFtpRemoveFolderFailed, name, Label(msg::kFtpRemovingFolder, name),
           {RawCommand(e, msg::kFtpRemoveFolderFailed, name, "RMD", path)});
}

// FTPファイル属性変更: file, mode. The mode is read as a number (644, 777)
// and sent in decimal digits, as chmod(1) reads them.
void CmdFtpChangeAttributes(TNokaBase& e) {
  long double mode = PopArgNumber(e);
  std::string name = PopArgValue(e);
  FtpSession& s = IdleSession(e, msg::kFtpAttributesFailed, name);
  if (!(mode >= 0 && mode <= 7777)) RaiseError(e, msg::kFtpAttributesFailed, {name});
  std::string path = ResolveRemote(s.Folder, name);
  std::string verb = "SITE CHMOD " + FormatInt(ToInt64(mode));
  RunQuote(e, s, msg::kFtpAttributesFailed, name, Label(msg::kFtpChangingAttributes, name),
           {RawCommand(e, msg::kFtpAttributesFailed, name, verb.c_str(), path)});
}

// FTPファイル名変更: old name, new name.
void CmdFtpRename(TNokaBase& e) {
  std::string to = PopArgValue(e);
  std::string from = PopArgValue(e);
  FtpSession& s = IdleSession(e, msg::kFtpRenameFailed, to);
  std::vector<std::string> commands = {
      RawCommand(e, msg::kFtpRenameFailed, to, "RNFR", ResolveRemote(s.Folder, from)),
      RawCommand(e, msg::kFtpRenameFailed, to, "RNTO", ResolveRemote(s.Folder, to)),
  };
  RunQuote(e, s, msg::kFtpRenameFailed, to, Label(msg::kFtpRenaming, from), commands);
}

}  // namespace nokari
