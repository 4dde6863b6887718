// SPDX-License-Identifier: MIT
#include "listtext.h"

QString LeadingText(const QString& text, qsizetype limit)
{
    if (text.size() <= limit)
        return text;
    if (limit > 0 && text.at(limit - 1).isHighSurrogate())
        --limit;
    return text.left(limit);
}

QString ListText(const QString& stored)
{
    if (stored.size() <= ListTextLimit)
        return stored;
    return LeadingText(stored, ListTextLimit) + QChar(0x2026);
}
