// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <functional>
#include <initializer_list>

// No exception crosses the event loop: every handler is entered through Guard, which shows
// an escaping error in a message box naming what failed ("<what> failed:\r<description>")
// and lets the program go on.
void Guard(const QString& what, const std::function<void()>& handler);

// Continue-on-error: each step runs on its own; a step that fails is skipped.
void ContinueOnError(std::initializer_list<std::function<void()>> steps);
