// SPDX-License-Identifier: MIT
#include "frmhelp.h"

#include "helptexts.h"
#include "runtime/errors.h"
#include "runtime/keys.h"
#include "runtime/layout.h"

#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <stdexcept>

namespace
{

constexpr int HelpTopTwips = 720;

// A control cannot take a negative size; the resize steps fail instead of clamping, so the box
// keeps its last size while the window is tiny.
int SizePixels(int twips)
{
    if (twips < 0)
        throw std::invalid_argument("Invalid property value");
    return Twips::ToPixels(twips);
}

} // namespace

frmHelp::frmHelp() : Form(QStringLiteral("frmHelp"))
{
    setWindowTitle(QStringLiteral("Help"));
    setWindowIcon(QIcon(QStringLiteral(":/help/help.svg")));
    SetClientSizeTwips(7140, 5475, false);

    Label1 = new QLabel(QStringLiteral("Help &Topic:"), Client());
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(SansSerifFont(8.25, true));
    Label1->setGeometry(Twips::Rect(360, 240, 1095, 255));

    // Editable: a typed title (in any letter case) shows its topic, anything else shows nothing.
    txtTopic = new QComboBox(Client());
    txtTopic->setObjectName(QStringLiteral("txtTopic"));
    txtTopic->setEditable(true);
    txtTopic->setInsertPolicy(QComboBox::NoInsert);
    txtTopic->setGeometry(Twips::Rect(1560, 240, 3495, 315));

    txtHelp = new QPlainTextEdit(Client());
    txtHelp->setObjectName(QStringLiteral("txtHelp"));
    txtHelp->setReadOnly(true);
    txtHelp->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtHelp->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtHelp->setFont(SansSerifFont(9.75, false));
    txtHelp->setGeometry(Twips::Rect(120, HelpTopTwips, 6975, 4695));

    Label1->setBuddy(txtTopic);
    txtTopic->setAccessibleName(QStringLiteral("Help Topic"));
    txtHelp->setAccessibleName(QStringLiteral("Help Text"));
    AddWindowKeys(*this);

    // Both a picked entry and typed text change the current text.
    connect(txtTopic, &QComboBox::currentTextChanged, this, [this] {
        Guard(QStringLiteral("Showing the help topic"), [this] { txtTopic_Click(); });
    });
}

void frmHelp::Form_Load()
{
    txtHelp->move(0, txtHelp->y());
    for (const HelpTopic& topic : HelpTopics())
        txtTopic->addItem(topic.title);
    txtTopic->setCurrentIndex(0);
}

void frmHelp::txtTopic_Click()
{
    txtHelp->setPlainText(HelpTextFor(txtTopic->currentText()));
}

void frmHelp::Form_Resize()
{
    ContinueOnError({
        [this] { txtHelp->resize(SizePixels(OuterWidthTwips() - 150), txtHelp->height()); },
        [this] {
            txtHelp->resize(txtHelp->width(), SizePixels(OuterHeightTwips() - HelpTopTwips - 575));
        },
    });
}
