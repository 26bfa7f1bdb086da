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
std::optional<TDecodedPicture> DecodeJpeg(const std::uint8_t* data, std::size_t size, int minSide = 0);
/**
 * The same from a file. With minSide, a large picture is decoded at a half, a quarter or an
 * eighth of its size (libjpeg's own scaling, cheap and in the decoder), as small as keeps both
 * sides at least minSide: what is drawn on a card never needs the full 4096 pixels.
 */
std::optional<TDecodedPicture> DecodeJpegFile(const std::string& path, int minSide = 0);

inline constexpr int MaxJpegSide = 4096;

/** Encodes a picture as a baseline JFIF JPEG (the demo service draws box art with it). */
std::string EncodeJpeg(const TDecodedPicture& picture, int quality = 88);
