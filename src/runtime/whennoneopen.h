// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

// Work that must not run under an open modal window or pop-up menu, whose command in progress
// would then find another task current: Request runs it at once, or once that window has closed
// and the handler that closed it is done. Requests made while it waits run it once.
class WhenNoneOpen : public QObject
{
    Q_OBJECT
public:
    explicit WhenNoneOpen(std::function<void()> work, QObject* parent = nullptr);

    void Request();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void runIfNoneOpen();
    bool waitForOpenWindow();

    std::function<void()> m_work;
    bool m_requested = false;
    QPointer<QWidget> m_awaited;
};
