// SPDX-License-Identifier: MIT
#include "frmabout.h"

#include "linklabel.h"
#include "maker.h"
#include "platform/app.h"
#include "runtime/desktop.h"
#include "runtime/errors.h"
#include "runtime/forms.h"
#include "runtime/keys.h"
#include "runtime/layout.h"
#include "ui/main/statusicons.h"

#include <QEvent>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>

namespace
{

const QColor Background(64, 64, 64);
const QColor PlainText(0, 255, 0);
const QColor LinkText(128, 128, 255);
const QColor HoverColor(255, 255, 255);
const QString VirtualVersion = QStringLiteral("1.0");

QFont LabelFont()
{
    return FontWithFallbacks({QStringLiteral("Palatino Linotype"), QStringLiteral("P052"),
                              QStringLiteral("TeX Gyre Pagella"), QStringLiteral("URW Palladio L")},
                             12, true, QFont::Serif);
}

// Only an actual change is assigned, so repeated moves do not repaint the links.
void Recolor(LinkLabel& label, const QColor& color)
{
    if (label.ForeColor() != color)
        label.SetForeColor(color);
}

} // namespace

QString HardVersionText(int major, int minor, int revision)
{
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(revision);
}

frmAbout::frmAbout() : Form(QStringLiteral("frmAbout"))
{
    setWindowTitle(QStringLiteral("About..."));
    setWindowIcon(CalendarIcon());
    // Each colour set here comes with its text colour, so no theme's own colour (white text
    // under a dark theme) lands on a background chosen here.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Background);
    pal.setColor(QPalette::WindowText, PlainText);
    setPalette(pal);
    setAutoFillBackground(true);
    SetClientSizeTwips(6105, 6600, true);
    CenterOnScreen();

    Image1 = new QLabel(Client());
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/about/banner.svg")));
    Image1->setScaledContents(true);
    Image1->setGeometry(Twips::Rect(480, 240, 5010, 795));

    Label2 = AddLabel(QStringLiteral("Label2"), QStringLiteral("Program Title:"),
                      Twips::Rect(280, 1800, 1815, 375));
    lblAppName = AddLabel(QStringLiteral("lblAppName"), QStringLiteral("SampleApp"),
                          Twips::Rect(2160, 1800, 3615, 375));
    Label3 = AddLabel(QStringLiteral("Label3"), QStringLiteral("Virtual Version:"),
                      Twips::Rect(120, 2280, 1815, 375));
    lblVirtualVersion = AddLabel(QStringLiteral("lblVirtualVersion"), QStringLiteral("1.0"),
                                 Twips::Rect(2160, 2280, 3015, 375));
    Label5 = AddLabel(QStringLiteral("Label5"), QStringLiteral("Hard Version:"),
                      Twips::Rect(340, 2760, 1695, 375));
    lblHardVersion = AddLabel(QStringLiteral("lblHardVersion"), QStringLiteral("1.0"),
                              Twips::Rect(2160, 2760, 3015, 375));
    Label7 = AddLabel(QStringLiteral("Label7"), Maker::WebSiteCaption,
                      Twips::Rect(120, 3960, 2655, 375));
    lblWebsite =
        AddLink(QStringLiteral("lblWebsite"), Maker::WebSite, Twips::Rect(1320, 4320, 3855, 375));
    Label9 =
        AddLabel(QStringLiteral("Label9"), QStringLiteral("Questions, Comments, Tech Support:"),
                 Twips::Rect(120, 4800, 4455, 375));
    lblEmail = AddLink(QStringLiteral("lblEmail"), Maker::SupportEmail,
                       Twips::Rect(1320, 5160, 4815, 375));

    cmdClose = new QPushButton(QStringLiteral("&Close"), Client());
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setFont(SansSerifFont(8.25, true));
    QPalette buttonPal = cmdClose->palette();
    buttonPal.setColor(QPalette::Button, QColor(224, 224, 224));
    buttonPal.setColor(QPalette::ButtonText, Qt::black);
    cmdClose->setPalette(buttonPal);
    cmdClose->setGeometry(Twips::Rect(2350, 5800, 1455, 495));

    Client()->setMouseTracking(true);
    Client()->installEventFilter(this);

    connect(lblWebsite, &LinkLabel::MouseMoved, this, &frmAbout::lblWebsite_MouseMove);
    connect(lblEmail, &LinkLabel::MouseMoved, this, &frmAbout::lblEmail_MouseMove);
    connect(lblWebsite, &LinkLabel::Clicked, this, &frmAbout::lblWebsite_Click);
    connect(lblEmail, &LinkLabel::Clicked, this, &frmAbout::lblEmail_Click);
    connect(cmdClose, &QPushButton::clicked, this, [this] {
        Guard(QStringLiteral("Closing the About window"), [this] { cmdClose_Click(); });
    });
    addKeyboard();
}

QLabel* frmAbout::AddLabel(const QString& name, const QString& text, const QRect& rect)
{
    auto* label = new QLabel(text, Client());
    label->setObjectName(name);
    label->setFont(LabelFont());
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, PlainText);
    label->setPalette(pal);
    label->setGeometry(rect);
    return label;
}

LinkLabel* frmAbout::AddLink(const QString& name, const QString& text, const QRect& rect)
{
    auto* link = new LinkLabel(Client());
    link->setObjectName(name);
    link->setText(text);
    QFont font = LabelFont();
    font.setUnderline(true);
    link->setFont(font);
    link->SetForeColor(LinkText);
    link->setGeometry(rect);
    return link;
}

// The links take the focus too, for keyboard users; Close keeps it when the window opens.
void frmAbout::addKeyboard()
{
    setTabOrder(cmdClose, lblWebsite);
    setTabOrder(lblWebsite, lblEmail);
    lblWebsite->setAccessibleName(QStringLiteral("Web site ") + Maker::WebSite);
    lblWebsite->setAccessibleDescription(QStringLiteral("Opens ") + Maker::WebSite +
                                         QStringLiteral(" in the web browser"));
    lblEmail->setAccessibleName(QStringLiteral("E-mail ") + Maker::SupportEmail);
    lblEmail->setAccessibleDescription(QStringLiteral("Writes an e-mail to ") +
                                       Maker::SupportEmail +
                                       QStringLiteral(" in the mail program"));
    for (LinkLabel* link : {lblWebsite, lblEmail}) {
        connect(link, &LinkLabel::FocusChanged, this, [this, link](bool focused) {
            // Leaving the focus, a link under the pointer stays lit as the pointer left it.
            if (focused || !link->underMouse())
                ContinueOnError({[&] { Recolor(*link, focused ? HoverColor : LinkColor); }});
        });
    }
    MarkAsDialog();
    AddWindowKeys(*this);
}

void frmAbout::showEvent(QShowEvent* event)
{
    Form::showEvent(event);
    cmdClose->setFocus();
}

void frmAbout::Form_Load()
{
    ContinueOnError({
        [this] { setWindowTitle(QStringLiteral("About ") + App::Title + QStringLiteral("...")); },
        [this] { lblAppName->setText(App::Title); },
        [this] { lblVirtualVersion->setText(VirtualVersion); },
        [this] {
            lblHardVersion->setText(HardVersionText(App::Major(), App::Minor(), App::Revision()));
        },
        [this] { LinkColor = lblWebsite->ForeColor(); },
    });
}

// Only the client and the links track the pointer, and a move over any other control stays
// with that control, so the client sees moves over the bare background alone.
bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Client() && event->type() == QEvent::MouseMove)
        Form_MouseMove();
    return Form::eventFilter(watched, event);
}

void frmAbout::Form_MouseMove()
{
    ContinueOnError({
        [this] { Recolor(*lblEmail, LinkColor); },
        [this] { Recolor(*lblWebsite, LinkColor); },
    });
}

void frmAbout::lblWebsite_MouseMove()
{
    ContinueOnError({[this] { Recolor(*lblWebsite, HoverColor); }});
}

void frmAbout::lblEmail_MouseMove()
{
    ContinueOnError({[this] { Recolor(*lblEmail, HoverColor); }});
}

void frmAbout::lblWebsite_Click()
{
    ContinueOnError({[this] { OpenInternet(Maker::WebSite); }});
}

void frmAbout::lblEmail_Click()
{
    ContinueOnError({[this] {
        OpenInternet(QStringLiteral("mailto:") + Maker::SupportEmail + QStringLiteral("?subject=") +
                     App::Title);
    }});
}

void frmAbout::cmdClose_Click()
{
    Forms::Unload(*this);
}

void frmAbout::OpenInternet(const QString& address)
{
    const QUrl url(address);
    Desktop::OpenUrl(url.scheme().isEmpty() ? QUrl(QStringLiteral("https://") + address) : url);
}
