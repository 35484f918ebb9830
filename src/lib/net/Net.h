// The commands of the network family (HTTP and FTP), one file each kind.
#pragma once

namespace nokari {

struct TNokaBase;

// HTTP (Http.cpp).
void CmdHttpDownload(TNokaBase& e);
void CmdHttpPost(TNokaBase& e);

// FTP (FtpCommands.cpp: the connection and remote folders; FtpFiles.cpp:
// transfers and listings).
void CmdFtpConnect(TNokaBase& e);
void CmdFtpDisconnect(TNokaBase& e);
void CmdFtpTransferMode(TNokaBase& e);
void CmdFtpChangeFolder(TNokaBase& e);
void CmdFtpParentFolder(TNokaBase& e);
void CmdFtpMakeFolder(TNokaBase& e);
void CmdFtpDeleteFile(TNokaBase& e);
void CmdFtpRemoveFolder(TNokaBase& e);
void CmdFtpChangeAttributes(TNokaBase& e);
void CmdFtpRename(TNokaBase& e);
void CmdFtpUpload(TNokaBase& e);
void CmdFtpUploadFolder(TNokaBase& e);
void CmdFtpDownload(TNokaBase& e);
void CmdFtpListFiles(TNokaBase& e);
void CmdFtpListFolders(TNokaBase& e);
void CmdFtpFileInfo(TNokaBase& e);

}  // namespace nokari
