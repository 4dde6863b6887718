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

bool localIsLater(const QDateTime& here, const QDateTime& there)
{
    if (!here.isValid() || !there.isValid())
        return false;
    return here.toSecsSinceEpoch() > there.toSecsSinceEpoch();
}

template <typename T>
void mergeField(const char* name, T Ical::Fields::*field, const QDateTime Ical::Times::*time,
                bool* keep, const Sides& s, Result& result)
{
    const T& here = s.local.*field;
    const T& there = s.remote.*field;
    T& merged = result.fields.*field;
    const bool changedHere = here != s.sent.*field;
    const bool changedThere = there != s.base.*field;
    if (!changedThere) {
        merged = here;
        *keep = changedHere;
        return;
    }
    // The same change on both sides, or a text of ours as it reads back.
    const Ical::Fields ours = Ical::AsWritten(s.local);
    if (!changedHere || there == ours.*field) {
        merged = changedHere ? here : there;
        return;
    }
    const QDateTime& changed = s.localChanged.*time;
    const bool later = localIsLater(changed, s.remoteModified);
    const bool tie = changed.isValid() && s.remoteModified.isValid() &&
                     changed.toSecsSinceEpoch() == s.remoteModified.toSecsSinceEpoch();
    merged = later ? here : there;
    *keep = later;
    const T& lost = later ? there : here;
    const QString title = result.fields.title.isEmpty() ? s.local.title : result.fields.title;
    QString when = later ? QStringLiteral("here, later")
                         : (tie ? QStringLiteral("on the server in the same second")
                                : QStringLiteral("on the server, later"));
    result.replaced << QStringLiteral("%1 of \"%2\": %3 (changed %4) replaced by %5 (changed %6)")
                           .arg(QLatin1String(name), title, shown(lost),
                                later ? QStringLiteral("on the server") : QStringLiteral("here"),
                                shown(merged), when);
}

} // namespace

Result ThreeWay(const Sides& s)
{
    Result r;
    mergeField("title", &Ical::Fields::title, &Ical::Times::title, &r.keep.title, s, r);
    mergeField("description", &Ical::Fields::description, &Ical::Times::description,
               &r.keep.description, s, r);
    mergeField("due date", &Ical::Fields::due, &Ical::Times::due, &r.keep.due, s, r);
    mergeField("status", &Ical::Fields::status, &Ical::Times::status, &r.keep.status, s, r);
    return r;
}

} // namespace Merge
