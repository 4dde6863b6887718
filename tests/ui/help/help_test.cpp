// SPDX-License-Identifier: MIT
#include "runtime/forms.h"
#include "runtime/layout.h"
#include "support/recordedmsgbox.h"
#include "ui/help/frmhelp.h"
#include "ui/help/helptexts.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

const QString ParagraphBreak = QStringLiteral("\r\n\r\n");

// The text box keeps paragraphs as blocks; compare with the stored text's line breaks.
QString Shown(const QString& text)
{
    return QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

class HelpWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Forms::Show<frmHelp>();
        m_form = &Forms::Instance<frmHelp>();
        m_topic = m_form->findChild<QComboBox*>(QStringLiteral("txtTopic"));
        m_text = m_form->findChild<QPlainTextEdit*>(QStringLiteral("txtHelp"));
        ASSERT_TRUE(m_topic && m_text);
    }
    void TearDown() override
    {
        for (Form* form : Forms::Loaded())
            Forms::Unload(*form);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    frmHelp* m_form = nullptr;
    QComboBox* m_topic = nullptr;
    QPlainTextEdit* m_text = nullptr;
    RecordedMsgBox m_msgBox;
};

TEST(HelpTexts, TopicsKeepTitlesOrderAndParagraphShape)
{
    struct Expected {
        const char* title;
        QStringList openings; // each paragraph's opening words, in order
    };
    const QList<Expected> expected = {
        {"The Main Screen",
         {"The Main Screen has several components.", "The Task List -- ", "The Date Dropdown -- ",
          "The Navigation Buttons -- ",
          "The Add New Button -- Use this button to create a new task.", "The Details Frame -- ",
          "The Past Due Button -- "}},
        {"Create A Task", {"To create a new task, click the 'Add New' button on the main screen."}},
        {"Changing A Status", {"To mark a task as complete, or otherwise change the status"}},
        {"Changing A Date",
         {"Locate the task in the Task List, and Right-Click it.",
          "Due Today -- This option makes the task due today, no matter what the original date "
          "is.",
          "Due Tomorrow -- This option makes the task due tomorrow, no matter what the original "
          "date is.",
          "Procrastinate -- ", "Choose Due Date -- "}},
        {"The Past Due Screen",
         {"When one or more tasks have past their due date without being marked as complete"}},
        {"Auto-Start Option",
         {"To enable or disable Auto-Start, click the 'Extras' menu on the main screen"}},
        {"Hiding and Closing",
         {"When Dueboard is started, an icon will be placed in your system tray."}},
        {"Repeating Tasks",
         {"To make a task come back, right-click it", "When you mark a repeating task complete",
          "To stop a task repeating, choose 'Repeat' and then 'Never'."}},
    };
    const QStringList whole = {expected[0].openings[4], expected[3].openings[1],
                               expected[3].openings[2]};
    const QList<HelpTopic>& topics = HelpTopics();
    ASSERT_EQ(topics.size(), expected.size());
    for (int i = 0; i < topics.size(); ++i) {
        SCOPED_TRACE(expected[i].title);
        EXPECT_EQ(topics[i].title, QString::fromUtf8(expected[i].title));
        const QString text = topics[i].Text();
        const QStringList paragraphs = text.split(ParagraphBreak);
        ASSERT_EQ(paragraphs.size(), expected[i].openings.size());
        for (int p = 0; p < paragraphs.size(); ++p) {
            EXPECT_TRUE(paragraphs[p].startsWith(expected[i].openings[p])) << p;
            // A few paragraphs are quoted whole; the rest say more than their opening.
            if (whole.contains(expected[i].openings[p]))
                EXPECT_EQ(paragraphs[p], expected[i].openings[p]);
            else
                EXPECT_GT(paragraphs[p].size(), expected[i].openings[p].size() + 20);
            // No stray line breaks or blanks inside or around a paragraph.
            EXPECT_FALSE(paragraphs[p].contains(QLatin1Char('\r')));
            EXPECT_FALSE(paragraphs[p].contains(QLatin1Char('\n')));
            EXPECT_EQ(paragraphs[p], paragraphs[p].trimmed());
        }
    }
}

TEST(HelpTexts, TitleLookupIgnoresCaseAndRejectsNearMisses)
{
    EXPECT_EQ(HelpTextFor(QStringLiteral("HIDING AND CLOSING")), HelpTopics()[6].Text());
    EXPECT_EQ(HelpTextFor(QStringLiteral("changing a date")), HelpTopics()[3].Text());
    EXPECT_TRUE(HelpTextFor(QStringLiteral("Changing A Date ")).isEmpty());
    EXPECT_TRUE(HelpTextFor(QStringLiteral("Changing")).isEmpty());
    EXPECT_TRUE(HelpTextFor(QString()).isEmpty());
}

TEST_F(HelpWindow, OpensModelessOnTheMainScreenTopic)
{
    EXPECT_EQ(m_form->objectName(), QStringLiteral("frmHelp"));
    EXPECT_EQ(m_form->windowTitle(), QStringLiteral("Help"));
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_FALSE(m_form->isModal());
    EXPECT_FALSE(m_form->windowIcon().isNull());

    ASSERT_EQ(m_topic->count(), HelpTopics().size());
    for (int i = 0; i < m_topic->count(); ++i)
        EXPECT_EQ(m_topic->itemText(i), HelpTopics()[i].title);
    EXPECT_EQ(m_topic->currentText(), QStringLiteral("The Main Screen"));

    const QString text = m_text->toPlainText();
    EXPECT_EQ(text, Shown(HelpTopics()[0].Text()));
    EXPECT_TRUE(text.startsWith(QStringLiteral("The Main Screen has several components.")));
    EXPECT_EQ(text.split(QStringLiteral("\n\n")).size(), 7);

    EXPECT_EQ(m_text->x(), 0);
    EXPECT_EQ(m_text->y(), Twips::ToPixels(720));
    EXPECT_TRUE(m_text->isReadOnly());
    EXPECT_TRUE(m_text->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
    EXPECT_EQ(m_text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

TEST_F(HelpWindow, ChoosingATopicReplacesTheWholeText)
{
    m_topic->setCurrentIndex(6);
    EXPECT_EQ(m_text->toPlainText(), Shown(HelpTopics()[6].Text()));
    EXPECT_FALSE(m_text->toPlainText().contains(QStringLiteral("\n")));

    m_topic->setCurrentIndex(0);
    EXPECT_EQ(m_text->toPlainText(), Shown(HelpTopics()[0].Text()));
}

TEST_F(HelpWindow, TypedTextShowsAMatchingTopicInAnyCaseAndEmptiesOtherwise)
{
    m_topic->setEditText(QStringLiteral("the past due screen"));
    EXPECT_EQ(m_text->toPlainText(), Shown(HelpTopics()[4].Text()));

    m_topic->setEditText(QStringLiteral("The Main Screens"));
    EXPECT_TRUE(m_text->toPlainText().isEmpty());

    m_topic->lineEdit()->clear();
    QTest::keyClicks(m_topic->lineEdit(), QStringLiteral("zzz"));
    EXPECT_EQ(m_topic->currentText(), QStringLiteral("zzz"));
    EXPECT_TRUE(m_text->toPlainText().isEmpty());
    EXPECT_EQ(m_topic->count(), 8); // typing adds no entry
}

TEST_F(HelpWindow, ResizeFollowsTheOuterSizeAndTinySizesRaiseNothing)
{
    m_form->resize(600, 500);
    const QSize laidOut = m_text->size();
    EXPECT_EQ(laidOut.width(), Twips::ToPixels(m_form->OuterWidthTwips() - 150));
    EXPECT_EQ(laidOut.height(), Twips::ToPixels(m_form->OuterHeightTwips() - 720 - 575));

    // Too narrow and too short: both steps fail on their own, the box keeps its size.
    m_form->resize(5, 5);
    EXPECT_NO_THROW(m_form->Form_Resize());
    EXPECT_EQ(m_text->size(), laidOut);

    // Wide enough but too short: the width still follows.
    m_form->resize(300, 60);
    EXPECT_EQ(m_text->width(), Twips::ToPixels(m_form->OuterWidthTwips() - 150));
    EXPECT_EQ(m_text->height(), laidOut.height());

    m_form->showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_msgBox.prompts.isEmpty())
        << m_msgBox.prompts.join(QLatin1Char('|')).toStdString();
}

TEST_F(HelpWindow, ReopeningStartsAgainOnTheMainScreen)
{
    m_topic->setCurrentIndex(3);
    Forms::Unload(*m_form);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(IsFormLoaded(QStringLiteral("frmHelp")));

    Forms::Show<frmHelp>();
    auto* text = Forms::Instance<frmHelp>().findChild<QPlainTextEdit*>(QStringLiteral("txtHelp"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->toPlainText(), Shown(HelpTopics()[0].Text()));
}

} // namespace
