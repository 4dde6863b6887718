// SPDX-License-Identifier: MIT
#include "forms.h"

#include "errors.h"
#include "loadedforms.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWindow>

namespace
{

QList<Form*>& collection()
{
    static QList<Form*> forms;
    return forms;
}

// Ends a modal loop when its window is hidden.
class HideWatcher : public QObject
{
public:
    HideWatcher(QWidget& widget, QEventLoop& loop) : m_loop(loop)
    {
        widget.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A minimised window is hidden spontaneously but still shown.
        if (event->type() == QEvent::Hide && !static_cast<QWidget*>(watched)->isVisible())
            m_loop.quit();
        return QObject::eventFilter(watched, event);
    }

private:
    QEventLoop& m_loop;
};

void SetOwner(Form& form, QWidget* owner)
{
    if (!owner)
        return;
    QWindow* ownerWindow = owner->window()->windowHandle();
    if (!ownerWindow)
        return;
    form.winId(); // the native window must exist to take a transient parent
    // Not a QObject parent: the owner's destruction must never destroy the dialog.
    form.windowHandle()->setTransientParent(ownerWindow);
}

// Destroys an unloaded window once no nested event loop can have its code on the stack. A
// window unloaded from inside a modal loop or a pop-up menu (say, "Quit" in the tray while a
// dialog is open) would otherwise be destroyed by that loop, under the handler that opened it.
void DestroyWhenSafe(Form& form)
{
    static QList<QPointer<Form>> waiting;
    if (QThread::currentThread()->loopLevel() <= 1) {
        form.deleteLater();
        return;
    }
    waiting.append(&form);
    if (waiting.size() > 1)
        return; // a check is already on its way
    const auto check = [](const auto& self) -> void {
        if (QThread::currentThread()->loopLevel() > 1) {
            QTimer::singleShot(50, [self] { self(self); });
            return;
        }
        for (const QPointer<Form>& f : std::exchange(waiting, {}))
            if (f)
                f->deleteLater();
    };
    QTimer::singleShot(0, [check] { check(check); });
}

} // namespace

void FormsRegistry::Load(Form& form)
{
    if (form.m_loaded || form.m_unloading)
        return;
    form.m_loaded = true;
    collection().append(&form);
    try {
        form.Form_Load();
    } catch (...) {
        // A window that failed to load is gone; the error belongs to whoever asked for it.
        form.m_loaded = false;
        form.m_unloading = true;
        collection().removeOne(&form);
        form.ForgetInstance();
        form.deleteLater();
        emit LoadedForms::Instance().Changed();
        throw;
    }
    emit LoadedForms::Instance().Changed();
}

void FormsRegistry::Unload(Form& form)
{
    if (form.m_unloading)
        return;
    form.m_unloading = true;
    const bool wasLoaded = form.m_loaded;
    if (wasLoaded)
        Guard(QStringLiteral("Unload of ") + form.Name(), [&form] { form.Form_Unload(); });
    form.m_loaded = false;
    collection().removeOne(&form);
    form.ForgetInstance();
    form.hide();
    emit LoadedForms::Instance().Changed();
    if (wasLoaded)
        Guard(QStringLiteral("Unload of ") + form.Name(), [&form] { emit form.Unloaded(); });
    if (!form.m_modalHold)
        DestroyWhenSafe(form);
}

void FormsRegistry::Show(Form& form)
{
    Load(form);
    if (!form.m_loaded)
        return; // it unloaded itself while loading
    form.show();
    form.raise();
    form.activateWindow();
}

void FormsRegistry::ShowModal(Form& form, QWidget* owner)
{
    Load(form);
    if (!form.m_loaded)
        return;

    // Callers read the dialog once this returns, so it must outlive the call even when it
    // unloads itself: its destruction is posted from here, in the caller's turn.
    struct Hold {
        QPointer<Form> form;
        bool outer;
        explicit Hold(Form& f) : form(&f), outer(f.m_modalHold) { f.m_modalHold = true; }
        ~Hold()
        {
            if (!form)
                return;
            form->m_modalHold = outer;
            if (!form->m_unloading)
                form->setWindowModality(Qt::NonModal);
            else if (!outer)
                DestroyWhenSafe(*form);
        }
    } hold(form);

    if (form.isVisible())
        form.hide(); // modality only takes effect when the window is shown
    form.setWindowModality(Qt::ApplicationModal);
    SetOwner(form, owner);
    form.show();
    form.raise();
    form.activateWindow();

    if (Forms::ModalDriver()) {
        Forms::ModalDriver()(form);
        return;
    }
    if (!form.isVisible())
        return;
    QEventLoop loop;
    HideWatcher watcher(form, loop);
    QObject::connect(&form, &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::DialogExec);
}

QList<Form*> FormsRegistry::Loaded()
{
    return collection();
}

void FormsRegistry::Adopt(Form* form, std::function<void()> forgetInstance)
{
    form->m_forgetInstance = std::move(forgetInstance);
}

void FormsRegistry::Forget(Form* form)
{
    collection().removeOne(form);
}

namespace Forms
{

Hook<void(Form& form)>& ModalDriver()
{
    static Hook<void(Form & form)> hook;
    return hook;
}

void QuitWhenNoWindow()
{
    if (Loaded().isEmpty())
        QCoreApplication::quit();
}

} // namespace Forms

bool IsFormLoaded(const QString& name)
{
    const QString wanted = name.toUpper();
    bool found = false;
    for (const Form* form : collection()) {
        if (form->Name().toUpper() == wanted)
            found = true;
    }
    return found;
}

void DoEvents(int n)
{
    for (int i = 0; i < n; ++i)
        QCoreApplication::processEvents();
}
