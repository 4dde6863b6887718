// SPDX-License-Identifier: MIT
#include "merge.h"

namespace Merge
{

namespace
{

QString shown(const QString& value)
{
    return value.isEmpty() ? QStringLiteral("(empty)") : QStringLiteral("\"%1\"").arg(value);
}

QString shown(const QDate& value)
{
    return value.isValid() ? value.toString(Qt::ISODate) : QStringLiteral("(no due date)");
}

template <typename T>
void mergeField(const char* name, T Ical::Fields::*field, const Ical::Fields& base,
                const Ical::Fields& local, const Ical::Fields& remote, bool localIsLater,
                Result& result)
{
    const T& here = local.*field;
    const T& there = remote.*field;
    T& merged = result.fields.*field;
    if (here == there || there == base.*field) {
        merged = here;
        return;
    }
    if (here == base.*field) {
        merged = there;
        return;
    }
    merged = localIsLater ? here : there;
    const T& lost = localIsLater ? there : here;
    result.replaced << QStringLiteral("%1 of \"%2\": %3 (changed %4) replaced by %5 (changed %6)")
                           .arg(QLatin1String(name),
                                result.fields.title.isEmpty() ? local.title : result.fields.title,
                                shown(lost),
                                localIsLater ? QStringLiteral("on the server")
                                             : QStringLiteral("here"),
                                shown(merged),
                                localIsLater ? QStringLiteral("here, later")
                                             : QStringLiteral("on the server, later"));
}

} // namespace

Result ThreeWay(const Ical::Fields& base, const Ical::Fields& local, const Ical::Fields& remote,
                bool localIsLater)
{
    Result r;
    mergeField("title", &Ical::Fields::title, base, local, remote, localIsLater, r);
    mergeField("description", &Ical::Fields::description, base, local, remote, localIsLater, r);
    mergeField("due date", &Ical::Fields::due, base, local, remote, localIsLater, r);
    mergeField("status", &Ical::Fields::status, base, local, remote, localIsLater, r);
    return r;
}

} // namespace Merge
