#pragma once

#include <string>

/** A box-art poster for a title: a coloured card with the title on it, as a JFIF JPEG. */
std::string DrawPoster(const std::string& title, const std::string& seed, int width = 110, int height = 154);
