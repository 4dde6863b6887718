// SPDX-License-Identifier: MIT
#include "runtime.h"

#include "platform/app.h"
#include "platform/msgbox.h"

#include <QMessageBox>

namespace
{

MsgBoxResult ShowMessageBox(const QString& prompt, MsgBoxButtons buttons)
{
    // Prompts break lines with a carriage return, which a label would draw as a space.
    QString text = prompt;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');

    QMessageBox box(QMessageBox::NoIcon, App::Title, text);
    box.setTextFormat(Qt::PlainText);
    if (buttons == MsgBoxButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int answer = box.exec();
    if (buttons == MsgBoxButtons::OK)
        return MsgBoxResult::OK;
    return answer == QMessageBox::Yes ? MsgBoxResult::Yes : MsgBoxResult::No;
}

} // namespace

void InstallDesktopRuntime()
{
    MsgBoxHandler().Replace(ShowMessageBox);
}
