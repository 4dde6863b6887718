// SPDX-License-Identifier: MIT
#include "keys.h"

#include "form.h"

#include <QKeyEvent>
#include <QPushButton>

namespace
{

// Sees the keys that no control of the window took for itself.
class WindowKeys : public QObject
{
public:
    WindowKeys(Form& form, QPushButton* save, bool escapeCloses)
        : QObject(&form), m_form(form), m_save(save), m_escapeCloses(escapeCloses)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != &m_form || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~Qt::KeypadModifier)
            return false;
        if (key->key() == Qt::Key_Escape && m_escapeCloses) {
            m_form.close();
            return true;
        }
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        auto* focused = qobject_cast<QPushButton*>(m_form.focusWidget());
        QPushButton* press = focused ? focused : m_save;
        if (!press || !press->isVisible() || !press->isEnabled())
            return false;
        press->click();
        return true;
    }

private:
    Form& m_form;
    QPushButton* m_save;
    bool m_escapeCloses;
};

} // namespace

QString WithoutAccessKeys(const QString& caption)
{
    QString shown;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size())
            ++i;
        shown += caption[i];
    }
    return shown;
}

void AddWindowKeys(Form& form, QPushButton* save)
{
    form.installEventFilter(new WindowKeys(form, save, true));
}

void AddButtonKeys(Form& form)
{
    form.installEventFilter(new WindowKeys(form, nullptr, false));
}

bool IsMenuKey(const QKeyEvent& key)
{
    return (key.key() == Qt::Key_Menu && key.modifiers() == Qt::NoModifier) ||
           (key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier);
}
