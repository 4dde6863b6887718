// SPDX-License-Identifier: MIT
#pragma once

#include <QDateEdit>

// A date field with a drop-down calendar that reports when the drop-down closes, whether a
// day was picked or it was dismissed (Escape, a click elsewhere).
class DatePicker : public QDateEdit
{
    Q_OBJECT
public:
    explicit DatePicker(QWidget* parent = nullptr);

    bool HoldsDate() const; // false while the text part holds no valid date
    QDate Value() const;    // invalid when !HoldsDate()
    void SetValue(const QDate& day);
    void SetText(const QString& mdy);      // "m/d/yyyy", as the program writes dates
    void SetEditText(const QString& text); // what a person typed; tests use it too
    void ShowCalendar();                   // drops the calendar down, as its arrow does

signals:
    void CloseUp();
    void ReturnPressed(); // the typed or stepped date is interpreted first

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
};
