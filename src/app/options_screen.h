// The Options screen of the main window: the dialog's records for one message, opening
// it (screen mode 3) and the handler that sees every message first while it is shown.
#pragma once

#include "platform/messages.h"
#include "settings/options_dialog.h"

namespace orx {

struct App;

// The application's records as the Options dialog uses them.
OptionsEnv OptionsEnvOf(App& app);
// Command 2003: the dialog fills the screen.
void OpenOptionsScreen(App& app);
// True when the Options screen handled `m` (only while it is shown).
bool OptionsScreenProc(App& app, const platform::Message& m);

}  // namespace orx
