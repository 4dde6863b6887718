// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Start at log-on. The Startup folder is the XDG autostart directory and the shortcut a
// freedesktop Desktop Entry, Dueboard.desktop, that starts the launcher in App::Path().
inline constexpr int CSIDL_STARTUP = 7;

// Makes the entry unless a file of that name is already there (left alone, wherever it
// points). It starts the launcher by its own path, or by a link to it on the search path where
// desktops cannot start a program from the launcher's path; its icon is the program's own.
// Errors (an unwritable folder, no path desktops can start) throw std::runtime_error naming
// the file and the cause, and write nothing.
void EnableAutoStart();
// Deletes the entry; never fails.
void DisableAutoStart();
// CSIDL_STARTUP: $XDG_CONFIG_HOME/autostart, or ~/.config/autostart when that variable is
// unset or not absolute. "" for any other folder number.
QString GetSpecialFolder(int csidl);
// Writes a Desktop Entry; ".desktop" is appended unless the path ends in it (any case).
// Omitted arguments: windowStyle 1, iconLocation = targetPath, workingDirectory = the folder
// of targetPath. Returns true once the file is saved; throws when it cannot be written, or when
// targetPath holds characters that desktops cannot start a program from.
bool MakeShortcut(const QString& shortcutPath, const QString& description,
                  const QString& targetPath, int windowStyle = 1, const QString& iconLocation = {},
                  const QString& workingDirectory = {});
