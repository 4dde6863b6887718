// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

class QMenu;

// The "Procrastinate" submenu of the task menus: "1 Day" to "7 Days" (mnuPro1 ... mnuPro7),
// each handing its number of days to procrastinate.
QMenu* AddProcrastinateMenu(QMenu* popUp, const std::function<void(int days)>& procrastinate);
