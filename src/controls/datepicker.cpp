// SPDX-License-Identifier: MIT
#include "datepicker.h"

#include "platform/datetext.h"

#include <QCalendarWidget>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
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

void DatePicker::ShowCalendar()
{
    if (!calendarPopup() || isReadOnly())
        return;
    // The base class drops the calendar only for a press on its arrow.
    QStyleOptionComboBox option;
    option.initFrom(this);
    option.editable = true;
    option.frame = hasFrame();
    option.subControls = QStyle::SC_All;
    const QPointF arrow =
        style()
            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this)
            .center();
    QMouseEvent press(QEvent::MouseButtonPress, arrow, mapToGlobal(arrow), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QDateEdit::mousePressEvent(&press);
}

void DatePicker::keyPressEvent(QKeyEvent* event)
{
    const bool altDown = event->key() == Qt::Key_Down && event->modifiers() == Qt::AltModifier;
    if (altDown || (event->key() == Qt::Key_F4 && event->modifiers() == Qt::NoModifier)) {
        ShowCalendar();
        return;
    }
    QDateEdit::keyPressEvent(event);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        emit ReturnPressed();
}

// Tab leaves the box instead of moving between day, month and year (the arrows do that).
bool DatePicker::focusNextPrevChild(bool next)
{
    return QWidget::focusNextPrevChild(next);
}
