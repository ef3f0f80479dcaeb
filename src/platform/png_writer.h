// PNG pictures: the frame written as a PNG file (`--render`), and PNG files read back
// for comparing pictures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orx::platform {

// Writes `width` x `height` RGB565 pixels (rows `strideUnits` pixels apart) as an 8-bit
// RGB PNG, each channel widened by repeating its top bits; atomically. False on failure
// or on a size that makes no sense.
bool WritePng565(const std::string& path, const uint16_t* pixels, int width, int height, int strideUnits);

// Reads any PNG as 0x00RRGGBB pixels, row-major (alpha dropped). False when the file
// cannot be read or decoded.
bool ReadPng(const std::string& path, int& width, int& height, std::vector<uint32_t>& rgb);

}  // namespace orx::platform
