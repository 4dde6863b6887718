// SPDX-License-Identifier: MIT
#include "taskrows.h"

#include "store/appfunctions.h"

QString TaskRowText(const QString& title, const QString& status)
{
    const QString word = status.toUpper();
    const QString said = word == TaskStatus::INCOMPLETE ? QStringLiteral("open")
                         : word == TaskStatus::COMPLETE ? QStringLiteral("complete")
                         : word == TaskStatus::SPECIAL  ? QStringLiteral("special")
                                                        : status;
    return title + QStringLiteral(", ") + said;
}
