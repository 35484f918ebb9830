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

// --- Changes relative to a pinned folder (CheckedTarget::Folder) -------------
// Each acts on the entry `leaf` of the open folder `folder` and never follows
// a link found at the entry: a link there is refused (ELOOP) or, where the
// entry itself is the object (move, remove), moved or removed as a link.

// Creates or replaces the entry with exactly `content`. A regular file is
// written to a temporary file in the same folder and renamed over it, so a
// failed write leaves the old file whole and no temporary behind. Anything
// else (a device, a FIFO) is written in place and never replaced; its own
// error (a full device) comes back as the failure.
bool WriteEntry(int folder, const std::string& leaf, std::string_view content);
// Appends to the entry (create: make it when missing); a failed append to a
// regular file is cut back to the old length.
bool AppendEntry(int folder, const std::string& leaf, std::string_view content, bool create);
// Copies a file, link or whole folder. Links are copied as links, and a
// link met in the destination is never written through.
bool CopyEntry(int fromFolder, const std::string& fromLeaf, int toFolder, const std::string& toLeaf);
// Renames without ever replacing an existing entry; across file systems
// the source is copied and removed only after the copy succeeded.
bool MoveEntry(int fromFolder, const std::string& fromLeaf, int toFolder, const std::string& toLeaf);
// Removes the entry, a folder with everything in it; keeps going after a
// failure; false when anything was left.
bool RemoveEntry(int folder, const std::string& leaf);
// Applies the read-only bit (the only one with a system form).
bool SetEntryAttributes(int folder, const std::string& leaf, int64_t attributes);

// Why an entry could not go to the trash.
enum class TrashFailure { None, NoHome, NoTrashOnDrive, System };
// Moves the entry to the freedesktop trash: the home trash when it lies on
// the entry's file system, else that mount's .Trash/UID or .Trash-UID. When
// none can be used, nothing is deleted and `why` says why (System: errno).
// `path` is the entry's absolute path for the .trashinfo entry, dated `now`.
bool TrashEntry(int folder, const std::string& leaf, const std::string& path, std::time_t now,
                TrashFailure& why);

// --- The same by path, for callers outside the policy's reach ---------------
// Each resolves the path (CheckedTarget) and pins its folder first; writes
// and appends follow a link as the last name, the others act on the link.

bool AtomicWriteFile(const std::string& path, std::string_view content);
bool AppendToFile(const std::string& path, std::string_view content, bool create);
bool MoveNoReplace(const std::string& from, const std::string& to);
// A folder is never copied into itself.
bool CopyTree(const std::string& from, const std::string& to);
bool RemoveTree(const std::string& path);
// Creates the folder and every missing folder above it.
bool MakeFolders(const std::string& path);
bool MoveToTrash(const std::string& path, std::time_t now);
bool MoveToTrash(const std::string& path, std::time_t now, TrashFailure& why);
// The home trash folder ($XDG_DATA_HOME/Trash or ~/.local/share/Trash).
std::string HomeTrashFolder();
// "%"-escapes a path for the Path= line of a .trashinfo file.
std::string EscapeTrashPath(std::string_view path);
// True when canonical path `inner` is `outer` or lies below it.
bool SameOrBelow(const std::string& inner, const std::string& outer);

// Script attribute bits of an entry: 1 read-only (no owner write bit),
// 2 hidden (leading dot), 16 folder, 32 archive (any non-folder); -1 when
// it does not exist.
int64_t AttributesOf(const std::string& path);
bool SetAttributes(const std::string& path, int64_t attributes);

// Kind of the file system holding the path, as the script names it.
enum class DriveKind { Missing, Removable, Fixed, Remote, CdRom, RamDisk, Unknown };
DriveKind DriveKindOf(const std::string& path);
// The same decided from a mount's file-system type and mount point.
DriveKind DriveKindFromMount(std::string_view fsType, std::string_view mountPoint);

// "yyyy/mm/dd hh:nn:ss" in local time.
std::string FormatFileTime(std::time_t t);

}  // namespace nokari
