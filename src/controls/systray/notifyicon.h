// SPDX-License-Identifier: MIT
#pragma once

#include "platform/hook.h"

#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>

// The notification area as the tray control sees it: one call taking a record, and callbacks
// that come back to the window the record names as mouse messages.

constexpr quint32 NIM_ADD = 0;
constexpr quint32 NIM_MODIFY = 1;
constexpr quint32 NIM_DELETE = 2;

constexpr quint32 NIF_MESSAGE = 1;
constexpr quint32 NIF_ICON = 2;
constexpr quint32 NIF_TIP = 4;

constexpr quint32 WM_MOUSEMOVE = 0x200;
constexpr quint32 WM_LBUTTONDOWN = 0x201;
constexpr quint32 WM_LBUTTONUP = 0x202;
constexpr quint32 WM_LBUTTONDBLCLK = 0x203;
constexpr quint32 WM_RBUTTONDOWN = 0x204;
constexpr quint32 WM_RBUTTONUP = 0x205;
constexpr quint32 WM_MBUTTONDOWN = 0x207;
constexpr quint32 WM_MBUTTONUP = 0x208;

constexpr int kTipSize = 64;

struct NotifyIconData {
    quint32 cbSize = 0;
    QPointer<QWidget> hWnd; // receives the callbacks
    quint32 uID = 0;
    quint32 uFlags = 0;
    quint32 uCallbackMessage = 0;
    QIcon hIcon;                        // a null icon is an icon without image
    std::array<char, kTipSize> szTip{}; // UTF-8, cut at a character boundary
    // Not in the classic record: a menu for notification areas that draw menus themselves.
    QPointer<QMenu> contextMenu;
};

constexpr quint32 kNotifyIconDataSize = 88;

// Sends the record to the installed notification area; false when it refused.
bool Shell_NotifyIcon(quint32 message, const NotifyIconData& data);

// The installed notification area. With none installed every call fails.
using NotifyIconPort = Hook<bool(quint32 message, const NotifyIconData& data)>;
NotifyIconPort& NotifyArea();

// Whether a notification area is there to show the icons, as the installed probe tells; with
// none installed there is none.
bool NotificationAreaPresent();
using NotificationAreaProbe = Hook<bool()>;
NotificationAreaProbe& NotificationAreaCheck();

// What the notification area shows of szTip: at most 63 bytes up to the first zero, without
// a trailing partial character.
QString TipText(const std::array<char, kTipSize>& szTip);

// Delivers a callback to the record's window the way the platform does: the callback message
// is the mouse-move message, so lParam arrives as the pointer position (x in the low 16 bits).
void SendNotifyCallback(const NotifyIconData& data, quint32 lParam);
