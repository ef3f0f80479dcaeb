// Stylus events, keys and owner calls decoded from the input, fed to an edit field, a
// list box and a tab control on the Options screen; any broken invariant (caret or
// selection outside the text, a scroll position out of range, drawing outside the frame)
// stops the run.
#include <cstdint>
#include <cstdio>

#include "../tests/support/widget_exerciser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orx::test::WidgetExerciser exerciser;
  const std::string broken = exerciser.Run(data, size);
  if (!broken.empty()) {
    std::fprintf(stderr, "broken invariant: %s\n", broken.c_str());
    __builtin_trap();
  }
  return 0;
}
