// SPDX-License-Identifier: MIT
#pragma once

#include "runtime/form.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;

// The help window: a topic list and the chosen topic's text. Modeless and sizable; it has no
// owner, so it stays open when the main window closes.
class frmHelp : public Form
{
    Q_OBJECT
public:
    frmHelp();

    void Form_Load() override;
    void Form_Resize() override;
    void txtTopic_Click();

private:
    QLabel* Label1;
    QComboBox* txtTopic;
    QPlainTextEdit* txtHelp;
};
