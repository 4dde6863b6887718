// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

// Tells windows that follow another window's state (the tray menu follows the main window)
// whenever a window joins or leaves the collection of loaded windows.
class LoadedForms : public QObject
{
    Q_OBJECT
public:
    static LoadedForms& Instance();

signals:
    void Changed();
};
