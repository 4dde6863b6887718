// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <utility>

// A replaceable function: the program installs the real effect (or relies on a fallback), tests
// install a fake. Empty until someone installs one.
template <class Signature> class Hook
{
public:
    using Function = std::function<Signature>;

    // Installs function and hands back the one it replaces.
    Function Replace(Function function) { return std::exchange(m_function, std::move(function)); }

    explicit operator bool() const { return bool(m_function); }

    template <class... Args> decltype(auto) operator()(Args&&... args) const
    {
        return m_function(std::forward<Args>(args)...);
    }

private:
    Function m_function;
};

// Installs a function for its own lifetime and puts the previous one back when it goes.
template <class Signature> class ScopedHook
{
public:
    ScopedHook(Hook<Signature>& hook, typename Hook<Signature>::Function function)
        : m_hook(hook), m_previous(hook.Replace(std::move(function)))
    {
    }
    ~ScopedHook() { m_hook.Replace(std::move(m_previous)); }
    ScopedHook(const ScopedHook&) = delete;
    ScopedHook& operator=(const ScopedHook&) = delete;

private:
    Hook<Signature>& m_hook;
    typename Hook<Signature>::Function m_previous;
};
