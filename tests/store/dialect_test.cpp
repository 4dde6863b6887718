// SPDX-License-Identifier: MIT
// The statements' exact texts and the Jet date dialect.
#include "store/adodb.h"
#include "store/appfunctions.h"
#include "store/jetsql.h"

#include <QLocale>
#include <clocale>
#include <gtest/gtest.h>

namespace
{

const QDate March5{2026, 3, 5};

struct StatementCase {
    const char* name;
    QString text;
    const char* expected;
};

class StatementText : public ::testing::TestWithParam<StatementCase>
{
};

TEST_P(StatementText, IsExact)
{
    EXPECT_EQ(GetParam().text, QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Sql, StatementText,
    ::testing::Values(
        StatementCase{"SelectCounter", Sql::SelectCounter("TASK"),
                      " SELECT * FROM sysIDS  WHERE CODE = 'TASK' "},
        StatementCase{"UpdateStatus", Sql::UpdateStatus(42, "COMPLETE"),
                      " UPDATE TASKS  SET TASK_STATUS = 'COMPLETE'  WHERE TASK_ID = 42 "},
        StatementCase{"SelectStatus", Sql::SelectStatus(7),
                      " SELECT TASK_STATUS FROM TASKS  WHERE TASK_ID = 7 "},
        StatementCase{"UpdateDate", Sql::UpdateDate(7, "3/5/2026"),
                      " UPDATE TASKS  SET TASK_DATE = #3/5/2026#  WHERE TASK_ID = 7 "},
        StatementCase{"SelectTask", Sql::SelectTask(-3),
                      " SELECT * FROM TASKS  WHERE TASK_ID = -3 "},
        StatementCase{"SelectPastDueIds", Sql::SelectPastDueIds(March5),
                      " SELECT TASK_ID FROM TASKS  WHERE TASK_DATE < #3/5/2026#  AND "
                      "TASK_STATUS <> 'COMPLETE'"},
        StatementCase{"SelectPastDue", Sql::SelectPastDue(March5),
                      " SELECT * FROM TASKS  WHERE TASK_DATE < #3/5/2026#  AND TASK_STATUS <> "
                      "'COMPLETE' ORDER BY TASK_DATE ASC "},
        StatementCase{"SelectDay", Sql::SelectDay(QDate(2026, 12, 31)),
                      " SELECT * FROM TASKS  WHERE TASK_DATE = #12/31/2026#"},
        StatementCase{"DeleteTask", Sql::DeleteTask(2147483647),
                      " DELETE FROM TASKS  WHERE TASK_ID = 2147483647 "},
        StatementCase{"QuoteInWordStaysInside", Sql::UpdateStatus(1, "O'K"),
                      " UPDATE TASKS  SET TASK_STATUS = 'O''K'  WHERE TASK_ID = 1 "}),
    [](const auto& info) { return std::string(info.param.name); });

// A machine whose own date order is day first must not change a single literal.
class DayFirstLocale : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        std::setlocale(LC_TIME, "de_DE.UTF-8");
    }
    void TearDown() override
    {
        QLocale::setDefault(QLocale::c());
        std::setlocale(LC_TIME, "C.UTF-8");
    }
};

TEST_F(DayFirstLocale, DatesAreWrittenMonthFirstWithoutLeadingZeros)
{
    EXPECT_EQ(FormatDateMDY(March5), "3/5/2026");
    EXPECT_EQ(FormatDateMDY(QDate(2026, 11, 23)), "11/23/2026");
    EXPECT_EQ(Sql::SelectDay(QDate(2026, 1, 2)),
              " SELECT * FROM TASKS  WHERE TASK_DATE = #1/2/2026#");
}

TEST_F(DayFirstLocale, LiteralsAndDateTextAreReadMonthFirst)
{
    EXPECT_EQ(TranslateJetSql("x = #3/5/2026#"), "x = '2026-03-05'");
    EXPECT_EQ(TranslateJetSql("x = #12/1/2026#"), "x = '2026-12-01'");
    EXPECT_EQ(ParseDateText("3/7/2026"), QDate(2026, 3, 7));
    EXPECT_EQ(ParseDateText("2026-03-07"), QDate(2026, 3, 7));
}

TEST(DateText, InvalidTextGivesNoDate)
{
    for (const char* text : {"", "abc", "13/1/2026", "2/30/2026", "3/5/26", "5.3.2026",
                             "3/5/2026 extra", "2026-3-5", "2026-02-30"})
        EXPECT_FALSE(ParseDateText(text).isValid()) << text;
    EXPECT_EQ(ParseDateText(" 2/29/2028 "), QDate(2028, 2, 29));
}

TEST(JetDialect, TranslatesStatementsAndLeavesQuotedTextAlone)
{
    EXPECT_EQ(TranslateJetSql(Sql::SelectPastDue(March5)),
              " SELECT * FROM TASKS  WHERE TASK_DATE < '2026-03-05'  AND TASK_STATUS <> "
              "'COMPLETE' ORDER BY TASK_DATE ASC ");
    EXPECT_EQ(TranslateJetSql(Sql::UpdateStatus(3, "SPECIAL")), Sql::UpdateStatus(3, "SPECIAL"));
    EXPECT_EQ(TranslateJetSql("SELECT '#3/5/2026#', 'it''s #1#' WHERE d = #1/2/2026#"),
              "SELECT '#3/5/2026#', 'it''s #1#' WHERE d = '2026-01-02'");
}

TEST(JetDialect, MalformedLiteralIsAnErrorThatNamesIt)
{
    for (const char* sql : {"d = #13/45/2026#", "d = #abc#", "d = #3/5/2026", "d = ##",
                            "d = #2/29/2026#", "d = #3/5/26#"}) {
        try {
            TranslateJetSql(sql);
            ADD_FAILURE() << "accepted " << sql;
        } catch (const adodb::DbError& e) {
            EXPECT_TRUE(e.Description().contains("date literal")) << e.what();
        }
    }
}

} // namespace
