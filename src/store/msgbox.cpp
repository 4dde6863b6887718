// SPDX-License-Identifier: MIT
#include "msgbox.h"

#include <cstdio>

namespace {
MsgBoxHandler& handler()
{
    static MsgBoxHandler h;
    return h;
}
} // namespace

MsgBoxResult MsgBox(const QString& prompt, MsgBoxButtons buttons)
{
    if (handler())
        return handler()(prompt, buttons);
    std::fprintf(stderr, "Dueboard: %s\n", qUtf8Printable(prompt));
    return buttons == MsgBoxButtons::YesNo ? MsgBoxResult::No : MsgBoxResult::OK;
}

MsgBoxHandler SetMsgBoxHandler(MsgBoxHandler h)
{
    MsgBoxHandler previous = std::move(handler());
    handler() = std::move(h);
    return previous;
}
