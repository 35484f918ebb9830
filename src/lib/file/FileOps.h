// File-system operations on native (UTF-8) paths, free of the engine so
// they can be tested directly. Failures come back as false with errno set;
// nothing here throws.
#pragma once
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace nokari {

// Whole content of a regular file.
bool ReadWholeFile(const std::string& path, std::string& content);
// Creates or replaces the file with exactly `content`: written to a
// temporary file in the same folder, then renamed over the target, so a
// failed write never leaves a truncated file. A link is written through.
bool AtomicWriteFile(const std::string& path, std::string_view content);
// Appends to an existing file (create: make it when missing).
bool AppendToFile(const std::string& path, std::string_view content, bool create);

// Renames without ever replacing an existing entry; across file systems the
// source is copied and removed only after the copy succeeded.
bool MoveNoReplace(const std::string& from, const std::string& to);
// Copies a file or a whole folder. Files are replaced atomically; links are
// copied as links, never followed; a folder is never copied into itself.
bool CopyTree(const std::string& from, const std::string& to);
// Removes a file, or a folder with everything in it; links are removed, not
// followed. Keeps going after a failure; false when anything was left.
bool RemoveTree(const std::string& path);
// Creates the folder and every missing folder above it.
bool MakeFolders(const std::string& path);

// Moves the entry to the freedesktop trash (home trash on the same file
// system, else the mount's .Trash-UID); removes it directly only where no
// trash can exist. `now` dates the .trashinfo entry.
bool MoveToTrash(const std::string& path, std::time_t now);
// The home trash folder ($XDG_DATA_HOME/Trash or ~/.local/share/Trash).
std::string HomeTrashFolder();
// "%"-escapes a path for the Path= line of a .trashinfo file.
std::string EscapeTrashPath(std::string_view path);

// Script attribute bits of an entry: 1 read-only (no owner write bit),
// 2 hidden (leading dot), 16 folder, 32 archive (any non-folder); -1 when
// it does not exist.
int64_t AttributesOf(const std::string& path);
// Applies the read-only bit (the only one with a system form).
bool SetAttributes(const std::string& path, int64_t attributes);

// Kind of the file system holding the path, as the script names it.
enum class DriveKind { Missing, Removable, Fixed, Remote, CdRom, RamDisk, Unknown };
DriveKind DriveKindOf(const std::string& path);
// The same decided from a mount's file-system type and mount point.
DriveKind DriveKindFromMount(std::string_view fsType, std::string_view mountPoint);

// "yyyy/mm/dd hh:nn:ss" in local time.
std::string FormatFileTime(std::time_t t);

}  // namespace nokari
