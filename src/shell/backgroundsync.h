// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

// Sync in the background once a collection is set up (dueboard-sync beside the program does
// the work), and the main window's day reloaded when a run brought changes: once no menu or
// dialog is open, so that a command in progress acts on the task it was opened for.
void StartBackgroundSync(QObject* owner);

// The main window, if loaded, shows what the database now holds, unless the person has edited
// the shown details and not pressed "Update": that edit is kept, and a later reload shows the
// rest.
void ReloadAfterSync();
