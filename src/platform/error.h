// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <exception>
#include <stdexcept>

// An error whose text is meant for a person: shown as it stands in a message box.
class Error : public std::runtime_error
{
public:
    explicit Error(const QString& description);
    QString Description() const { return m_description; }

private:
    QString m_description;
};

// The text a person is shown for a caught exception: an Error's description, any other
// exception's message (UTF-8), or "unknown error".
QString Describe(const std::exception_ptr& error);
