// SPDX-License-Identifier: MIT
#include "runtime/desktop.h"
#include "runtime/forms.h"
#include "runtime/keys.h"
#include "support/recordedmsgbox.h"
#include "support/themes.h"
#include "ui/about/frmabout.h"
#include "ui/about/linklabel.h"
#include "ui/main/statusicons.h"

#include <QAccessible>
#include <QApplication>
#include <QCoreApplication>
#include <QFontInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QWindow>
#include <gtest/gtest.h>

namespace
{

const QColor Green(0, 255, 0);
const QColor Link(128, 128, 255);
const QColor White(255, 255, 255);

QColor TextColor(const QWidget* widget)
{
    return widget->palette().color(QPalette::WindowText);
}

// A pointer move without a pressed button, delivered the way the application delivers it:
// to the widget under the pointer and on to its parents while nobody takes it.
void MoveOver(QWidget* widget, QPoint pos = {})
{
    if (pos.isNull())
        pos = widget->rect().center();
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

class AboutWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Forms::ShowModal(Forms::Instance<frmAbout>(), nullptr);
        m_form = &Forms::Instance<frmAbout>();
    }
    void TearDown() override
    {
        for (Form* form : Forms::Loaded())
            Forms::Unload(*form);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    template <class T = QLabel> T* Child(const char* name)
    {
        T* child = m_form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    frmAbout* m_form = nullptr;
    bool m_modalWhileShown = false;
    QWindow* m_owner = nullptr;
    RecordedMsgBox m_msgBox;
    QList<QUrl> m_opened;
    ScopedHook<bool(const QUrl&)> m_opener{Desktop::UrlOpener(), [this](const QUrl& url) {
                                               m_opened << url;
                                               return false; // no browser or mail program set up
                                           }};
    // Opened as the main window opens it; the driver leaves it showing.
    ScopedHook<void(Form&)> m_driver{Forms::ModalDriver(), [this](Form& form) {
                                         m_modalWhileShown = form.isModal();
                                         m_owner = form.windowHandle()
                                                       ? form.windowHandle()->transientParent()
                                                       : nullptr;
                                     }};
};

TEST(HardVersion, WritesEachPartAsAPlainNumber)
{
    EXPECT_EQ(HardVersionText(1, 0, 3), QStringLiteral("1.0.3"));
    EXPECT_EQ(HardVersionText(2, 5, 12), QStringLiteral("2.5.12"));
    EXPECT_EQ(HardVersionText(10, 0, 0), QStringLiteral("10.0.0"));
}

TEST_F(AboutWindow, LoadFillsInNameAndVersions)
{
    EXPECT_EQ(m_form->windowTitle(), QStringLiteral("About Dueboard..."));
    EXPECT_EQ(Child("lblAppName")->text(), QStringLiteral("Dueboard"));
    EXPECT_EQ(Child("lblVirtualVersion")->text(), QStringLiteral("1.0"));
    // The build's own version, as CMake's project() gives it.
    EXPECT_EQ(Child("lblHardVersion")->text(), QStringLiteral(DUEBOARD_BUILD_VERSION));
    EXPECT_EQ(Child("Label2")->text(), QStringLiteral("Program Title:"));
    EXPECT_EQ(Child("Label3")->text(), QStringLiteral("Virtual Version:"));
    EXPECT_EQ(Child("Label5")->text(), QStringLiteral("Hard Version:"));
    EXPECT_EQ(Child("Label9")->text(), QStringLiteral("Questions, Comments, Tech Support:"));
    EXPECT_EQ(WithoutAccessKeys(Child<QPushButton>("cmdClose")->text()), QStringLiteral("Close"));
}

TEST_F(AboutWindow, ModalWithoutOwnerFixedSizeDarkGrey)
{
    EXPECT_TRUE(m_modalWhileShown);
    EXPECT_EQ(m_owner, nullptr);
    EXPECT_EQ(m_form->Client()->size(), QSize(407, 440));
    EXPECT_EQ(m_form->minimumSize(), m_form->maximumSize());
    EXPECT_EQ(m_form->palette().color(QPalette::Window), QColor(64, 64, 64));
}

TEST_F(AboutWindow, LabelsUseTheSerifFontAndTheirColours)
{
    for (const char* name : {"Label2", "lblAppName", "Label3", "lblVirtualVersion", "Label5",
                             "lblHardVersion", "Label7", "Label9"}) {
        QLabel* label = Child(name);
        EXPECT_EQ(TextColor(label), Green) << name;
        EXPECT_FALSE(label->font().underline()) << name;
    }
    for (const char* name : {"lblWebsite", "lblEmail"}) {
        QLabel* label = Child(name);
        EXPECT_EQ(TextColor(label), Link) << name;
        EXPECT_TRUE(label->font().underline()) << name;
    }
    const QFontInfo font(Child("lblAppName")->font());
    EXPECT_TRUE(font.bold());
    EXPECT_EQ(font.pointSize(), 12);
    EXPECT_TRUE(QStringList({"Palatino Linotype", "P052", "TeX Gyre Pagella", "URW Palladio L"})
                    .contains(font.family().section(QStringLiteral(" ["), 0, 0)))
        << font.family().toStdString();

    auto* close = Child<QPushButton>("cmdClose");
    EXPECT_EQ(close->palette().color(QPalette::Button), QColor(224, 224, 224));
    for (QWidget* child : m_form->findChildren<QWidget*>()) {
        // The links take the focus too, for keyboard users.
        if (child != close && !qobject_cast<LinkLabel*>(child)) {
            EXPECT_EQ(child->focusPolicy(), Qt::NoFocus) << child->objectName().toStdString();
        }
    }
}

TEST_F(AboutWindow, LinkStaysWhiteUntilThePointerReachesTheBareBackground)
{
    auto* website = Child<LinkLabel>("lblWebsite");
    auto* email = Child<LinkLabel>("lblEmail");
    QSignalSpy websiteSets(website, &LinkLabel::ForeColorSet);
    QSignalSpy emailSets(email, &LinkLabel::ForeColorSet);
    const QPoint background(2, 2); // above the banner, left of everything
    ASSERT_EQ(m_form->Client()->childAt(background), nullptr);

    // Over the background with both links in their colour: nothing is set.
    MoveOver(m_form->Client(), background);
    EXPECT_EQ(websiteSets.count() + emailSets.count(), 0);

    MoveOver(email);
    MoveOver(email);
    EXPECT_EQ(TextColor(email), White);
    EXPECT_EQ(emailSets.count(), 1); // set once, not on every move

    // Other controls are not the background.
    MoveOver(Child("Label9"));
    MoveOver(Child("Image1"));
    MoveOver(Child<QPushButton>("cmdClose"));
    EXPECT_EQ(TextColor(email), White);
    EXPECT_EQ(emailSets.count(), 1);

    MoveOver(m_form->Client(), background);
    EXPECT_EQ(TextColor(email), Link);
    EXPECT_EQ(emailSets.count(), 2);
    EXPECT_EQ(websiteSets.count(), 0);

    MoveOver(website);
    MoveOver(email);
    EXPECT_EQ(TextColor(website), White);
    EXPECT_EQ(TextColor(email), White);
    MoveOver(m_form->Client(), background);
    MoveOver(m_form->Client(), background);
    EXPECT_EQ(TextColor(website), Link);
    EXPECT_EQ(TextColor(email), Link);
    EXPECT_EQ(websiteSets.count(), 2);
    EXPECT_EQ(emailSets.count(), 4);
}

TEST_F(AboutWindow, LinksHandTheirAddressToTheDesktopAndTheWindowStaysOpen)
{
    QTest::mouseClick(Child("lblWebsite"), Qt::LeftButton);
    QTest::mouseClick(Child("lblEmail"), Qt::LeftButton);
    ASSERT_EQ(m_opened.size(), 2);
    EXPECT_EQ(m_opened[0], QUrl(QStringLiteral("https://www.example.org")));
    EXPECT_EQ(m_opened[1].toString(),
              QStringLiteral("mailto:support@example.org?subject=Dueboard"));

    // The opener reported failure: nothing is shown and the window stays.
    EXPECT_TRUE(m_msgBox.prompts.isEmpty());
    EXPECT_TRUE(IsFormLoaded(QStringLiteral("frmAbout")));
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_EQ(Child("lblWebsite")->text(), QStringLiteral("www.example.org"));
    EXPECT_EQ(Child("lblEmail")->text(), QStringLiteral("support@example.org"));
}

TEST_F(AboutWindow, ShowsTheProgramsIcon)
{
    ASSERT_FALSE(m_form->windowIcon().isNull());
    EXPECT_EQ(m_form->windowIcon().pixmap(32, 32).toImage(),
              CalendarIcon().pixmap(32, 32).toImage());
}

// A dark desktop theme brings white text; the light face this window gives its button must not
// get it.
TEST(AboutColours, EveryColourComesWithItsTextColourUnderADarkTheme)
{
    const QPalette light = QApplication::palette();
    for (const QPalette& theme : {DarkPalette(), light}) {
        QApplication::setPalette(theme);
        const ScopedHook driver(Forms::ModalDriver(), [](Form&) {});
        Forms::ShowModal(Forms::Instance<frmAbout>(), nullptr);
        frmAbout& about = Forms::Instance<frmAbout>();
        auto* close = about.findChild<QPushButton*>(QStringLiteral("cmdClose"));
        EXPECT_EQ(close->palette().color(QPalette::ButtonText), QColor(Qt::black));
        EXPECT_GT(DarkPixels(close, 4), 20);
        EXPECT_EQ(about.palette().color(QPalette::WindowText), Green);
        Forms::Unload(about);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QApplication::setPalette(light);
}

TEST_F(AboutWindow, CloseUnloadsIt)
{
    QTest::mouseClick(Child<QPushButton>("cmdClose"), Qt::LeftButton);
    EXPECT_FALSE(IsFormLoaded(QStringLiteral("frmAbout")));

    // The next About command makes and loads a fresh window.
    Forms::ShowModal(Forms::Instance<frmAbout>(), nullptr);
    EXPECT_TRUE(IsFormLoaded(QStringLiteral("frmAbout")));
}

} // namespace

// For keyboard users the links take the focus, light up while they have it and open with
// Return; Escape closes the window; screen readers hear where each link leads.
TEST_F(AboutWindow, LinksWorkFromTheKeyboard)
{
    auto* website = Child<LinkLabel>("lblWebsite");
    auto* email = Child<LinkLabel>("lblEmail");
    m_form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_form));
    EXPECT_EQ(QApplication::focusWidget(), Child<QPushButton>("cmdClose"));
    website->setFocus();
    EXPECT_EQ(TextColor(website), White);
    QTest::keyClick(website, Qt::Key_Return);
    ASSERT_EQ(m_opened.size(), 1);
    EXPECT_EQ(m_opened.first().host(), QStringLiteral("www.example.org"));
    email->setFocus();
    EXPECT_EQ(TextColor(website), Link);
    EXPECT_EQ(TextColor(email), White);

    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(website);
    EXPECT_TRUE(iface->text(QAccessible::Name).contains(QStringLiteral("www.example.org")));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(m_form)->role(), QAccessible::Dialog);

    QTest::keyClick(email, Qt::Key_Escape);
    EXPECT_FALSE(m_form->IsLoaded());
}
