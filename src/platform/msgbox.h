// SPDX-License-Identifier: MIT
#pragma once

#include "hook.h"

#include <QString>

// The program's message box: caption "Dueboard", no icon, fixed English text.
// The store reports through it too, so the seam lives here, below the windows; the
// windowing runtime installs the real box and tests install a recorder.
enum class MsgBoxButtons { OK, YesNo };
enum class MsgBoxResult { OK, Yes, No };

MsgBoxResult MsgBox(const QString& prompt, MsgBoxButtons buttons = MsgBoxButtons::OK);

// With nothing installed the prompt goes to standard error and questions are answered No, the
// answer that changes nothing.
using MsgBoxHook = Hook<MsgBoxResult(const QString& prompt, MsgBoxButtons buttons)>;
MsgBoxHook& MsgBoxHandler();
