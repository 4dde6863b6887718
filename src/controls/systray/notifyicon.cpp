// SPDX-License-Identifier: MIT
#include "controls/systray/notifyicon.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <utility>

namespace
{
bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Length of the UTF-8 sequence that starts with c (1 for a stray byte).
int SequenceLength(char c)
{
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0xF0)
        return 4;
    if (b >= 0xE0)
        return 3;
    if (b >= 0xC0)
        return 2;
    return 1;
}
} // namespace

bool Shell_NotifyIcon(quint32 message, const NotifyIconData& data)
{
    return NotifyArea() ? NotifyArea()(message, data) : false;
}

NotifyIconPort& NotifyArea()
{
    static NotifyIconPort port;
    return port;
}

NotificationAreaProbe& NotificationAreaCheck()
{
    static NotificationAreaProbe probe;
    return probe;
}

bool NotificationAreaPresent()
{
    return NotificationAreaCheck() && NotificationAreaCheck()();
}

QString TipText(const std::array<char, kTipSize>& szTip)
{
    int length = 0;
    while (length < kTipSize - 1 && szTip[length] != '\0')
        ++length;
    // Drop a sequence the 63-byte limit cut short.
    int lead = length - 1;
    while (lead > 0 && IsContinuationByte(szTip[lead]))
        --lead;
    if (lead >= 0 && lead + SequenceLength(szTip[lead]) > length)
        length = lead;
    return QString::fromUtf8(szTip.data(), length);
}

void SendNotifyCallback(const NotifyIconData& data, quint32 lParam)
{
    if (!data.hWnd || data.uCallbackMessage != WM_MOUSEMOVE)
        return;
    const QPointF pos(static_cast<qint16>(lParam & 0xFFFF), static_cast<qint16>(lParam >> 16));
    QMouseEvent move(QEvent::MouseMove, pos, data.hWnd->mapToGlobal(pos), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(data.hWnd, &move);
}
