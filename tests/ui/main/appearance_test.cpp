// SPDX-License-Identifier: MIT
// What the person sees of the day view and its dialogs: pictures, rows, colours, fonts, places.
#include "mainwindow.h"
#include "support/themes.h"
#include "ui/main/frmnewduedate.h"
#include "ui/main/frmnewtask.h"
#include "ui/main/statusicons.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>

namespace
{
const QDate today = TempDb::Today;

// Where the opaque pixels of `picture` appear unchanged in `image` within `area`; a null point
// when they appear nowhere.
QPoint FindPicture(const QImage& image, const QImage& picture, const QRect& area)
{
    const QImage pic = picture.convertToFormat(QImage::Format_ARGB32);
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = area.top(); y + pic.height() <= area.bottom() + 1; ++y) {
        for (int x = area.left(); x + pic.width() <= area.right() + 1; ++x) {
            bool same = true;
            for (int py = 0; same && py < pic.height(); ++py)
                for (int px = 0; same && px < pic.width(); ++px) {
                    const QRgb p = pic.pixel(px, py);
                    if (qAlpha(p) == 255 && img.pixel(x + px, y + py) != p)
                        same = false;
                }
            if (same)
                return QPoint(x, y);
        }
    }
    return {};
}

QImage Picture(const QString& status, QIcon::Mode mode = QIcon::Normal, qreal ratio = 1)
{
    return StatusIcon(status).pixmap(QSize(32, 32), ratio, mode).toImage();
}

} // namespace

TEST(StatusIcons, SelectedPicturesAreTheNormalOnesAtEveryDensity)
{
    for (const char* status : {"SPECIAL", "COMPLETE", "INCOMPLETE"}) {
        for (const qreal ratio : {1.0, 2.0}) {
            const QImage normal = Picture(status, QIcon::Normal, ratio);
            EXPECT_EQ(normal.size(), QSize(32, 32) * ratio) << status;
            EXPECT_EQ(Picture(status, QIcon::Selected, ratio), normal) << status << ratio;
        }
    }
}

TEST_F(MainWindowTest, ASelectedTaskShowsTheSamePictureAsWhenNotSelected)
{
    db.AddTask(1, "Red", "", today);
    db.AddTask(2, "Yellow", "", today, TaskStatus::SPECIAL);
    Open();
    ASSERT_EQ(SelectedTitle(), "Red");
    QTreeWidget* list = main->tvwTasks;
    const QImage shown = list->viewport()->grab().toImage();
    const QRect selected = list->visualItemRect(list->topLevelItem(0));
    const QRect unselected = list->visualItemRect(list->topLevelItem(1));
    EXPECT_FALSE(FindPicture(shown, Picture("INCOMPLETE"), selected).isNull());
    EXPECT_FALSE(FindPicture(shown, Picture("SPECIAL"), unselected).isNull());

    Press(1);
    ASSERT_EQ(SelectedTitle(), "Yellow");
    const QImage after = list->viewport()->grab().toImage();
    EXPECT_FALSE(FindPicture(after, Picture("SPECIAL"), unselected).isNull());
    EXPECT_FALSE(FindPicture(after, Picture("INCOMPLETE"), selected).isNull());
}

// Another tool wrote the status words; the first row decides nothing about the others.
TEST_F(MainWindowTest, StatusWordsMatchInAnyCaseAndAnUnknownWordKeepsTheRowShape)
{
    db.AddTask(1, "Lower case", "", today, "special");
    db.AddTask(2, "Same title", "", today, TaskStatus::COMPLETE);
    db.AddTask(3, "Same title", "", today, "someday");
    db.AddTask(4, "Mixed", "", today, "Incomplete");
    Open();
    QTreeWidget* list = main->tvwTasks;
    EXPECT_EQ(list->topLevelItem(0)->icon(0).pixmap(32, 32).toImage(), Picture("SPECIAL"));
    EXPECT_EQ(list->topLevelItem(3)->icon(0).pixmap(32, 32).toImage(), Picture("INCOMPLETE"));

    QList<QRect> rows;
    for (int i = 0; i < 4; ++i)
        rows << list->visualItemRect(list->topLevelItem(i));
    for (int i = 0; i < 4; ++i) {
        EXPECT_GE(rows[i].height(), 32) << i;
        EXPECT_EQ(rows[i].height(), rows[0].height()) << i;
    }

    // The same title is drawn at the same place with a picture and without one.
    Press(0);
    const QImage shown = list->viewport()->grab().toImage();
    const int textLeft = 36;
    const QRect withPicture(textLeft, rows[1].top(), rows[1].width() - textLeft, rows[1].height());
    EXPECT_EQ(shown.copy(withPicture),
              shown.copy(withPicture.translated(0, rows[2].top() - rows[1].top())));

    // A click on the fourth row lands on the fourth task.
    Press(3);
    EXPECT_EQ(main->CurrentTaskID, 4);
}

TEST_F(MainWindowTest, ALongTitleShowsItsBeginning)
{
    const QString title = "Beginning " + QString(300, 'x') + " end";
    db.AddTask(1, "Short", "", today);
    db.AddTask(2, title, "", today);
    Open();
    Press(1);
    ASSERT_EQ(main->txtTitle->text(), title);
    EXPECT_EQ(main->txtTitle->cursorPosition(), 0);
    main->txtTitle->grab(); // lays the text out as painting does
    EXPECT_LT(main->txtTitle->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), 10);
}

TEST_F(MainWindowTest, DarkThemeKeepsThePastDueCaptionReadable)
{
    const QPalette light = QApplication::palette();
    QApplication::setPalette(DarkPalette());
    db.AddTask(1, "Late", "", today.addDays(-2));
    Open();
    ASSERT_FALSE(main->cmdPastDue->isHidden());
    EXPECT_GT(DarkPixels(main->cmdPastDue), 20);
    QApplication::setPalette(light);
    EXPECT_GT(DarkPixels(main->cmdPastDue), 20);
}

TEST_F(MainWindowTest, DialogBoxesUseTheMainWindowsDefaultFace)
{
    Open();
    const QFont face = main->txtTitle->font();
    EXPECT_EQ(face.pointSizeF(), 8.25);
    EXPECT_FALSE(face.bold());

    QList<QWidget*> boxes;
    const ScopedHook driver(Forms::ModalDriver(), [&](Form& form) {
        if (auto* task = qobject_cast<frmNewTask*>(&form))
            boxes << task->txtTitle << task->txtDescription << task->DTPicker1;
        if (auto* due = qobject_cast<frmNewDueDate*>(&form))
            boxes << due->DTPicker1;
        for (QWidget* box : boxes) {
            EXPECT_EQ(box->font(), face) << box->objectName().toStdString();
            EXPECT_EQ(QFontInfo(box->font()).family(), QFontInfo(face).family());
        }
        Forms::Unload(form);
    });
    main->cmdAddNew->click();
    db.AddTask(1, "Task", "", today);
    main->ShowTasks(0);
    RightClickAndPick(0, "mnuNewDueDate");
    EXPECT_EQ(boxes.size(), 4);
}

TEST_F(MainWindowTest, TheNewTaskDialogOpensCentredOnTheScreen)
{
    Open();
    QRect frame, client;
    const ScopedHook driver(Forms::ModalDriver(), [&](Form& form) {
        frame = form.frameGeometry();
        client = form.geometry();
        Forms::Unload(form);
    });
    main->cmdAddNew->click();
    // Placed before the window system adds its frame, which may shift it by the frame's size.
    const QPoint off =
        frame.center() - QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE(std::abs(off.x()), (frame.width() - client.width()) / 2 + 1) << off.x();
    EXPECT_LE(std::abs(off.y()), (frame.height() - client.height()) / 2 + 1) << off.y();
}
