#include "platform/resources.h"

#include <cstring>

#include "platform/resource_table.h"

namespace orx::platform {

std::span<const uint8_t> FindResource(const char* type, int id) {
  for (const detail::EmbeddedResource* r = detail::kEmbeddedResources; r->type; ++r) {
    if (r->id == id && std::strcmp(r->type, type) == 0) {
      return {reinterpret_cast<const uint8_t*>(r->begin), static_cast<size_t>(r->end - r->begin)};
    }
  }
  return {};
}

const char* LoadStringResource(int id) {
  switch (id) {
    case 1: return "Orrelux";
    case 3: return "Vantor";
    default: return "";
  }
}

}  // namespace orx::platform
