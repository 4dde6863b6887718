// SPDX-License-Identifier: MIT
#include "errors.h"

#include "store/adodb.h"
#include "store/msgbox.h"

#include <exception>

void Guard(const QString& what, const std::function<void()>& handler)
{
    QString description;
    try {
        handler();
        return;
    } catch (const adodb::DbError& e) {
        description = e.Description();
    } catch (const std::exception& e) {
        description = QString::fromUtf8(e.what());
    } catch (...) {
        description = QStringLiteral("unknown error");
    }
    MsgBox(what + QStringLiteral(" failed:\r") + description);
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
