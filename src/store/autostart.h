// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Start at log-on. The Startup folder is the XDG autostart directory and the shortcut a
// freedesktop Desktop Entry, Dueboard.desktop, that starts the launcher in App::Path().
inline constexpr int CSIDL_STARTUP = 7;

// Makes the entry unless a file of that name is already there (left alone, wherever it
// points). Errors (e.g. an unwritable folder) throw std::runtime_error naming the file.
void EnableAutoStart();
// Deletes the entry; never fails.
void DisableAutoStart();
// CSIDL_STARTUP: $XDG_CONFIG_HOME/autostart, or ~/.config/autostart when that variable is
// unset or not absolute. "" for any other folder number.
QString GetSpecialFolder(int csidl);
// Writes a Desktop Entry; ".desktop" is appended unless the path ends in it (any case).
// Omitted arguments: windowStyle 1, iconLocation = targetPath, workingDirectory = the folder
// of targetPath. Returns true once the file is saved; throws when it cannot be written.
bool MakeShortcut(const QString& shortcutPath, const QString& description,
                  const QString& targetPath, int windowStyle = 1, const QString& iconLocation = {},
                  const QString& workingDirectory = {});
