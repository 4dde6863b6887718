// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The maker's contact details as the About window shows and opens them.
namespace Maker
{
inline const QString WebSiteCaption = QStringLiteral("Example.org online:");
inline const QString WebSite = QStringLiteral("www.example.org");
inline const QString SupportEmail = QStringLiteral("support@example.org");
} // namespace Maker
