// SPDX-License-Identifier: MIT
#include "helptexts.h"

const QList<HelpTopic>& HelpTopics()
{
    static const QList<HelpTopic> topics = {
        {QStringLiteral("The Main Screen"),
         {
             QStringLiteral("The Main Screen has several components. Below is a list of the items "
                            "you will find on the main screen and how to use each of them."),
             QStringLiteral("The Task List -- The large white area on the left side of the main "
                            "screen lists the tasks of one day. Each task is colour coded by its "
                            "status: red means the task is not completed, green means it is "
                            "completed, and yellow means it is special and not completed. Click a "
                            "task to show its notes in the Details Frame; right-click it for more "
                            "options."),
             QStringLiteral("The Date Dropdown -- This box chooses the day whose tasks are listed. "
                            "Click its arrow to open a calendar and pick a day, or type a date "
                            "into the box."),
             QStringLiteral("The Navigation Buttons -- The Previous Day button (the left arrow, "
                            "'<') shows the day before, the Next Day button (the right arrow, "
                            "'>') shows the day after, and the Today button ('T') goes back to "
                            "today."),
             QStringLiteral("The Add New Button -- Use this button to create a new task."),
             QStringLiteral("The Details Frame -- This frame shows the title and the notes of the "
                            "selected task. Make your changes there, then click the Update button "
                            "to save them."),
             QStringLiteral("The Past Due Button -- This red button is shown only when one or "
                            "more tasks are past due and not complete, and it tells you how many "
                            "there are. Click it to open a list of all such tasks."),
         }},
        {QStringLiteral("Create A Task"),
         {
             QStringLiteral("To create a new task, click the 'Add New' button on the main screen. "
                            "A new window opens in which you pick the task's due date and enter "
                            "its title and a description. Tick 'Mark As Special' if the task "
                            "should stand out: it is then shown with a yellow icon instead of a "
                            "red one. Click the 'Save' button to add the task; closing the window "
                            "without saving adds nothing."),
         }},
        {QStringLiteral("Changing A Status"),
         {
             QStringLiteral("To mark a task as complete, or otherwise change the status of a task, "
                            "right-click the task in the Task List. The pop-up menu lets you mark "
                            "it complete, incomplete or special, or take the special mark off "
                            "again."),
         }},
        {QStringLiteral("Changing A Date"),
         {
             QStringLiteral("Locate the task in the Task List, and Right-Click it. The pop-up menu "
                            "holds several options for giving the task a new due date:"),
             QStringLiteral("Due Today -- This option makes the task due today, no matter what "
                            "the original date is."),
             QStringLiteral("Due Tomorrow -- This option makes the task due tomorrow, no matter "
                            "what the original date is."),
             QStringLiteral("Procrastinate -- This option puts the task off by 1 to 7 days, "
                            "counted from its current due date. For example, a task that was due "
                            "3 days ago and is put off by 1 day is still 2 days past due; putting "
                            "it off by 3 days makes it due today."),
             QStringLiteral("Choose Due Date -- This option opens a new window with a drop-down "
                            "calendar, in which you pick the new due date and click 'Save'."),
         }},
        {QStringLiteral("The Past Due Screen"),
         {
             QStringLiteral("When one or more tasks have past their due date without being marked "
                            "as complete, a red 'Past Due' button is shown on the Main Screen. "
                            "Click it to open the Past Due Screen, which lists all of those tasks, "
                            "oldest first, with the number of days each one is late. Right-click "
                            "a task there for options to complete it, delete it or give it a new "
                            "due date."),
         }},
        {QStringLiteral("Auto-Start Option"),
         {
             QStringLiteral(
                 "To enable or disable Auto-Start, click the 'Extras' menu on the main "
                 "screen and choose 'Auto-Start Options'. Dueboard asks if you would "
                 "like it to start automatically when Windows starts; on this system "
                 "that means whenever you log in to your desktop. Answer 'Yes' and "
                 "Dueboard will start every time you log in (it places a Dueboard.desktop "
                 "entry in your autostart folder, usually ~/.config/autostart); answer "
                 "'No' and that entry is removed, so Dueboard no longer starts by "
                 "itself."),
         }},
        {QStringLiteral("Hiding and Closing"),
         {
             QStringLiteral("When Dueboard is started, an icon will be placed in your system "
                            "tray. On this system that is the notification area of your desktop's "
                            "panel; some desktops, GNOME among them, show it only with an "
                            "extension installed. Clicking the red X, or 'Hide' on the 'File' "
                            "menu, closes the Main Screen, but Dueboard keeps running in the "
                            "tray. Double-click the tray icon to show the Main Screen again. To "
                            "shut Dueboard down, choose 'Quit' on the 'File' menu or 'Quit' on "
                            "the tray icon's right-click menu."),
         }},
        {QStringLiteral("Repeating Tasks"),
         {
             QStringLiteral("To make a task come back, right-click it in the Task List or on "
                            "the Past Due Screen and choose 'Repeat', then 'Every Day', 'Every "
                            "Week', 'Every Month' or 'Every Year'; the rule in use is ticked. "
                            "'Every Month' from the 29th, 30th or 31st falls on the last day of "
                            "a shorter month, and 'Every Year' from the 29th of February on the "
                            "28th in other years."),
             QStringLiteral("When you mark a repeating task complete, it stays complete on its "
                            "own day and a new task with the same title and notes appears on "
                            "the next day the rule gives. If that day has already gone by, the "
                            "new task comes on the first day of the rule that has not, so a "
                            "task completed late brings one new task, not a string of overdue "
                            "ones. Moving a task's date moves only that task; its next day is "
                            "then counted from where it is."),
             QStringLiteral("To stop a task repeating, choose 'Repeat' and then 'Never'. A rule "
                            "made on a phone or in another program shows in words under "
                            "'Repeat', or as 'Other' when Dueboard cannot follow it; such a "
                            "task is completed on its own."),
         }},
    };
    return topics;
}

QString HelpTextFor(const QString& title)
{
    const QString key = title.toUpper();
    for (const HelpTopic& topic : HelpTopics()) {
        if (topic.Key() == key)
            return topic.Text();
    }
    return {};
}
