// SPDX-License-Identifier: MIT
#include "whennoneopen.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <utility>

WhenNoneOpen::WhenNoneOpen(std::function<void()> work, QObject* parent)
    : QObject(parent), m_work(std::move(work))
{
}

void WhenNoneOpen::Request()
{
    m_requested = true;
    runIfNoneOpen();
}

void WhenNoneOpen::runIfNoneOpen()
{
    if (!m_requested || waitForOpenWindow())
        return;
    m_requested = false;
    m_work();
}

// True while a modal window or a pop-up menu is open; runIfNoneOpen runs again once it has closed.
bool WhenNoneOpen::waitForOpenWindow()
{
    QWidget* open = QApplication::activeModalWidget();
    if (!open)
        open = QApplication::activePopupWidget();
    if (!open)
        return false;
    if (m_awaited != open) {
        if (m_awaited)
            m_awaited->removeEventFilter(this);
        m_awaited = open;
        open->installEventFilter(this);
        connect(open, &QObject::destroyed, this,
                [this] { QTimer::singleShot(0, this, &WhenNoneOpen::runIfNoneOpen); });
    }
    return true;
}

// Looked at once the handler that closed it is done: another may be open by then.
bool WhenNoneOpen::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_awaited && event->type() == QEvent::Hide) {
        m_awaited->removeEventFilter(this);
        m_awaited = nullptr;
        QTimer::singleShot(0, this, &WhenNoneOpen::runIfNoneOpen);
    }
    return QObject::eventFilter(watched, event);
}
