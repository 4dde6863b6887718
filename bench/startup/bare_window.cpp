// SPDX-License-Identifier: MIT
// The plainest Qt Widgets program of the main window's kind: a window with a tree and a date
// box, shown at once. The start-up benchmark times it and reads its memory beside Dueboard's.
#include <QApplication>
#include <QDate>
#include <QDateEdit>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    auto* layout = new QVBoxLayout(&window);
    auto* date = new QDateEdit(QDate::currentDate());
    date->setCalendarPopup(true);
    layout->addWidget(date);
    auto* tree = new QTreeWidget;
    tree->setHeaderLabel(QStringLiteral("Tasks"));
    new QTreeWidgetItem(tree, {QStringLiteral("A task")});
    layout->addWidget(tree);
    // The main window's size: 8265 x 3990 twips.
    window.resize(551, 266);
    window.show();
    return app.exec();
}
