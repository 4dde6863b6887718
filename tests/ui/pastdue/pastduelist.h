// SPDX-License-Identifier: MIT
#pragma once

#include "ui/pastdue/frmpastdue.h"

#include <QItemSelectionModel>
#include <QTreeView>
#include <utility>

// The past-due list as the tests read it: its rows, cells, tags and selection, through the
// view and its model.
namespace PastDueList
{

inline const PastDueModel& model(const frmPastDue& w)
{
    return *qobject_cast<const PastDueModel*>(w.lstTasks->model());
}

inline int RowCount(const frmPastDue& w)
{
    return w.lstTasks->model()->rowCount();
}

// What the view shows in a cell, asked the way the view asks.
inline QString Text(const frmPastDue& w, int row, int column)
{
    const QAbstractItemModel* m = w.lstTasks->model();
    return m->data(m->index(row, column), Qt::DisplayRole).toString();
}

inline qint32 Tag(const frmPastDue& w, int row)
{
    return model(w).TaskID(row);
}

inline QStringList Column(const frmPastDue& w, int column)
{
    QStringList texts;
    for (int i = 0; i < RowCount(w); ++i)
        texts << Text(w, i, column);
    return texts;
}

inline QList<qint32> Tags(const frmPastDue& w)
{
    QList<qint32> ids;
    for (int i = 0; i < RowCount(w); ++i)
        ids << Tag(w, i);
    return ids;
}

inline QString Header(const frmPastDue& w, int column)
{
    return w.lstTasks->model()->headerData(column, Qt::Horizontal).toString();
}

// The whole row, every column, in viewport coordinates.
inline QRect RowRect(const frmPastDue& w, int row)
{
    const QAbstractItemModel* m = w.lstTasks->model();
    return w.lstTasks->visualRect(m->index(row, 0))
        .united(w.lstTasks->visualRect(m->index(row, m->columnCount() - 1)));
}

inline bool IsSelected(const frmPastDue& w, int row)
{
    return w.lstTasks->selectionModel()->isRowSelected(row, {});
}

inline bool NoneSelected(const frmPastDue& w)
{
    return w.lstTasks->selectionModel()->selectedRows().isEmpty();
}

inline void Select(frmPastDue& w, int row)
{
    w.lstTasks->selectionModel()->select(w.lstTasks->model()->index(row, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// The first and last rows in view, after painting them as the screen would.
inline std::pair<int, int> VisibleRows(frmPastDue& w)
{
    QWidget* viewport = w.lstTasks->viewport();
    viewport->grab();
    int bottom = viewport->height() - 1;
    while (bottom > 0 && !w.lstTasks->indexAt(QPoint(1, bottom)).isValid())
        --bottom;
    return {w.lstTasks->indexAt(QPoint(1, 1)).row(), w.lstTasks->indexAt(QPoint(1, bottom)).row()};
}

// Scrolls the row into view, as a person scrolling there would.
inline QRect ScrollTo(frmPastDue& w, int row)
{
    w.lstTasks->scrollTo(w.lstTasks->model()->index(row, 0));
    return RowRect(w, row);
}

} // namespace PastDueList
