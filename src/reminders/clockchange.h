// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class QSocketNotifier;

// Tells when someone sets the system clock (by hand, or a time sync that steps it): a timer on
// the wall clock, armed far ahead, that the kernel cancels whenever the clock is set.
class ClockChanges : public QObject
{
    Q_OBJECT
public:
    explicit ClockChanges(QObject* parent = nullptr);
    ~ClockChanges() override;

signals:
    void Changed();

private:
    void Arm();
    void Readable();

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};
