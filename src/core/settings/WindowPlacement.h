#pragma once

#include <cstdint>
#include <optional>
#include <string>

/** The main window's placement as the registry keeps it ("WindowFlags", 24 bytes). */
struct TWindowFlagsRec {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint8_t State = 0; // 0 normal, 1 minimised, 2 maximised
    std::int32_t ActivePage = -1;

    bool operator==(const TWindowFlagsRec&) const = default;
};

std::string EncodeWindowFlags(const TWindowFlagsRec& rec);
/** Only a value of exactly 24 bytes is a placement; anything else is ignored. */
std::optional<TWindowFlagsRec> DecodeWindowFlags(const std::string& bytes);

/** The stored placement; nullopt when the key or the value is missing, or the value is not a placement. */
std::optional<TWindowFlagsRec> LoadWindowPlacement();
/** Stores the placement; failures are silent. */
void SaveWindowPlacement(const TWindowFlagsRec& rec);
