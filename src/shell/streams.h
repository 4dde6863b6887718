// SPDX-License-Identifier: MIT
#pragma once

// Lets go of the streams the program was started with, so that whoever started it (a launcher
// in a pipe, `out=$(dueboard)`) is not held until the program ends. Input reads nothing; output
// goes to the user's journal where there is one, and otherwise nowhere.
void LeaveCallersStreams();
