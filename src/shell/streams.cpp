// SPDX-License-Identifier: MIT
#include "shell/streams.h"

#include <fcntl.h>
#include <syslog.h>
#include <systemd/sd-journal.h>
#include <unistd.h>

namespace
{
void Replace(int stream, int fd)
{
    if (fd >= 0 && fd != stream)
        ::dup2(fd, stream);
}
} // namespace

void LeaveCallersStreams()
{
    const int nothing = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    Replace(STDIN_FILENO, nothing);
    int journal = sd_journal_stream_fd("dueboard-server", LOG_INFO, 0);
    if (journal < 0)
        journal = nothing;
    Replace(STDOUT_FILENO, journal);
    Replace(STDERR_FILENO, journal);
    if (journal > STDERR_FILENO && journal != nothing)
        ::close(journal);
    if (nothing > STDERR_FILENO)
        ::close(nothing);
}
