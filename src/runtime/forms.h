// SPDX-License-Identifier: MIT
#pragma once

#include "form.h"
#include "platform/hook.h"

#include <QList>
#include <functional>

// The collection of loaded windows and the program-wide single instances.
//
//   auto& dlg = Forms::Instance<frmNewDueDate>(); // made, not loaded
//   dlg.SetTaskID(id);                             // before Form_Load
//   Forms::ShowModal(dlg, this);                   // loads, shows, returns once unloaded/hidden
//
// After Unload the next Instance<T>() makes a fresh window.
class FormsRegistry
{
public:
    static void Load(Form& form);                      // adds to the collection, runs Form_Load
    static void Unload(Form& form);                    // runs Form_Unload, then destroys it
    static void Show(Form& form);                      // modeless; loads first if needed
    static void ShowModal(Form& form, QWidget* owner); // owner may be null
    static QList<Form*> Loaded();                      // collection order: load order
    static void Adopt(Form* form, std::function<void()> forgetInstance);

private:
    friend class Form;
    static void Forget(Form* form); // a form being destroyed leaves the collection
};

namespace Forms
{

template <class T> T& Instance()
{
    static T* instance = nullptr;
    if (!instance) {
        instance = new T;
        FormsRegistry::Adopt(instance, [] { instance = nullptr; });
    }
    return *instance;
}

// The instance, loaded (Form_Load run) if it was not.
template <class T> T& Get()
{
    T& form = Instance<T>();
    if (!form.IsLoaded())
        FormsRegistry::Load(form);
    return form;
}

template <class T> void Show()
{
    FormsRegistry::Show(Instance<T>());
}
inline void Show(Form& form)
{
    FormsRegistry::Show(form);
}
inline void ShowModal(Form& form, QWidget* owner)
{
    FormsRegistry::ShowModal(form, owner);
}
inline void Load(Form& form)
{
    FormsRegistry::Load(form);
}
inline void Unload(Form& form)
{
    FormsRegistry::Unload(form);
}
inline QList<Form*> Loaded()
{
    return FormsRegistry::Loaded();
}

// Test seam: when set, ShowModal loads and shows the form, calls the driver with it and
// returns without a nested event loop. The driver acts as the person would (fills fields,
// presses Save, or closes the window).
Hook<void(Form& form)>& ModalDriver();

// The program's lifetime rule: it ends once no window is loaded.
void QuitWhenNoWindow();

} // namespace Forms

// True if any loaded window's Name equals name, ignoring case (every window is visited).
bool IsFormLoaded(const QString& name);

// Lets pending window events run, n passes.
void DoEvents(int n);

// Windows of modules that this one must not depend on (the tray host window, made by the
// shell) are reached by design name. Whoever owns the window registers its instance.
namespace Forms
{
using InstanceGetter = std::function<Form&()>;
void Register(const QString& name, InstanceGetter instance);
// The program-wide instance registered under name (made, not necessarily loaded); throws
// std::runtime_error when nothing is registered under it.
Form& Named(const QString& name);
} // namespace Forms
