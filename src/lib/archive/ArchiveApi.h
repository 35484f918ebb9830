// libarchive, opened when the first archive command needs it (see
// core/LazyLibrary.h). Include this instead of <archive.h> and
// <archive_entry.h>: the names of the functions below then call through the
// table, so code reads as it would against the linked library.
#pragma once
#include <archive.h>
#include <archive_entry.h>

#include "core/LazyLibrary.h"

// Every libarchive function the program calls.
#define NOKARI_ARCHIVE_FUNCTIONS(X) \
  X(archive_entry_clear) \
  X(archive_entry_filetype) \
  X(archive_entry_free) \
  X(archive_entry_hardlink) \
  X(archive_entry_new) \
  X(archive_entry_pathname) \
  X(archive_entry_set_filetype) \
  X(archive_entry_set_gid) \
  X(archive_entry_set_gname) \
  X(archive_entry_set_hardlink) \
  X(archive_entry_set_mtime) \
  X(archive_entry_set_pathname) \
  X(archive_entry_set_perm) \
  X(archive_entry_set_size) \
  X(archive_entry_set_symlink) \
  X(archive_entry_set_uid) \
  X(archive_entry_set_uname) \
  X(archive_entry_symlink) \
  X(archive_error_string) \
  X(archive_filter_count) \
  X(archive_format) \
  X(archive_read_data_block) \
  X(archive_read_free) \
  X(archive_read_new) \
  X(archive_read_next_header) \
  X(archive_read_open1) \
  X(archive_read_set_callback_data) \
  X(archive_read_set_options) \
  X(archive_read_set_read_callback) \
  X(archive_read_set_seek_callback) \
  X(archive_read_set_skip_callback) \
  X(archive_read_support_filter_all) \
  X(archive_read_support_format_7zip) \
  X(archive_read_support_format_ar) \
  X(archive_read_support_format_cab) \
  X(archive_read_support_format_cpio) \
  X(archive_read_support_format_iso9660) \
  X(archive_read_support_format_lha) \
  X(archive_read_support_format_rar) \
  X(archive_read_support_format_rar5) \
  X(archive_read_support_format_raw) \
  X(archive_read_support_format_tar) \
  X(archive_read_support_format_xar) \
  X(archive_read_support_format_zip) \
  X(archive_set_error) \
  X(archive_write_add_filter_bzip2) \
  X(archive_write_add_filter_compress) \
  X(archive_write_add_filter_gzip) \
  X(archive_write_add_filter_xz) \
  X(archive_write_close) \
  X(archive_write_data) \
  X(archive_write_data_block) \
  X(archive_write_disk_new) \
  X(archive_write_disk_set_options) \
  X(archive_write_finish_entry) \
  X(archive_write_free) \
  X(archive_write_header) \
  X(archive_write_new) \
  X(archive_write_open_fd) \
  X(archive_write_set_bytes_in_last_block) \
  X(archive_write_set_format_7zip) \
  X(archive_write_set_format_pax_restricted) \
  X(archive_write_set_format_zip) \
  X(archive_write_set_options)

namespace nokari::archive {
// ArchiveApi(): the table, libarchive opened and looked up at the first call.
NOKARI_LAZY_TABLE_DECLARE(ArchiveFunctions, ArchiveApi, NOKARI_ARCHIVE_FUNCTIONS)
}  // namespace nokari::archive

#ifndef NOKARI_ARCHIVE_API_TABLE
#define archive_entry_clear (::nokari::archive::ArchiveApi().archive_entry_clear)
#define archive_entry_filetype (::nokari::archive::ArchiveApi().archive_entry_filetype)
#define archive_entry_free (::nokari::archive::ArchiveApi().archive_entry_free)
#define archive_entry_hardlink (::nokari::archive::ArchiveApi().archive_entry_hardlink)
#define archive_entry_new (::nokari::archive::ArchiveApi().archive_entry_new)
#define archive_entry_pathname (::nokari::archive::ArchiveApi().archive_entry_pathname)
#define archive_entry_set_filetype (::nokari::archive::ArchiveApi().archive_entry_set_filetype)
#define archive_entry_set_gid (::nokari::archive::ArchiveApi().archive_entry_set_gid)
#define archive_entry_set_gname (::nokari::archive::ArchiveApi().archive_entry_set_gname)
#define archive_entry_set_hardlink (::nokari::archive::ArchiveApi().archive_entry_set_hardlink)
#define archive_entry_set_mtime (::nokari::archive::ArchiveApi().archive_entry_set_mtime)
#define archive_entry_set_pathname (::nokari::archive::ArchiveApi().archive_entry_set_pathname)
#define archive_entry_set_perm (::nokari::archive::ArchiveApi().archive_entry_set_perm)
#define archive_entry_set_size (::nokari::archive::ArchiveApi().archive_entry_set_size)
#define archive_entry_set_symlink (::nokari::archive::ArchiveApi().archive_entry_set_symlink)
#define archive_entry_set_uid (::nokari::archive::ArchiveApi().archive_entry_set_uid)
#define archive_entry_set_uname (::nokari::archive::ArchiveApi().archive_entry_set_uname)
#define archive_entry_symlink (::nokari::archive::ArchiveApi().archive_entry_symlink)
#define archive_error_string (::nokari::archive::ArchiveApi().archive_error_string)
#define archive_filter_count (::nokari::archive::ArchiveApi().archive_filter_count)
#define archive_format (::nokari::archive::ArchiveApi().archive_format)
#define archive_read_data_block (::nokari::archive::ArchiveApi().archive_read_data_block)
#define archive_read_free (::nokari::archive::ArchiveApi().archive_read_free)
#define archive_read_new (::nokari::archive::ArchiveApi().archive_read_new)
#define archive_read_next_header (::nokari::archive::ArchiveApi().archive_read_next_header)
#define archive_read_open1 (::nokari::archive::ArchiveApi().archive_read_open1)
#define archive_read_set_callback_data (::nokari::archive::ArchiveApi().archive_read_set_callback_data)
#define archive_read_set_options (::nokari::archive::ArchiveApi().archive_read_set_options)
#define archive_read_set_read_callback (::nokari::archive::ArchiveApi().archive_read_set_read_callback)
#define archive_read_set_seek_callback (::nokari::archive::ArchiveApi().archive_read_set_seek_callback)
#define archive_read_set_skip_callback (::nokari::archive::ArchiveApi().archive_read_set_skip_callback)
#define archive_read_support_filter_all (::nokari::archive::ArchiveApi().archive_read_support_filter_all)
#define archive_read_support_format_7zip (::nokari::archive::ArchiveApi().archive_read_support_format_7zip)
#define archive_read_support_format_ar (::nokari::archive::ArchiveApi().archive_read_support_format_ar)
#define archive_read_support_format_cab (::nokari::archive::ArchiveApi().archive_read_support_format_cab)
#define archive_read_support_format_cpio (::nokari::archive::ArchiveApi().archive_read_support_format_cpio)
#define archive_read_support_format_iso9660 (::nokari::archive::ArchiveApi().archive_read_support_format_iso9660)
#define archive_read_support_format_lha (::nokari::archive::ArchiveApi().archive_read_support_format_lha)
#define archive_read_support_format_rar (::nokari::archive::ArchiveApi().archive_read_support_format_rar)
#define archive_read_support_format_rar5 (::nokari::archive::ArchiveApi().archive_read_support_format_rar5)
#define archive_read_support_format_raw (::nokari::archive::ArchiveApi().archive_read_support_format_raw)
#define archive_read_support_format_tar (::nokari::archive::ArchiveApi().archive_read_support_format_tar)
#define archive_read_support_format_xar (::nokari::archive::ArchiveApi().archive_read_support_format_xar)
#define archive_read_support_format_zip (::nokari::archive::ArchiveApi().archive_read_support_format_zip)
#define archive_set_error (::nokari::archive::ArchiveApi().archive_set_error)
#define archive_write_add_filter_bzip2 (::nokari::archive::ArchiveApi().archive_write_add_filter_bzip2)
#define archive_write_add_filter_compress (::nokari::archive::ArchiveApi().archive_write_add_filter_compress)
#define archive_write_add_filter_gzip (::nokari::archive::ArchiveApi().archive_write_add_filter_gzip)
#define archive_write_add_filter_xz (::nokari::archive::ArchiveApi().archive_write_add_filter_xz)
#define archive_write_close (::nokari::archive::ArchiveApi().archive_write_close)
#define archive_write_data (::nokari::archive::ArchiveApi().archive_write_data)
#define archive_write_data_block (::nokari::archive::ArchiveApi().archive_write_data_block)
#define archive_write_disk_new (::nokari::archive::ArchiveApi().archive_write_disk_new)
#define archive_write_disk_set_options (::nokari::archive::ArchiveApi().archive_write_disk_set_options)
#define archive_write_finish_entry (::nokari::archive::ArchiveApi().archive_write_finish_entry)
#define archive_write_free (::nokari::archive::ArchiveApi().archive_write_free)
#define archive_write_header (::nokari::archive::ArchiveApi().archive_write_header)
#define archive_write_new (::nokari::archive::ArchiveApi().archive_write_new)
#define archive_write_open_fd (::nokari::archive::ArchiveApi().archive_write_open_fd)
#define archive_write_set_bytes_in_last_block (::nokari::archive::ArchiveApi().archive_write_set_bytes_in_last_block)
#define archive_write_set_format_7zip (::nokari::archive::ArchiveApi().archive_write_set_format_7zip)
#define archive_write_set_format_pax_restricted (::nokari::archive::ArchiveApi().archive_write_set_format_pax_restricted)
#define archive_write_set_format_zip (::nokari::archive::ArchiveApi().archive_write_set_format_zip)
#define archive_write_set_options (::nokari::archive::ArchiveApi().archive_write_set_options)
#endif
