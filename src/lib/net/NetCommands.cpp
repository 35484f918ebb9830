// HTTP and FTP: HTTPダウンロード, HTTPポスト and the FTP commands over
// libcurl (Http.cpp, FtpCommands.cpp, FtpFiles.cpp).
#include "lib/net/Messages.h"
#include "lib/net/Net.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {
namespace {

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::FTP接続, CmdFtpConnect},
    {Id::FTPアップロード, CmdFtpUpload},
    {Id::FTPフォルダアップロード, CmdFtpUploadFolder},
    {Id::FTPダウンロード, CmdFtpDownload},
    {Id::FTP切断, CmdFtpDisconnect},
    {Id::FTP転送モード, CmdFtpTransferMode},
    {Id::FTP作業フォルダ, CmdFtpChangeFolder},
    {Id::FTPフォルダ作成, CmdFtpMakeFolder},
    {Id::FTPファイル削除, CmdFtpDeleteFile},
    {Id::FTPフォルダ削除, CmdFtpRemoveFolder},
    {Id::FTPファイル列挙, CmdFtpListFiles},
    {Id::FTPファイル情報, CmdFtpFileInfo},
    {Id::FTPフォルダ列挙, CmdFtpListFolders},
    {Id::FTPファイル属性変更, CmdFtpChangeAttributes},
    {Id::FTPファイル名変更, CmdFtpRename},
    {Id::FTP親フォルダ移動, CmdFtpParentFolder},
    {Id::HTTPダウンロード, CmdHttpDownload},
    {Id::HTTPポスト, CmdHttpPost},
};
constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/net/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kNetFamily{"net", kCommands, kMessages};

}  // namespace nokari
