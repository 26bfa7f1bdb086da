#include "support/JpegMaker.h"

#include "core/feeds/JpegPicture.h"

#include <algorithm>

std::string MakeJpeg(int width, int height, int seed) {
    TDecodedPicture picture{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = picture.Rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
            pixel[0] = static_cast<std::uint8_t>(x * 255 / std::max(1, width - 1));
            pixel[1] = static_cast<std::uint8_t>(y * 255 / std::max(1, height - 1));
            pixel[2] = static_cast<std::uint8_t>(seed * 40);
        }
    }
    return EncodeJpeg(picture, 90);
}
