// SPDX-License-Identifier: MIT
#include "controls/systray/picturebox.h"
#include "controls/systray/systray.h"
#include "controls/systray/trayiconbackend.h"

#include <gtest/gtest.h>

namespace
{

using Reason = QSystemTrayIcon::ActivationReason;
constexpr int kInterval = 400;

struct Step {
    Reason reason;
    qint64 atMs;
    QList<quint32> codes;
};

void ExpectCodes(const std::vector<Step>& steps)
{
    ClickSequencer clicks;
    for (const Step& step : steps) {
        EXPECT_EQ(clicks.Codes(step.reason, step.atMs, kInterval), step.codes)
            << int(step.reason) << " at " << step.atMs;
    }
}

const QList<quint32> kClick{WM_LBUTTONDOWN, WM_LBUTTONUP};
const QList<quint32> kDouble{WM_LBUTTONDBLCLK, WM_LBUTTONUP};

TEST(ClickSequencer, TwoQuickTriggersAreADoubleClick)
{
    ExpectCodes({{Reason::Trigger, 1000, kClick},
                 {Reason::Trigger, 1000 + kInterval, kDouble},
                 {Reason::Trigger, 1000 + kInterval + 50, kClick}, // a third click starts afresh
                 {Reason::Trigger, 2000 + kInterval, kClick}});
}

TEST(ClickSequencer, XEmbedDoubleClickFollowsOneTrigger)
{
    ExpectCodes({{Reason::Trigger, 0, kClick},
                 {Reason::DoubleClick, 100, kDouble},
                 {Reason::Trigger, 200, kClick}});
}

TEST(ClickSequencer, RightAndMiddleButtonsAndUnknown)
{
    ExpectCodes({{Reason::Context, 0, {WM_RBUTTONDOWN, WM_RBUTTONUP}},
                 {Reason::MiddleClick, 10, {WM_MBUTTONDOWN, WM_MBUTTONUP}},
                 {Reason::Unknown, 20, {}},
                 {Reason::Trigger, 30, kClick}});
}

TEST(ClickSequencer, AHostSeesClickDoubleClickClick)
{
    SysTray tray;
    QStringList events;
    QObject::connect(&tray, &SysTray::Click, [&] { events.append("Click"); });
    QObject::connect(&tray, &SysTray::RClick, [&] { events.append("RClick"); });
    QObject::connect(&tray, &SysTray::DblClick, [&] { events.append("DblClick"); });
    NotifyIconData record;
    record.hWnd = const_cast<PictureBox*>(tray.TextSurface());
    record.uCallbackMessage = WM_MOUSEMOVE;

    ClickSequencer clicks;
    for (auto [reason, at] :
         {std::pair{Reason::Trigger, 0}, {Reason::Trigger, 150}, {Reason::Context, 2000}}) {
        for (quint32 code : clicks.Codes(reason, at, kInterval))
            SendNotifyCallback(record, code);
    }
    EXPECT_EQ(events, QStringList({"Click", "DblClick", "Click", "RClick"}));
}

// Offscreen there is no notification area, but the bookkeeping still holds.
TEST(TrayIconBackend, RefusesDuplicatesAndAbsentIcons)
{
    TrayIconBackend backend;
    QWidget window;
    NotifyIconData data;
    data.hWnd = &window;
    data.uID = 1;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_MOUSEMOVE;

    EXPECT_FALSE(backend.Shell_NotifyIcon(NIM_MODIFY, data));
    EXPECT_FALSE(backend.Shell_NotifyIcon(NIM_DELETE, data));
    EXPECT_TRUE(backend.Shell_NotifyIcon(NIM_ADD, data));
    EXPECT_FALSE(backend.Shell_NotifyIcon(NIM_ADD, data));
    EXPECT_TRUE(backend.Shell_NotifyIcon(NIM_MODIFY, data));
    data.uID = 2;
    EXPECT_TRUE(backend.Shell_NotifyIcon(NIM_ADD, data));
    EXPECT_TRUE(backend.Shell_NotifyIcon(NIM_DELETE, data));
    data.uID = 1;
    EXPECT_TRUE(backend.Shell_NotifyIcon(NIM_DELETE, data));
    EXPECT_FALSE(backend.Shell_NotifyIcon(NIM_DELETE, data));
    EXPECT_FALSE(backend.Shell_NotifyIcon(7, data));

    data.hWnd = nullptr;
    EXPECT_FALSE(backend.Shell_NotifyIcon(NIM_ADD, data));
}

} // namespace
