#pragma once

#include <string>

/** A JFIF JPEG of the given size filled with a gradient from seed. */
std::string MakeJpeg(int width, int height, int seed = 0);
