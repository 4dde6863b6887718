// SPDX-License-Identifier: MIT
#include "backgroundsync.h"

#include "platform/app.h"
#include "runtime/errors.h"
#include "runtime/forms.h"
#include "runtime/whennoneopen.h"
#include "store/dbformat.h"
#include "sync/runner/syncrunner.h"
#include "ui/main/frmmain.h"

#include <QCoreApplication>

void StartBackgroundSync(QObject* owner)
{
    auto* runner = new SyncRunner(
        QCoreApplication::applicationDirPath() + QStringLiteral("/dueboard-sync"),
        App::Path() + QLatin1Char('/') + QLatin1String(DbFormat::FileName), NotifyDesktop, owner);
    auto* reload = new WhenNoneOpen(
        [] { Guard(QStringLiteral("Showing the tasks a sync brought"), ReloadAfterSync); }, runner);
    QObject::connect(runner, &SyncRunner::TasksChanged, reload, &WhenNoneOpen::Request);
    runner->RunSoon();
}

void ReloadAfterSync()
{
    if (!IsFormLoaded(QStringLiteral("frmMain")))
        return;
    frmMain& main = Forms::Instance<frmMain>();
    if (!main.DetailsEdited())
        main.ShowTasks(main.CurrentTaskID);
}
