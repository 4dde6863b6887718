// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QString>

// ImageList1: the 32-pixel status pictures keyed by status word, made once and shared by
// every node. An unknown word has no picture.
QIcon StatusIcon(const QString& statusWord);

// The open calendar book of the main window and the due date dialog.
QIcon CalendarIcon();
