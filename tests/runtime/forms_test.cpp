// SPDX-License-Identifier: MIT
#include "runtime/forms.h"
#include "runtime/titlebar.h"
#include "store/adodb.h"
#include "support/recordedmsgbox.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QImage>
#include <QMenuBar>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <gtest/gtest.h>
#include <stdexcept>

namespace
{

class frmProbe : public Form
{
public:
    frmProbe() : Form(QStringLiteral("frmProbe")) {}

    std::function<void()> onLoad, onUnload, onResize;
    int loads = 0, unloads = 0, resizes = 0;

    void Form_Load() override { Run(++loads, onLoad); }
    void Form_Unload() override { Run(++unloads, onUnload); }
    void Form_Resize() override { Run(++resizes, onResize); }

private:
    static void Run(int, const std::function<void()>& hook)
    {
        if (hook)
            hook();
    }
};

class frmOther : public Form
{
public:
    frmOther() : Form(QStringLiteral("frmOther")) {}
};

void FlushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Closes the window from inside a running modal loop; hides it after a while so that a
// loop that never ends on unload fails the test instead of hanging it.
void CloseSoon(Form& form, std::function<void()> whileModal = {})
{
    QPointer<Form> target(&form);
    QTimer::singleShot(20, [target, whileModal] {
        if (whileModal)
            whileModal();
        if (target)
            target->close();
    });
}

class FormsTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        Forms::Unload(Forms::Instance<frmProbe>());
        Forms::Unload(Forms::Instance<frmOther>());
        FlushDeletes();
    }
    RecordedMsgBox m_msgBox;
};

TEST_F(FormsTest, LoadRunsFormLoadOnceAndKeepsLoadOrder)
{
    auto& probe = Forms::Instance<frmProbe>();
    auto& other = Forms::Instance<frmOther>();
    EXPECT_FALSE(probe.IsLoaded());

    Forms::Load(other);
    Forms::Load(probe);
    Forms::Load(probe);

    EXPECT_EQ(probe.loads, 1);
    EXPECT_EQ(Forms::Loaded(), (QList<Form*>{&other, &probe}));
    EXPECT_EQ(&Forms::Get<frmProbe>(), &probe);
}

TEST_F(FormsTest, UnloadDestroysTheWindowAndTheNextInstanceIsFresh)
{
    auto& probe = Forms::Get<frmProbe>();
    Forms::Show(probe);
    int unloadedSignals = 0;
    QObject::connect(&probe, &Form::Unloaded, [&] { ++unloadedSignals; });
    QPointer<Form> old(&probe);

    Forms::Unload(probe);
    Forms::Unload(probe); // a second unload changes nothing

    EXPECT_EQ(probe.unloads, 1);
    EXPECT_EQ(unloadedSignals, 1);
    EXPECT_FALSE(probe.isVisible());
    EXPECT_TRUE(Forms::Loaded().isEmpty());
    FlushDeletes();
    EXPECT_TRUE(old.isNull());
    EXPECT_FALSE(Forms::Instance<frmProbe>().IsLoaded());
    EXPECT_EQ(Forms::Get<frmProbe>().loads, 1);
}

TEST_F(FormsTest, CloseBoxUnloads)
{
    Forms::Show<frmProbe>();
    auto& probe = Forms::Instance<frmProbe>();
    QPointer<Form> old(&probe);
    ASSERT_TRUE(probe.isVisible());

    EXPECT_TRUE(probe.close());

    EXPECT_EQ(probe.unloads, 1);
    EXPECT_FALSE(IsFormLoaded("frmProbe"));
    FlushDeletes();
    EXPECT_TRUE(old.isNull());
}

TEST_F(FormsTest, IsFormLoadedComparesWholeNamesIgnoringCase)
{
    Forms::Get<frmProbe>();
    Forms::Get<frmOther>(); // the match is not the last window of the collection

    for (const char* name : {"frmProbe", "FRMPROBE", "frmprobe", "FrmOther"})
        EXPECT_TRUE(IsFormLoaded(name)) << name;
    for (const char* name : {"frmProb", "frmProbe2", "", "frmMain"})
        EXPECT_FALSE(IsFormLoaded(name)) << name;

    Forms::Unload(Forms::Instance<frmProbe>());
    EXPECT_FALSE(IsFormLoaded("FRMPROBE"));
    EXPECT_TRUE(IsFormLoaded("frmOther"));
}

TEST_F(FormsTest, FailingLoadReachesTheCallerAndLeavesNothingLoaded)
{
    auto& probe = Forms::Instance<frmProbe>();
    probe.onLoad = [] { throw adodb::DbError("unable to open database file: /x/Dueboard.mdb"); };
    QPointer<Form> old(&probe);

    EXPECT_THROW(Forms::Show<frmProbe>(), adodb::DbError);

    EXPECT_FALSE(IsFormLoaded("frmProbe"));
    EXPECT_TRUE(Forms::Loaded().isEmpty());
    EXPECT_TRUE(m_msgBox.prompts.isEmpty());
    FlushDeletes();
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(Forms::Instance<frmProbe>().loads, 0);
}

TEST_F(FormsTest, FailingFormUnloadIsReportedAndTheUnloadCompletes)
{
    auto& probe = Forms::Get<frmProbe>();
    probe.onUnload = [] { throw std::runtime_error("disk gone"); };
    QPointer<Form> old(&probe);

    EXPECT_NO_THROW(Forms::Unload(probe));

    EXPECT_EQ(m_msgBox.prompts, QStringList{"Unload of frmProbe failed:\rdisk gone"});
    EXPECT_FALSE(IsFormLoaded("frmProbe"));
    FlushDeletes();
    EXPECT_TRUE(old.isNull());
}

TEST_F(FormsTest, UnloadFromInsideFormUnloadIsHarmless)
{
    auto& probe = Forms::Get<frmProbe>();
    probe.onUnload = [&probe] { Forms::Unload(probe); };

    Forms::Unload(probe);

    EXPECT_EQ(probe.unloads, 1);
    EXPECT_TRUE(m_msgBox.prompts.isEmpty());
}

TEST_F(FormsTest, ShowModalRunsUntilTheWindowUnloads)
{
    auto& owner = Forms::Get<frmOther>();
    Forms::Show(owner);
    auto& probe = Forms::Instance<frmProbe>();
    QPointer<Form> dialog(&probe);
    bool modal = false;
    bool owned = false;
    CloseSoon(probe, [&] {
        modal = probe.isModal() && probe.isVisible();
        owned = probe.windowHandle()->transientParent() == owner.windowHandle();
    });

    Forms::ShowModal(probe, &owner);

    EXPECT_TRUE(modal);
    EXPECT_TRUE(owned);
    EXPECT_EQ(probe.loads, 1);
    EXPECT_EQ(probe.unloads, 1);
    EXPECT_FALSE(probe.parent()); // owned as a window, not as a child object
    // The caller may still read the dialog; it goes once control is back in the event loop.
    ASSERT_FALSE(dialog.isNull());
    FlushDeletes();
    EXPECT_TRUE(dialog.isNull());
}

TEST_F(FormsTest, WindowUnloadedUnderANestedLoopOutlivesShowModal)
{
    auto& probe = Forms::Instance<frmProbe>();
    QPointer<Form> dialog(&probe);
    QTimer::singleShot(20, [&probe] {
        // A message box is up when something else unloads the dialog.
        QEventLoop messageBox;
        QTimer::singleShot(0, [&] {
            Forms::Unload(probe);
            QTimer::singleShot(0, &messageBox, &QEventLoop::quit);
        });
        messageBox.exec();
    });

    Forms::ShowModal(probe, nullptr);

    ASSERT_FALSE(dialog.isNull());
    EXPECT_EQ(probe.unloads, 1);
    FlushDeletes();
    EXPECT_TRUE(dialog.isNull());
}

TEST_F(FormsTest, ShowModalReturnsWhenHiddenAndTheWindowStaysLoaded)
{
    auto& probe = Forms::Instance<frmProbe>();
    QTimer::singleShot(20, &probe, &QWidget::hide);

    Forms::ShowModal(probe, nullptr);

    EXPECT_TRUE(IsFormLoaded("frmProbe"));
    EXPECT_FALSE(probe.isModal());
}

TEST_F(FormsTest, OwnerDestructionLeavesTheModalWindowAlive)
{
    auto* owner = new QWidget;
    owner->show();
    auto& probe = Forms::Instance<frmProbe>();
    QPointer<Form> dialog(&probe);
    bool aliveAfterOwnerGone = false;
    CloseSoon(probe, [&] {
        delete owner;
        aliveAfterOwnerGone = !dialog.isNull() && probe.isVisible();
    });

    Forms::ShowModal(probe, owner);

    EXPECT_TRUE(aliveAfterOwnerGone);
}

TEST_F(FormsTest, ModalDriverActsWithoutANestedLoop)
{
    bool sawItShown = false;
    const ScopedHook driver(Forms::ModalDriver(), [&](Form& form) {
        sawItShown = form.isVisible() && form.isModal() && form.IsLoaded();
        form.close();
    });
    auto& probe = Forms::Instance<frmProbe>();

    Forms::ShowModal(probe, nullptr);

    EXPECT_TRUE(sawItShown);
    EXPECT_EQ(probe.unloads, 1);
    EXPECT_FALSE(IsFormLoaded("frmProbe"));
}

TEST_F(FormsTest, ModalDriverThatLeavesTheWindowOpenReturns)
{
    const ScopedHook driver(Forms::ModalDriver(), [](Form&) {});

    Forms::ShowModal(Forms::Instance<frmProbe>(), nullptr);

    EXPECT_TRUE(IsFormLoaded("frmProbe"));
    EXPECT_FALSE(Forms::Instance<frmProbe>().isModal());
}

TEST_F(FormsTest, ClientAreaGetsItsSizeBelowAMenuBarMadeLater)
{
    for (bool fixedBorder : {true, false}) {
        auto& probe = Forms::Get<frmProbe>();
        probe.SetClientSizeTwips(4800, 3600, fixedBorder);
        probe.MenuBar()->addMenu(QStringLiteral("&File"));
        Forms::Show(probe);

        EXPECT_EQ(probe.Client()->size(), QSize(320, 240)) << fixedBorder;
        EXPECT_EQ(probe.OuterWidthTwips(), probe.frameGeometry().width() * 15);
        EXPECT_EQ(probe.OuterHeightTwips(), probe.frameGeometry().height() * 15);
        EXPECT_GE(probe.OuterHeightTwips(), 3600 + probe.MenuBar()->height() * 15);
        Forms::Unload(probe);
        FlushDeletes();
    }
}

TEST_F(FormsTest, FixedBorderHasAFixedSizeAndOnlyACloseBox)
{
    auto& probe = Forms::Get<frmProbe>();
    probe.SetClientSizeTwips(4800, 3600, true);
    Forms::Show(probe);

    EXPECT_EQ(probe.size(), QSize(320, 240));
    EXPECT_EQ(probe.minimumSize(), probe.maximumSize());
    EXPECT_TRUE(probe.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(probe.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(probe.windowFlags() & Qt::WindowMinimizeButtonHint);
}

// Where Qt draws window frames itself (Wayland) its frame has maximise and minimise boxes
// whatever the flags say; there a fixed-border window draws its own caption bar instead.
TEST_F(FormsTest, AnOwnTitleBarHasTheCaptionAndOnlyACloseBox)
{
    struct OwnTitleBars {
        OwnTitleBars() { Form::SetOwnTitleBars(true); }
        ~OwnTitleBars() { Form::SetOwnTitleBars(false); }
    } own;
    auto& probe = Forms::Get<frmProbe>();
    probe.SetClientSizeTwips(4800, 3600, true);
    probe.MenuBar()->addMenu(QStringLiteral("&File"));
    probe.setWindowTitle(QStringLiteral("Probe caption"));
    Forms::Show(probe);

    TitleBar* bar = probe.OwnTitleBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(probe.windowFlags(), Qt::Window | Qt::FramelessWindowHint);
    EXPECT_EQ(probe.Client()->size(), QSize(320, 240));
    EXPECT_EQ(probe.minimumSize(), probe.maximumSize());
    EXPECT_EQ(bar->geometry(), QRect(0, 0, probe.width(), bar->height()));
    EXPECT_GE(probe.MenuBar()->y(), bar->height());
    EXPECT_GE(probe.Client()->y(), probe.MenuBar()->geometry().bottom());
    EXPECT_EQ(bar->findChildren<QToolButton*>().size(), 1);
    const QImage shown = bar->grab().toImage();
    probe.setWindowTitle(QStringLiteral("Another caption"));
    EXPECT_NE(bar->grab().toImage(), shown) << "the bar follows the caption";

    bar->CloseBox()->click();
    EXPECT_FALSE(IsFormLoaded(QStringLiteral("frmProbe")));
    FlushDeletes();

    auto& sizable = Forms::Get<frmProbe>();
    sizable.SetClientSizeTwips(4800, 3600, false);
    EXPECT_EQ(sizable.OwnTitleBar(), nullptr);
    EXPECT_FALSE(sizable.windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(FormsTest, SizableWindowResizesFreelyAndResizeErrorsAreIgnored)
{
    auto& probe = Forms::Get<frmProbe>();
    probe.SetClientSizeTwips(4800, 3600, false);
    Forms::Show(probe);
    EXPECT_EQ(probe.size(), QSize(320, 240));
    probe.onResize = [] { throw std::runtime_error("too small"); };
    const int before = probe.resizes;

    probe.resize(40, 30);

    EXPECT_EQ(probe.size(), QSize(40, 30));
    EXPECT_EQ(probe.resizes, before + 1);
    EXPECT_TRUE(m_msgBox.prompts.isEmpty());
}

} // namespace
