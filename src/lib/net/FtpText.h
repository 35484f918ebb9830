// The FTP session's texts that need no network: the host the script names,
// the remote folder kept as text, and the URL paths and command arguments
// made from it. Pure functions, tested alone. Remote names are CP932 as
// scripts hold them; on the wire they are UTF-8.
#pragma once
#include <string>
#include <string_view>

namespace nokari::net {

constexpr int kFtpPort = 21;

// FTPホスト as the authority of an ftp:// URL: "host" (port 21),
// "host:port", "[v6]" or "[v6]:port"; a bare IPv6 address gets its
// brackets. False for an empty host, a bad port or characters that would
// change the URL's meaning (spaces, "/", "@", "?", "#", "\", controls).
bool FtpAuthority(std::string_view host, std::string& authority);

// A remote name resolved against the current remote folder (both CP932):
// "/" and "\" both separate folders; an absolute name ("/..." or
// "\...") stands alone, a relative one is put under the folder; "." and
// empty parts are dropped and ".." goes up (never above "/"). The result
// is absolute, with "/" only and no trailing one ("/" for the root).
std::string ResolveRemote(std::string_view folder, std::string_view name);
// True when a remote name ends with a separator ("dir/", "dir\"): it
// names a folder.
bool NamesRemoteFolder(std::string_view name);
// The folder holding an absolute remote path ("/" for the root itself).
std::string RemoteParent(std::string_view path);
// The last name of an absolute remote path ("" for the root).
std::string RemoteLeaf(std::string_view path);

// The path part of an ftp:// URL for an absolute remote path: "/%2F"
// (the root, so the server's own starting folder plays no part) and the
// names percent-encoded as UTF-8; a folder ends with "/" so the client
// changes into it rather than fetching it.
std::string RemoteUrlPath(std::string_view path, bool folder);

// A remote name as an argument of a raw command (MKD, SITE CHMOD ...):
// UTF-8. False when it holds a line break or NUL, which would end the
// command early and start another one of the name's choosing.
bool CommandArgument(std::string_view name, std::string& utf8);

}  // namespace nokari::net
