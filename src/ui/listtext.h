// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// How many characters of a stored text a list row shows at most.
inline constexpr qsizetype ListTextLimit = 1000;

// The first `limit` UTF-16 units of text, one fewer where the cut would split a character.
QString LeadingText(const QString& text, qsizetype limit);

// Stored text as a list row shows it: the first ListTextLimit characters, the cut marked with
// an ellipsis. Another program may have stored megabytes, and laying those out for a row that
// shows a few dozen characters holds the window up for seconds. The stored text is untouched.
QString ListText(const QString& stored);
