// The system's own message box, used only where the program's toolkit cannot run (the
// closing messages of a failed start-up). The text always goes to standard error too.
#pragma once

#include <string>

namespace orx::platform {

// `text` and `caption` are Windows-1252. Shows a box with an OK button when a display
// can be had and `graphical` is set; returns when it is dismissed.
void ShowSystemMessageBox(const std::string& text, const std::string& caption, bool graphical = true);

}  // namespace orx::platform
