// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// What a screen reader says for a task's row, whose status is otherwise shown only by an
// icon: "Pay rent, open", "..., complete", "..., special"; an unknown status word as stored.
// A repeating task says how it repeats too: "Pay rent, open, repeats every month".
QString TaskRowText(const QString& title, const QString& status, const QString& rrule = {});

// A repeating task's tool tip: "Repeats every 2 weeks on Monday"; empty for a task that does
// not repeat.
QString RepeatText(const QString& rrule);
