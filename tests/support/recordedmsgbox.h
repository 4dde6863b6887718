// SPDX-License-Identifier: MIT
#pragma once
#include "store/msgbox.h"

#include <QStringList>

// While it lives, every message box is answered OK without showing, its prompt kept in order.
class RecordedMsgBox
{
public:
    RecordedMsgBox()
        : m_previous(SetMsgBoxHandler([this](const QString& prompt, MsgBoxButtons) {
              prompts << prompt;
              return MsgBoxResult::OK;
          }))
    {
    }
    ~RecordedMsgBox() { SetMsgBoxHandler(m_previous); }
    RecordedMsgBox(const RecordedMsgBox&) = delete;
    RecordedMsgBox& operator=(const RecordedMsgBox&) = delete;

    QStringList prompts;

private:
    MsgBoxHandler m_previous;
};
