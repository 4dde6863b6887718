// SPDX-License-Identifier: MIT
#include "msgbox.h"

#include <cstdio>

MsgBoxHook& MsgBoxHandler()
{
    static MsgBoxHook hook;
    return hook;
}

MsgBoxResult MsgBox(const QString& prompt, MsgBoxButtons buttons)
{
    if (MsgBoxHandler())
        return MsgBoxHandler()(prompt, buttons);
    std::fprintf(stderr, "Dueboard: %s\n", qUtf8Printable(prompt));
    return buttons == MsgBoxButtons::YesNo ? MsgBoxResult::No : MsgBoxResult::OK;
}
