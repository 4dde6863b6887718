// SPDX-License-Identifier: MIT
#include "error.h"

Error::Error(const QString& description)
    : std::runtime_error(description.toStdString()), m_description(description)
{
}

QString Describe(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Error& e) {
        return e.Description();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("unknown error");
    }
}
