// SPDX-License-Identifier: MIT
#include "datepicker.h"

#include "platform/datetext.h"

#include <QCalendarWidget>
#include <QEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <stdexcept>

namespace
{

// The date the text shows in the picker's format and range; invalid if it shows none.
QDate DateInText(const QDateEdit& edit, const QString& text)
{
    const QDate day = edit.locale().toDate(text, edit.displayFormat());
    return day >= edit.minimumDate() && day <= edit.maximumDate() ? day : QDate();
}

// Reports the drop-down's Hide event once the popup has finished handling it: on a dismissal
// the popup puts the previous date back in its own hide handler, and CloseUp must see that.
class CloseUpWatcher : public QObject
{
public:
    explicit CloseUpWatcher(DatePicker& picker) : QObject(&picker), m_picker(picker) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide)
            QMetaObject::invokeMethod(&m_picker, &DatePicker::CloseUp, Qt::QueuedConnection);
        return QObject::eventFilter(watched, event);
    }

private:
    DatePicker& m_picker;
};

} // namespace

DatePicker::DatePicker(QWidget* parent) : QDateEdit(parent)
{
    setDisplayFormat(ShortDateFormatWithFullYear(locale()));
    setCalendarPopup(true);
    calendarWidget()->window()->installEventFilter(new CloseUpWatcher(*this));
}

bool DatePicker::HoldsDate() const
{
    return DateInText(*this, text()).isValid();
}

QDate DatePicker::Value() const
{
    return HoldsDate() ? date() : QDate();
}

void DatePicker::SetValue(const QDate& day)
{
    setDate(day);
}

void DatePicker::SetText(const QString& mdy)
{
    const QDate day = ParseMonthFirst(mdy.trimmed());
    if (!day.isValid())
        throw std::invalid_argument("not a m/d/yyyy date: " + mdy.toStdString());
    setDate(day);
}

void DatePicker::SetEditText(const QString& text)
{
    {
        // Left as typed (the validator corrects it as it does keystrokes); the spin box would
        // otherwise put its last date back at once.
        const QSignalBlocker blocker(lineEdit());
        lineEdit()->setText(text);
    }
    const QDate typed = DateInText(*this, this->text());
    if (typed.isValid())
        setDate(typed);
}
