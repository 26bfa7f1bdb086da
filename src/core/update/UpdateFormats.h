#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

/** A version number: major, minor, release and build in one word, most significant first. */
using TVersion = std::uint32_t;

/** "1.2.3.4" for the packed 0x01020304. */
std::string VersionToStr(TVersion version);

/** Packs a version resource's two words (major << 16 | minor, release << 16 | build). */
TVersion PackFileVersion(std::uint32_t versionMS, std::uint32_t versionLS);

/** The 76-byte version record of an update answer. */
struct TVersionRec {
    std::uint8_t Valid = 0;
    TVersion Version = 0;
    std::string BaseName; // at most 64 characters

    static constexpr std::size_t Size = 76;
    /** Reads the record from exactly Size bytes; a name length above 64 keeps 64 characters. */
    static TVersionRec Read(std::string_view bytes);
    bool operator==(const TVersionRec&) const = default;
};

/** Raised when an update answer's compressed content does not inflate as announced. */
class EBadDecompression : public std::runtime_error {
public:
    EBadDecompression()
        : std::runtime_error("Bad decompression detected!") {}
};

/** What an update answer tells, field by field. */
struct TUpdateAnswer {
    std::string ProjectName;
    std::string ExtraText1, ExtraText2, ExtraText3, ExtraText4;
    std::string DownloadFolder;
    std::string AnswerPicture; // JPEG bytes, kept and never shown
    std::string ReleaseDescription;
    std::string ReleaseBugFixes;
    std::string ReleaseFeatures;
    TVersionRec RemoteInfo;
};

/** The answer's own length and checksum, in its last eight bytes, agree with its bytes. */
bool VerifyAnswer(std::string_view bytes);

/**
 * Reads an update answer into answer. An answer that fails VerifyAnswer or carries another
 * format marker leaves answer untouched and gives false. Compressed content that does not inflate
 * to exactly its announced length throws EBadDecompression. Lengths in the data that run past
 * its end end the reading there: the fields not reached stay empty.
 */
bool ParseAnswer(std::string_view bytes, TUpdateAnswer& answer);

/** The effective update mode's ordinals. */
enum class TUpdateMode : std::uint8_t { umNever = 0, umDaily = 1, umWeekly = 2, umMonthly = 3 };

/** The update checker's status, kept by its owner between runs. */
struct TUpdateStatus {
    std::uint8_t DownloadPending = 0;
    std::uint8_t PendingPadding[3] = {0, 0, 0}; // written back as read
    TVersion DownloadVersion = 0;
    std::uint8_t Mode = 0;
    std::string TempFile;
    double DownloadStarted = 0;
    double NextCheck = 0;
    bool operator==(const TUpdateStatus&) const = default;
};

/** The status record: 29 bytes plus the length of TempFile. */
std::string WriteStatusRecord(const TUpdateStatus& status);

/**
 * Reads a status record. False, with status untouched, when the bytes are not a whole record
 * (too short, a negative length, or a length running past the end).
 */
bool ReadStatusRecord(std::string_view bytes, TUpdateStatus& status);
