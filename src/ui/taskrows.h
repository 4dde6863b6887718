// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// What a screen reader says for a task's row, whose status is otherwise shown only by an
// icon: "Pay rent, open", "..., complete", "..., special"; an unknown status word as stored.
QString TaskRowText(const QString& title, const QString& status);
