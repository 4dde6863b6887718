// SPDX-License-Identifier: MIT
#include "platform/msgbox.h"
#include "runtime/errors.h"
#include "runtime/layout.h"
#include "runtime/popup.h"
#include "runtime/runtime.h"
#include "store/adodb.h"
#include "support/recordedmsgbox.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

namespace
{

class GuardTest : public ::testing::Test
{
protected:
    RecordedMsgBox m_msgBox;
};

TEST_F(GuardTest, ShowsWhatFailedWithTheDescriptionAndGoesOn)
{
    const std::vector<std::pair<std::function<void()>, QString>> cases = {
        {[] { throw adodb::DbError("database is locked: /home/u/Dueboard.mdb"); },
         "Save failed:\rdatabase is locked: /home/u/Dueboard.mdb"},
        {[] { throw std::runtime_error("bad date"); }, "Save failed:\rbad date"},
        {[] { throw 42; }, "Save failed:\runknown error"},
    };
    for (const auto& [handler, message] : cases) {
        m_msgBox.prompts.clear();
        EXPECT_NO_THROW(Guard("Save", handler));
        EXPECT_EQ(m_msgBox.prompts, QStringList{message});
    }
}

TEST_F(GuardTest, QuietWhenTheHandlerSucceeds)
{
    bool ran = false;
    Guard("Save", [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(m_msgBox.prompts.isEmpty());
}

TEST(ContinueOnErrorTest, SkipsFailingStepsAndRunsTheRest)
{
    QStringList done;
    EXPECT_NO_THROW(ContinueOnError({
        [&] { throw std::runtime_error("first"); },
        [&] { done << "second"; },
        [&] {
            done << "third begun";
            throw 1;
            done << "third ended";
        },
        [&] { done << "fourth"; },
    }));
    EXPECT_EQ(done, (QStringList{"second", "third begun", "fourth"}));
}

class PopupTest : public ::testing::Test
{
protected:
    PopupTest()
    {
        for (QAction* action : {shown, hidden, disabled})
            QObject::connect(action, &QAction::triggered, [this, action] { triggered << action; });
        hidden->setVisible(false);
        disabled->setEnabled(false);
    }
    QMenu menu;
    QAction* shown = menu.addAction("Complete");
    QAction* hidden = menu.addAction("Incomplete");
    QAction* disabled = menu.addAction("Delete");
    QList<QAction*> triggered;
};

TEST_F(PopupTest, PickedItemRunsOnlyWhenAPersonCouldChooseIt)
{
    for (QAction* pick : {shown, hidden, disabled, static_cast<QAction*>(nullptr)}) {
        triggered.clear();
        QMenu* seen = nullptr;
        const ScopedHook picker(Popup::Picker(), [&](QMenu& m) {
            seen = &m;
            return pick;
        });
        Popup::Open(menu);
        EXPECT_EQ(seen, &menu);
        EXPECT_EQ(triggered, pick == shown ? QList<QAction*>{shown} : QList<QAction*>{});
    }
}

TEST(TwipsTest, RoundToTheNearestPixel)
{
    const std::vector<std::pair<double, int>> cases = {
        {0, 0}, {7, 0}, {7.5, 1}, {8, 1}, {15, 1}, {22, 1}, {23, 2}, {1440, 96}, {4815, 321},
    };
    for (const auto& [twips, pixels] : cases)
        EXPECT_EQ(Twips::ToPixels(twips), pixels) << twips;
    EXPECT_EQ(Twips::FromPixels(96), 1440.0);
    EXPECT_EQ(Twips::Rect(120, 480, 2415, 300), QRect(8, 32, 161, 20));
}

// Answers the real message box once it is up, noting what it showed.
struct BoxSeen {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::Warning;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    Qt::TextFormat format = Qt::AutoText;
};

void AnswerBox(BoxSeen& seen, QMessageBox::StandardButton answer)
{
    QTimer::singleShot(10, [&seen, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            AnswerBox(seen, answer);
            return;
        }
        seen = {box->windowTitle(),
                box->text(),
                box->icon(),
                box->standardButtons(),
                box->defaultButton() ? box->standardButton(box->defaultButton())
                                     : QMessageBox::NoButton,
                box->textFormat()};
        box->button(answer)->click();
    });
}

TEST(DesktopRuntimeTest, MessageBoxIsCaptionedAndReturnsTheAnswer)
{
    const ScopedHook noRecorder(MsgBoxHandler(), {});
    InstallDesktopRuntime();

    BoxSeen question;
    AnswerBox(question, QMessageBox::No);
    EXPECT_EQ(MsgBox("Delete this task?\rIt cannot be undone.", MsgBoxButtons::YesNo),
              MsgBoxResult::No);
    BoxSeen notice;
    AnswerBox(notice, QMessageBox::Ok);
    EXPECT_EQ(MsgBox("Task <b>Pay rent</b> saved"), MsgBoxResult::OK);

    EXPECT_EQ(question.title, "Dueboard");
    EXPECT_EQ(question.text, "Delete this task?\nIt cannot be undone.");
    EXPECT_EQ(question.icon, QMessageBox::NoIcon);
    EXPECT_EQ(question.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(question.defaultButton, QMessageBox::Yes);
    EXPECT_EQ(notice.buttons, QMessageBox::Ok);
    EXPECT_EQ(notice.format, Qt::PlainText); // titles are shown as typed, never as markup
}

} // namespace
