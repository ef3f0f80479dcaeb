// Parses arbitrary bytes as a settings file: whatever parses must serialise to a fixed
// point, and loading the settings from it must give values in range.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/settings_store.h"
#include "settings/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orx::platform::SettingsStore first;
  first.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string text = first.Serialize();
  orx::platform::SettingsStore second;
  second.Parse(text);
  if (second.Serialize() != text) std::abort();

  orx::Settings s;
  orx::SettingsHooks hooks;
  hooks.loadRoute = [](const std::string& name) { return !name.empty(); };
  orx::LoadSettings(s, first, hooks);
  if (s.snapRadius < 1 || s.snapRadius > 200 || s.gridStep < 1030 || s.gridStep > 1032 ||
      s.mainMapFile.empty() || s.skinFile.size() > 129 * 4) {
    std::abort();
  }
  orx::SaveSettings(s, second);  // no file: writes the tree only
  return 0;
}
