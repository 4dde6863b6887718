// SPDX-License-Identifier: MIT
#pragma once
#include "controls/systray/systray.h"

#include <QList>
#include <algorithm>
#include <set>
#include <utility>

// Stands in for the notification area while it lives: records every call and keeps icons the
// way a notification area does, so that a second add or an absent delete fails and changes
// nothing.
class RecordingPort
{
public:
    struct Call {
        quint32 message;
        const QWidget* target; // the window as named at the time of the call
        NotifyIconData data;
    };

    RecordingPort() = default;
    RecordingPort(const RecordingPort&) = delete;
    RecordingPort& operator=(const RecordingPort&) = delete;

    int Count(quint32 message) const
    {
        return std::count_if(calls.begin(), calls.end(),
                             [message](const Call& call) { return call.message == message; });
    }
    // The record of the latest add; there must be one.
    const NotifyIconData& LastAdd() const
    {
        const auto last = std::find_if(calls.rbegin(), calls.rend(),
                                       [](const Call& call) { return call.message == NIM_ADD; });
        return last->data;
    }

    QList<Call> calls;
    std::set<std::pair<const QWidget*, quint32>> icons;
    bool present = true; // whether the notification area is there

private:
    bool Take(quint32 message, const NotifyIconData& data)
    {
        calls.append({message, data.hWnd.data(), data});
        const auto key = std::make_pair(data.hWnd.data(), data.uID);
        switch (message) {
        case NIM_ADD:
            return icons.insert(key).second;
        case NIM_MODIFY:
            return icons.count(key) > 0;
        case NIM_DELETE:
            return icons.erase(key) > 0;
        }
        return false;
    }

    ScopedHook<bool(quint32, const NotifyIconData&)> m_port{
        NotifyArea(),
        [this](quint32 message, const NotifyIconData& data) { return Take(message, data); }};
    ScopedHook<bool()> m_probe{NotificationAreaCheck(), [this] { return present; }};
};
