// Layout of the table generated from res/ at build time.
#pragma once

namespace orx::platform::detail {

struct EmbeddedResource {
  const char* type;  // "GIF", "GLYPHS", ...; null ends the table
  int id;
  const unsigned char* begin;
  const unsigned char* end;
};

extern const EmbeddedResource kEmbeddedResources[];

}  // namespace orx::platform::detail
