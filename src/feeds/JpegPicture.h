#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/** A decoded picture: rows of 8-bit RGB triples, top to bottom. */
struct TDecodedPicture {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Rgb;
};

/**
 * Decodes a JPEG picture. A truncated or damaged one is a failure (the library would
 * otherwise fill the missing part with grey), and so is one larger than MaxJpegSide.
 */
std::optional<TDecodedPicture> DecodeJpeg(const std::uint8_t* data, std::size_t size);
std::optional<TDecodedPicture> DecodeJpegFile(const std::string& path);

inline constexpr int MaxJpegSide = 4096;

/** Encodes a picture as a baseline JFIF JPEG (the demo service draws box art with it). */
std::string EncodeJpeg(const TDecodedPicture& picture, int quality = 88);
