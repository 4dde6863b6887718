// SPDX-License-Identifier: MIT
#pragma once

// Why dueboard-server could not start, as its exit status: the launcher that started it turns
// the status into its one line naming the cause.
enum class ServerExit : int {
    Ok = 0,                 // ran and ended, or another instance owns the bus name
    NoDisplay = 3,          // neither DISPLAY nor WAYLAND_DISPLAY is set
    DisplayUnreachable = 4, // the display that is set cannot be opened
    NoSessionBus = 5,       // the session bus cannot be reached
    NotPublished = 6,       // the bus refused the object or its name, and nobody else holds it
};
