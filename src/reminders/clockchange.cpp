// SPDX-License-Identifier: MIT
#include "reminders/clockchange.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <sys/timerfd.h>
#include <unistd.h>

namespace
{
// Far enough never to expire in practice; near enough to stay clear of time_t's end.
constexpr time_t kAhead = 10 * 365 * 24 * 3600;
} // namespace

ClockChanges::ClockChanges(QObject* parent) : QObject(parent)
{
    m_fd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd < 0)
        return; // the days are still noticed at midnight and on resume
    Arm();
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ClockChanges::Readable);
}

ClockChanges::~ClockChanges()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void ClockChanges::Arm()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    itimerspec when{};
    when.it_value.tv_sec = now.tv_sec + kAhead;
    ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when, nullptr);
}

// A set clock cancels the timer (the read fails with ECANCELED); it must be armed again.
void ClockChanges::Readable()
{
    std::uint64_t expirations = 0;
    if (::read(m_fd, &expirations, sizeof expirations) < 0 && errno == EAGAIN)
        return;
    Arm();
    emit Changed();
}
