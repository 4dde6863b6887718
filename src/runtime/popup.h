// SPDX-License-Identifier: MIT
#pragma once

#include "platform/hook.h"

#include <QPoint>

class QAction;
class QMenu;

namespace Popup
{

// Opens the menu at the pointer (or at pos) and runs the chosen item's action before
// returning; dismissing it does nothing.
void Open(QMenu& menu);
void Open(QMenu& menu, const QPoint& globalPos);

// Test seam: the picker sees the menu as it would open (item visibility already set) and
// returns the action to trigger, or null to dismiss it. No nested event loop runs.
Hook<QAction*(QMenu& menu)>& Picker();

} // namespace Popup
