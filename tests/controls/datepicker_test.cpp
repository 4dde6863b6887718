// SPDX-License-Identifier: MIT
#include "controls/datepicker.h"
#include "platform/datetext.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

namespace
{

const QDate March7(2026, 3, 7);

class DatePickerTest : public ::testing::Test
{
protected:
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

TEST_F(DatePickerTest, ShowsTheShortDateWithTheFullYear)
{
    const std::vector<std::pair<const char*, QString>> cases = {
        {"en_US", "3/7/2026"}, {"de_DE", "07.03.2026"}, {"en_GB", "07/03/2026"}};
    for (const auto& [locale, text] : cases) {
        QLocale::setDefault(QLocale(locale));
        DatePicker picker;
        picker.SetValue(March7);
        EXPECT_EQ(picker.text(), text) << locale;
        EXPECT_TRUE(picker.HoldsDate()) << locale;
        EXPECT_EQ(picker.Value(), March7) << locale;
    }
}

// Lists show dates as the date boxes do, where the locale's own short form has two digits.
TEST_F(DatePickerTest, ListsWriteTheSameShortDateAsThePicker)
{
    const QDate december4(2026, 12, 4);
    EXPECT_EQ(QLocale("en_US").toString(december4, QLocale::ShortFormat), "12/4/26");
    EXPECT_EQ(ShortDateText(december4, QLocale("en_US")), "12/4/2026");
    for (const char* locale : {"en_US", "de_DE", "en_GB", "ja_JP", "fr_FR"}) {
        QLocale::setDefault(QLocale(locale));
        DatePicker picker;
        picker.SetValue(december4);
        EXPECT_EQ(ShortDateText(december4), picker.text()) << locale;
    }
}

TEST_F(DatePickerTest, SetTextReadsMonthFirstWhateverTheLocale)
{
    QLocale::setDefault(QLocale("de_DE"));
    DatePicker picker;
    picker.SetText("3/7/2026");
    EXPECT_EQ(picker.Value(), March7);
    picker.SetText("12/31/1999");
    EXPECT_EQ(picker.Value(), QDate(1999, 12, 31));

    EXPECT_THROW(picker.SetText("31/12/1999"), std::invalid_argument);
    EXPECT_EQ(picker.Value(), QDate(1999, 12, 31));
}

TEST_F(DatePickerTest, HoldsDateOnlyWhileTheTextIsADate)
{
    QLocale::setDefault(QLocale("en_US"));
    DatePicker picker;
    picker.SetValue(March7);

    for (const char* text : {"garbage", "", "3/7/", "3/7/20x"}) {
        picker.SetEditText(text);
        EXPECT_FALSE(picker.HoldsDate()) << text;
        EXPECT_FALSE(picker.Value().isValid()) << text;
    }
    picker.SetEditText("12/25/2026");
    EXPECT_TRUE(picker.HoldsDate());
    EXPECT_EQ(picker.Value(), QDate(2026, 12, 25));
    EXPECT_EQ(picker.date(), QDate(2026, 12, 25));
}

// Opens the drop-down as a person would, and reports each CloseUp with the date it saw.
class DropDownTest : public DatePickerTest
{
protected:
    DropDownTest()
    {
        picker.SetValue(March7);
        QObject::connect(&picker, &DatePicker::CloseUp, [this] { closeUps << picker.date(); });
        picker.show();
    }
    void Open() // a click on the drop-down arrow at the right end
    {
        QTest::mouseClick(&picker, Qt::LeftButton, {},
                          QPoint(picker.width() - 4, picker.height() / 2));
    }
    QWidget* Calendar() const { return picker.calendarWidget(); }
    void Key(Qt::Key key)
    {
        QTest::keyClick(Calendar()->findChild<QWidget*>("qt_calendar_calendarview"), key);
    }
    bool WaitForCloseUps(int n)
    {
        return QTest::qWaitFor([this, n] { return closeUps.size() >= n; });
    }

    DatePicker picker;
    QList<QDate> closeUps;
};

TEST_F(DropDownTest, EscapeClosesWithTheDateUnchanged)
{
    Open();
    ASSERT_TRUE(Calendar()->isVisible());

    Key(Qt::Key_Escape);

    ASSERT_TRUE(WaitForCloseUps(1));
    EXPECT_FALSE(Calendar()->isVisible());
    EXPECT_EQ(closeUps, QList<QDate>{March7});
    EXPECT_EQ(picker.Value(), March7);
}

TEST_F(DropDownTest, CloseUpSeesTheDateTheFieldIsLeftWith)
{
    Open();
    Key(Qt::Key_Right);

    Key(Qt::Key_Escape);

    ASSERT_TRUE(WaitForCloseUps(1));
    EXPECT_EQ(closeUps, QList<QDate>{picker.Value()});
}

TEST_F(DropDownTest, PickingADayClosesWithThatDay)
{
    Open();
    ASSERT_TRUE(Calendar()->isVisible());
    Key(Qt::Key_Right);

    Key(Qt::Key_Return);

    ASSERT_TRUE(WaitForCloseUps(1));
    EXPECT_EQ(closeUps, QList<QDate>{March7.addDays(1)});
    EXPECT_EQ(picker.Value(), March7.addDays(1));
}

TEST_F(DropDownTest, ClosesOnceEachTimeItIsOpened)
{
    Open();
    Key(Qt::Key_Escape);
    ASSERT_TRUE(WaitForCloseUps(1));
    Open();
    ASSERT_TRUE(Calendar()->isVisible());
    Key(Qt::Key_Return);

    ASSERT_TRUE(WaitForCloseUps(2));
    QTest::qWait(20);
    EXPECT_EQ(closeUps.size(), 2);
}

} // namespace
