// SPDX-License-Identifier: MIT
#pragma once

#include "ical.h"

#include <QStringList>

// A task changed here and on the other side since they last agreed (`base`): each field takes
// the side that changed it. Where both changed one field differently, the later change wins,
// and the text it replaced is named in `replaced`, so no edit is lost without a word.
namespace Merge
{

struct Result {
    Ical::Fields fields;
    QStringList replaced;
};

// `localIsLater`: this side's change was made after the other side's.
Result ThreeWay(const Ical::Fields& base, const Ical::Fields& local, const Ical::Fields& remote,
                bool localIsLater);

} // namespace Merge
