// SPDX-License-Identifier: MIT
#pragma once

// Makes the windows the main window opens by name (past-due, help, About) known to the
// runtime. main() calls it once; tests that press those commands call it too.
void RegisterWindows();
