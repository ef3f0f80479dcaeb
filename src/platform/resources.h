// Resources embedded into the executable from res/ (pictures, glyph tables) and the
// program's string resources.
#pragma once

#include <cstdint>
#include <span>

namespace orx::platform {

// The bytes of resource `type` ("GIF", "GLYPHS", ...) with identifier `id`; empty when missing.
std::span<const uint8_t> FindResource(const char* type, int id);

// String resources: 1 is the window title "Orrelux", 3 the window class "Vantor".
// Returns "" for an unknown identifier.
const char* LoadStringResource(int id);

}  // namespace orx::platform
