// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QString>

class QAbstractItemView;

// ImageList1: the 32-pixel status pictures keyed by status word in any letter case, made once
// and shared by every node. A selected node shows the same picture, never one tinted by the
// highlight. A word that names no status has no picture.
QIcon StatusIcon(const QString& statusWord);

// Keeps the picture's place in every row of the view, so that a row whose status word has no
// picture is as high as the others and its text starts where theirs does.
void KeepIconPlace(QAbstractItemView& view);

// The open calendar book: the program's icon, of the main window and the due date dialog.
QIcon CalendarIcon();
