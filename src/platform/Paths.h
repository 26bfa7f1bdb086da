#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

/** The member's home folder ($HOME, else the password database's); empty when unknown. */
std::string HomeFolder();

/** The member's application-data folder ($XDG_DATA_HOME, else ~/.local/share), without a trailing '/'; empty when
 * unknown. */
std::string AppDataFolder();

/** The member's configuration folder ($XDG_CONFIG_HOME, else ~/.config), without a trailing '/'; empty when unknown. */
std::string ConfigFolder();

/** The temporary folder ($TMPDIR, else /tmp), always ending in '/'. */
std::string TempPath();

/**
 * A private folder for sockets and locks: $XDG_RUNTIME_DIR, else a 0700 folder of ours under
 * /tmp, else (another user took that name) one in the member's cache folder; never a shared one.
 */
std::string RuntimeFolder();

/**
 * The folder downloads that will be run are kept in: $XDG_CACHE_HOME/Plotvane/ (else
 * ~/.cache/Plotvane/), ending in '/'. Only the member may enter it: made 0700, and refused
 * (empty) when it is not a folder the member owns or cannot be made private.
 */
std::string DownloadFolder();

/**
 * The bytes of a regular file of at most maxBytes; nullopt when it is missing, larger, not a
 * regular file (a FIFO, a device: never waited on) or unreadable.
 */
std::optional<std::string> ReadRegularFile(const std::string& path, std::int64_t maxBytes);

/** Whether path is a regular file (not a link to one) that this user owns. */
bool IsOwnRegularFile(const std::string& path);

/** Whether path is absent or a regular file, never following a link: what may be opened for writing. */
bool IsRegularFileOrAbsent(const std::string& path);

/**
 * Removes the file or link at path (a link itself, never what it points to); true when nothing
 * is there any more. A folder or any other kind of entry is left and gives false.
 */
bool RemoveFileOrLink(const std::string& path);

/** The full path of the running executable. */
std::string ExecutablePath();

/** The folder part of a path including its final '/'; empty for a bare file name. */
std::string ExtractFilePath(const std::string& path);

/** The last component of a path. */
std::string ExtractFileName(const std::string& path);

bool DirectoryExists(const std::string& path);
bool FileExists(const std::string& path);

/** The length of a regular file, read without opening it; -1 when there is none. */
std::int64_t FileLength(const std::string& path);

/**
 * Whether a name taken from a server is a plain file name, one that stays inside the folder it
 * is put in: not empty, not "." or "..", no "/", "\\" or NUL.
 */
bool IsPlainFileName(const std::string& name);

/** Lets the member run a regular file (the owner's execute permission); false when it cannot. */
bool MarkExecutable(const std::string& path);

/** Whether path is a file this user may run. */
bool IsExecutableFile(const std::string& path);

/**
 * The full path of a program: a name with a '/' as it is, a bare name looked up along $PATH as a
 * shell would; empty when there is no such program to run.
 */
std::string FindProgram(const std::string& name);

/**
 * Whether the file is a package for the system's package handler (a ".deb") rather than a
 * program: it is opened, never run.
 */
bool IsSystemPackage(const std::string& path);

/** Creates a folder and any missing parents (mode 0700); true when it exists afterwards. */
bool ForceDirectories(const std::string& path);

/** Creates one folder level; false when it cannot be created (a missing parent included). */
bool CreateDir(const std::string& path);

} // namespace platform
