// SPDX-License-Identifier: MIT
#pragma once

#include "runtime/form.h"

#include <QColor>

class LinkLabel;
class QLabel;
class QPushButton;

// "major.minor.revision", each a plain decimal number: 1, 0, 3 gives "1.0.3".
QString HardVersionText(int major, int minor, int revision);

// The About box: the program's name and versions, and links to the maker's web site and
// support mail. The links turn white under the pointer and regain their colour once the
// pointer reaches the bare window background.
class frmAbout : public Form
{
    Q_OBJECT
public:
    frmAbout();

    void Form_Load() override;
    void Form_MouseMove();
    void lblWebsite_MouseMove();
    void lblEmail_MouseMove();
    void lblWebsite_Click();
    void lblEmail_Click();
    void cmdClose_Click();
    // Hands the address to the desktop; a bare host name is opened as an https:// page.
    void OpenInternet(const QString& address);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void addKeyboard();
    QLabel* AddLabel(const QString& name, const QString& text, const QRect& rect);
    LinkLabel* AddLink(const QString& name, const QString& text, const QRect& rect);

    QLabel* Image1;
    QLabel* Label2;
    QLabel* lblAppName;
    QLabel* Label3;
    QLabel* lblVirtualVersion;
    QLabel* Label5;
    QLabel* lblHardVersion;
    QLabel* Label7;
    LinkLabel* lblWebsite;
    QLabel* Label9;
    LinkLabel* lblEmail;
    QPushButton* cmdClose;

    QColor LinkColor; // the links' normal text colour, read at load
};
