#pragma once

#include <string>
#include <string_view>

namespace platform {

/**
 * The start of a temporary name beside path that tells which process writes it: path, marker,
 * this process's id and "-". The caller may add to it.
 */
std::string OwnedTemporaryName(const std::string& path, std::string_view marker);

/**
 * Removes the files in folder named by OwnedTemporaryName for a process that no longer runs:
 * what a process killed in the middle of a write left. Returns how many went.
 */
int RemoveOrphanedTemporaries(const std::string& folder, std::string_view marker);

enum class TReplaceOutcome {
    Replaced,
    CannotReplace, // no temporary file could be made, or it could not take the old one's place
    WriteFailed,   // the bytes did not all reach the temporary file
};

/** Whether a replacement must be on the disk before it is reported, or only in place. */
enum class TDurability { InPlace, Synced };

struct TReplaceResult {
    TReplaceOutcome Outcome = TReplaceOutcome::CannotReplace;
    int Error = 0; // errno of the step that failed
};

/**
 * Replaces path with bytes, whole or not at all: they are written to a temporary file beside
 * it (named by OwnedTemporaryName with marker, private to the member) that is renamed over it
 * when complete. On failure the old file is exactly as it was and no temporary file is left.
 * InPlace leaves the flush to the system: a killed process still never leaves half a file.
 */
TReplaceResult ReplaceWhole(const std::string& path, std::string_view bytes, std::string_view marker,
                            TDurability durability);

} // namespace platform
