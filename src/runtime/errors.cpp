// SPDX-License-Identifier: MIT
#include "errors.h"

#include "platform/error.h"
#include "platform/msgbox.h"

void Guard(const QString& what, const std::function<void()>& handler)
{
    try {
        handler();
    } catch (...) {
        MsgBox(what + QStringLiteral(" failed:\r") + Describe(std::current_exception()));
    }
}

void ContinueOnError(std::initializer_list<std::function<void()>> steps)
{
    for (const auto& step : steps) {
        try {
            step();
        } catch (...) {
            // A failing step is skipped; the next one runs.
        }
    }
}
