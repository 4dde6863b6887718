// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <functional>

class QAction;
class QMenu;

// A menu item carrying its design name; choosing it runs handler inside the error boundary,
// reported under the item's caption.
QAction* AddMenuCommand(QMenu* menu, const char* name, const QString& caption,
                        std::function<void()> handler);
