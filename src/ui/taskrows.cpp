// SPDX-License-Identifier: MIT
#include "taskrows.h"

#include "repeat/rule.h"
#include "store/appfunctions.h"

QString TaskRowText(const QString& title, const QString& status, const QString& rrule)
{
    const QString word = status.toUpper();
    const QString said = word == TaskStatus::INCOMPLETE ? QStringLiteral("open")
                         : word == TaskStatus::COMPLETE ? QStringLiteral("complete")
                         : word == TaskStatus::SPECIAL  ? QStringLiteral("special")
                                                        : status;
    QString text = title + QStringLiteral(", ") + said;
    const QString repeats = RepeatText(rrule);
    if (!repeats.isEmpty())
        text += QStringLiteral(", ") + repeats.front().toLower() + repeats.mid(1);
    return text;
}

QString RepeatText(const QString& rrule)
{
    if (rrule.trimmed().isEmpty())
        return {};
    const QString words = Repeat::Describe(rrule);
    if (words.isEmpty())
        return QStringLiteral("Repeats by a rule of its own");
    return QStringLiteral("Repeats ") + words.front().toLower() + words.mid(1);
}
