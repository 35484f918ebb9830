// FTP: files and folders up and down, and the listings of the remote
// folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/Errors.h"
#include "lib/file/FileCommon.h"
#include "lib/file/Messages.h"
#include "lib/net/FtpCommon.h"
#include "lib/net/FtpListing.h"
#include "lib/net/FtpText.h"
#include "lib/net/LocalFile.h"
#include "lib/net/Messages.h"
#include "lib/net/Net.h"
#include "lib/net/NetText.h"
#include "lib/pattern/Wildcard.h"

namespace nokari {

using namespace net;

namespace {

// Folder uploads go no deeper than this (a tree is walked without
// following links, so only a truly deep one reaches it).
constexpr int kMaxDepth = 64;

// A local file to upload: a regular file (following a link), opened
// without blocking on a FIFO or device. -1 otherwise.
int OpenUpload(const std::string& native, long long& size) {
  UniqueFd fd(open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat st;
  if (fd.Get() < 0 || fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  int flags = fcntl(fd.Get(), F_GETFL);
  fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);
  size = st.st_size;
  return fd.Release();
}

// Every file of the local folder under its own name, then every subfolder
// made remotely and filled the same way. Single failures are passed over;
// the walk ends early only when the user stopped it or the connection is to
// close.
void UploadTree(Transfer& t, FtpSession& s, const std::string& native, const std::string& remote, int depth) {
  std::vector<DirEntry> entries = ListFolder(native);
  for (const DirEntry& entry : entries) {
    if (entry.IsFolder) continue;
    if (t.Stopped() || s.ClosePending) return;
    long long size = 0;
    UniqueFd fd(OpenUpload(native + "/" + entry.Native, size));
    if (fd.Get() < 0) continue;
    t.SetLabel(Label(msg::kFtpFolderUploading, entry.Name));
    Upload(t, s, fd.Get(), size, ResolveRemote(remote, entry.Name));
  }
  if (depth >= kMaxDepth) return;
  for (const DirEntry& entry : entries) {
    if (!entry.IsRealFolder) continue;
    if (t.Stopped() || s.ClosePending) return;
    std::string sub = ResolveRemote(remote, entry.Name);
    std::string mkd;
    if (!CommandArgument(sub, mkd)) continue;
    Quote(t, s, {"MKD " + mkd});
    UploadTree(t, s, native + "/" + entry.Native, sub, depth + 1);
  }
}

// A listing of the remote folder for a command whose errors give an
// empty result; "" as well when another transfer runs. A server that
// cannot be reached is no empty folder: that fails the command.
std::string ListRemote(TNokaBase& e, FtpSession& s, const std::string& label, const std::string& folder,
                       bool namesOnly, const std::string& command) {
  if (Transfer::Busy()) return {};
  FtpWork work(e, s, label);
  std::string bytes;
  CURLcode code = List(work.T(), s, folder, namesOnly, command, bytes);
  if (code != CURLE_OK && !work.T().Stopped() && Unreachable(s, code))
    RaiseError(e, msg::kFtpConnectFailed, {FailureReason(work.T(), s, code)});
  return code == CURLE_OK ? bytes : std::string();
}

// Why a local file cannot be uploaded: missing, a folder, or no plain file.
std::string WhyNoUpload(const std::string& native, const std::string& shown) {
  struct stat st;
  if (stat(native.c_str(), &st) != 0) return FormatMessage(Sj(msg::kNoLocalFile), {shown});
  if (S_ISDIR(st.st_mode)) return Sj(msg::kLocalIsFolder);
  return FormatMessage(Sj(msg::kLocalNotPlain), {shown});
}

// The names the mask takes (all for an empty mask), ASCII letters in
// either case as local file names are matched.
std::string Matching(TNokaBase& e, const std::vector<std::string>& names, const std::string& mask) {
  std::string folded = FoldAsciiCase(mask);
  return JoinMatching(names, [&](const std::string& name) {
    return mask.empty() || WildcardMatch(e, FoldAsciiCase(name), folded);
  });
}

}  // namespace

// FTPアップロード: local file, remote name. An empty remote name or a
// remote folder ("dir/") takes the local file's name.
void CmdFtpUpload(TNokaBase& e) {
  std::string remote = PopArgValue(e);
  std::string local = PopArgValue(e);
  if (remote.empty() || NamesRemoteFolder(remote)) remote += FileNamePart(local);
  FtpFailure fail{msg::kFtpUploadFailed, remote};
  FtpSession& s = IdleSession(e, fail);
  long long size = 0;
  std::string native = NativePath(ResolveReadName(e, local));
  UniqueFd fd(OpenUpload(native, size));
  if (fd.Get() < 0) fail.Raise(e, WhyNoUpload(native, local));
  FtpWork work(e, s, Label(msg::kFtpUploading, remote));
  if (CURLcode code = Upload(work.T(), s, fd.Get(), size, ResolveRemote(s.Folder, remote)); code != CURLE_OK)
    fail.Raise(e, work.T(), s, code);
}

namespace {

// The folders from the root down to `folder` (absolute), the root left out.
std::vector<std::string> FoldersDownTo(const std::string& folder) {
  std::vector<std::string> out;
  for (std::string path = folder; path != "/"; path = RemoteParent(path)) out.insert(out.begin(), path);
  return out;
}

}  // namespace

// FTPフォルダアップロード: local folder, remote folder (made with the
// folders above it when missing, and entered; empty: the remote folder
// itself).
void CmdFtpUploadFolder(TNokaBase& e) {
  std::string remote = PopArgValue(e);
  std::string local = PopArgValue(e);
  FtpFailure fail{msg::kFtpUploadFailed, remote.empty() ? local : remote};
  FtpSession& s = IdleSession(e, fail);
  std::string native = NativePath(ResolveLocal(e, local));
  struct stat st;
  if (stat(native.c_str(), &st) != 0) fail.Raise(e, FormatMessage(Sj(msg::kNoLocalFile), {local}));
  if (!S_ISDIR(st.st_mode)) fail.Raise(e, FormatMessage(Sj(msg::kNotAFolder), {local}));
  FtpWork work(e, s, Label(msg::kFtpFolderUploading, local));
  if (!remote.empty()) {
    std::string folder = ResolveRemote(s.Folder, remote);
    std::vector<std::string> makes;
    for (const std::string& path : FoldersDownTo(folder)) {
      std::string utf8;
      if (!CommandArgument(path, utf8)) fail.Raise(e, Sj(msg::kLineBreakInName));
      makes.push_back("*MKD " + utf8);  // "*": a folder that exists is no failure
    }
    Quote(work.T(), s, makes);
    if (CURLcode code = Probe(work.T(), s, folder); code != CURLE_OK) fail.Raise(e, work.T(), s, code);
    s.Folder = folder;
  }
  UploadTree(work.T(), s, native, s.Folder, 0);
  if (work.T().Stopped()) fail.Raise(e, work.T().Reason(CURLE_ABORTED_BY_CALLBACK));
}

// FTPダウンロード: remote file, local file (or a local folder, which
// takes the remote file's name). An existing local file is never
// replaced; the file appears whole or not at all.
void CmdFtpDownload(TNokaBase& e) {
  std::string local = PopArgValue(e);
  std::string remote = PopArgValue(e);
  FtpFailure fail{msg::kFtpDownloadFailed, local};
  FtpSession& s = IdleSession(e, fail);
  std::string path = ResolveRemote(s.Folder, remote);
  fail.Shown = DownloadName(local, SafeBaseName(RemoteLeaf(path)));
  if (fail.Shown.empty()) {
    fail.Shown = local;
    fail.Raise(e, Sj(msg::kNoRemoteName));
  }
  CheckedTarget target = TargetOf(fail.Shown);
  if (Refused(e, msg::kAskWrite, {fail.Shown}, {&target})) return;
  if (!Usable(target)) fail.Raise(e, Sj(msg::kNoLocalFolder));
  struct stat st;
  if (fstatat(target.Folder(), target.Leaf().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
    fail.Raise(e, Sj(msg::kLocalExists));
  DownloadFile file(target.Folder(), target.Leaf());
  if (file.Fd() < 0) fail.Raise(e, FromNativeName(std::strerror(errno)));
  FtpWork work(e, s, Label(msg::kFtpDownloading, fail.Shown));
  if (CURLcode code = Download(work.T(), s, path, file.Fd()); code != CURLE_OK) fail.Raise(e, work.T(), s, code);
  if (!file.Commit(false)) fail.Raise(e, errno == EEXIST ? Sj(msg::kLocalExists) : FromNativeName(std::strerror(errno)));
}

// FTPファイル列挙: the names of the remote folder (NLST) the mask takes.
void CmdFtpListFiles(TNokaBase& e) {
  std::string mask = PopArgValue(e);
  FtpSession& s = ConnectedSession(e);
  std::string bytes = ListRemote(e, s, Label(msg::kFtpListingFiles, mask), s.Folder, true, {});
  SetSoreTyped(e, Matching(e, ListingLines(bytes), mask), "s");
}

// FTPフォルダ列挙: the folders of a detailed listing the mask takes.
void CmdFtpListFolders(TNokaBase& e) {
  std::string mask = PopArgValue(e);
  FtpSession& s = ConnectedSession(e);
  std::string bytes = ListRemote(e, s, Label(msg::kFtpListingFolders, mask), s.Folder, false, {});
  std::vector<std::string> folders;
  for (const std::string& line : ListingLines(bytes)) {
    std::string name = FolderOfLine(line);
    if (!name.empty()) folders.push_back(std::move(name));
  }
  SetSoreTyped(e, Matching(e, folders, mask), "s");
}

// FTPファイル情報: the server's detailed listing lines for one name.
void CmdFtpFileInfo(TNokaBase& e) {
  std::string name = PopArgValue(e);
  FtpSession& s = ConnectedSession(e);
  std::string path = ResolveRemote(s.Folder, name);
  std::string leaf, bytes;
  if (!RemoteLeaf(path).empty() && CommandArgument(RemoteLeaf(path), leaf))
    bytes = ListRemote(e, s, Label(msg::kFtpReadingInfo, name), RemoteParent(path), false, "LIST " + leaf);
  std::vector<std::string> lines = ListingLines(bytes);
  SetSoreTyped(e, JoinMatching(lines, [](const std::string&) { return true; }), "s");
}

}  // namespace nokari
