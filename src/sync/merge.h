// SPDX-License-Identifier: MIT
#pragma once

#include "ical.h"

#include <QStringList>

// A task changed here and on the other side since they last agreed: each field takes the side
// that changed it. Where both changed one field differently, the later change wins: the
// field's change time here against the other side's LAST-MODIFIED, compared to the second (as
// much as iCalendar keeps); at the same second the server's text stays. The text a change
// replaced is named in `replaced`, so no edit is lost without a word.
namespace Merge
{

// One side of a field's merge: what this side has and whether it changed it.
struct Sides {
    Ical::Fields base;   // as both agreed, read the way the other side's to-do is read
    Ical::Fields sent;   // the task as it was when they agreed
    Ical::Fields local;  // the task now
    Ical::Fields remote; // the other side's to-do now
    Ical::Times localChanged;
    QDateTime remoteModified;
};

struct Result {
    Ical::Fields fields;
    // Per field: true where the task's own value stands and is still to be sent.
    struct {
        bool title = false, description = false, due = false, status = false;
    } keep;
    QStringList replaced;
};

Result ThreeWay(const Sides& sides);

} // namespace Merge
