// SPDX-License-Identifier: MIT
#pragma once

// Installs the real desktop implementations of the seams (message box). Called by main().
void InstallDesktopRuntime();
