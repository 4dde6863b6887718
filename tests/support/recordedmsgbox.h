// SPDX-License-Identifier: MIT
#pragma once
#include "platform/msgbox.h"

#include <QStringList>
#include <deque>

// While it lives, every message box is recorded instead of shown, its prompt kept in order. An
// OK notice returns OK; a Yes/No question takes the next answer queued with Answer(), or No
// when none is queued.
class RecordedMsgBox
{
public:
    void Answer(MsgBoxResult answer) { m_answers.push_back(answer); }

    QStringList prompts;

private:
    MsgBoxResult Record(const QString& prompt, MsgBoxButtons buttons)
    {
        prompts << prompt;
        if (buttons == MsgBoxButtons::OK)
            return MsgBoxResult::OK;
        if (m_answers.empty())
            return MsgBoxResult::No;
        const MsgBoxResult answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }

    std::deque<MsgBoxResult> m_answers;
    ScopedHook<MsgBoxResult(const QString&, MsgBoxButtons)> m_hook{
        MsgBoxHandler(),
        [this](const QString& prompt, MsgBoxButtons buttons) { return Record(prompt, buttons); }};
};
