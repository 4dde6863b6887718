// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractTableModel>
#include <QDate>
#include <QHash>
#include <limits>
#include <vector>

// The rows of the past-due list. A reload keeps only each task's id and due date, in list
// order, from one read of the table; a row's title, description and status are read by id
// when the view first asks for them, so a list of any length costs a few bytes a row.
class PastDueModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { DueDate, DaysLate, Title, Description, Status, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // Every open task due before `today`, oldest first. The rows are gone before the read
    // starts, so a failed read leaves an empty list.
    void Reload(const QDate& today);
    qint32 TaskID(int row) const;
    // The one source of what a cell shows.
    QString Text(int row, int column) const;
    // A due date as the list shows it.
    static QString DateText(const QDate& day);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    // Eight bytes a row: the due date as its Julian day number, kNoDate for text that
    // holds no date.
    struct Row {
        qint32 id;
        qint32 due;
    };
    static constexpr qint32 kNoDate = std::numeric_limits<qint32>::min();
    static QDate dueDate(const Row& row);
    struct Details {
        QString title, description, status;
        QString storedDate; // only for a date the program cannot read
        QString rule;       // RRULE of a repeating task
    };
    Details details(qint32 id) const;
    Details read(qint32 id) const;

    std::vector<Row> m_rows;
    QDate m_today;
    // Rows read so far: the view asks for a screenful at a time, each cell several times.
    mutable QHash<qint32, Details> m_details;
    mutable bool m_readFailed = false; // one message per reload, not one per row painted
};
