// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class Form;
class QKeyEvent;
class QPushButton;

// A caption as shown: access-key markers ("&") removed, "&&" kept as one "&".
QString WithoutAccessKeys(const QString& caption);

// The desktop's keys for a window: Escape does what the close box does; Return presses the
// focused button, or `save` when focus is elsewhere (a multi-line box keeps Return for itself).
void AddWindowKeys(Form& form, QPushButton* save = nullptr);
// Only the focused button's Return, for a window that Escape must not close.
void AddButtonKeys(Form& form);

// The keys that open a context menu from the keyboard: the Menu key and Shift+F10.
bool IsMenuKey(const QKeyEvent& key);
