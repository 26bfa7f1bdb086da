#pragma once

#include "core/settings/DateTime.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/** The program's settings; the list-valued ones are indices into the choice lists below. */
struct TConfigRec {
    std::int32_t MoviesInQueue = 2;
    std::int32_t CheckForNewMovies = 2;
    std::int32_t UpdateInterval = 2;
    std::string NetFlixID;
    bool MinimizeOnRun = false;
    bool AutoStartup = false;
    TDateTime NLFA = 0.0;

    bool operator==(const TConfigRec&) const = default;
};

struct TComboData {
    std::int32_t Value;
    std::string_view DisplayText;
};

inline constexpr std::array<TComboData, 8> MoviesInQueueItems{{
    {3, "3"},
    {5, "5"},
    {10, "10"},
    {20, "20"},
    {30, "30"},
    {40, "40"},
    {50, "50"},
    {1000, "all"},
}};

inline constexpr std::array<TComboData, 8> CheckForNewMoviesItems{{
    {1, "1 hour"},
    {2, "2 hours"},
    {3, "3 hours"},
    {4, "4 hours"},
    {6, "6 hours"},
    {9, "9 hours"},
    {12, "12 hours"},
    {24, "24 hours"},
}};

inline constexpr std::array<TComboData, 4> UpdateIntervalItems{{
    {0, "never"},
    {1, "daily"},
    {2, "weekly"},
    {3, "monthly"},
}};

inline constexpr std::string_view ConfigKey = "Software\\Plotvane\\Config";

/** The one settings record of the running program. */
extern TConfigRec Config;

/** Folders filled at start-up; each ends with '/' or is empty. */
extern std::string DataFolder;
extern std::string CacheFolder;
extern std::string TempFolder;

void SetDefaultConfig();

/** Reads Config from the registry; a value missing or of the wrong kind resets every field to its default. */
void LoadConfig();

/** Writes Config to the registry. A write that fails after the key was opened throws ERegistryException. */
void SaveConfig();

/**
 * SaveConfig without an exception: false when the write failed part-way, with the failure's
 * description in reason when one is given.
 */
bool TrySaveConfig(std::string* reason = nullptr);

/** Opens a web address in the member's browser; "mailto:" addresses go to the desktop's handler. */
void OpenURL(const std::string& url);

/** Whether an address is one for a web browser: "http:" or "https:", in any case. */
bool IsWebAddress(const std::string& url);

/**
 * Opens an address that a server sent (a card's link, the advertisement's) as OpenURL does,
 * but only a web address: a local file, a program, "javascript:" or "mailto:" never.
 */
bool OpenServerURL(const std::string& url);

/**
 * Creates Parts (each a folder name ending in '/') one level below the other under the existing
 * folder Base. True when the last level exists afterwards; Path is then Base + all Parts.
 */
bool CreateSubFolders(const std::string& base, const std::vector<std::string>& parts, std::string& path);
