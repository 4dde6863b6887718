// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The built-in help: eight topics in list order. A topic's text is its paragraphs joined by
// one empty line (CR LF twice), with nothing before the first or after the last.
struct HelpTopic {
    QString title;          // shown in the list
    QStringList paragraphs; // in reading order
    QString Key() const { return title.toUpper(); }
    QString Text() const { return paragraphs.join(QStringLiteral("\r\n\r\n")); }
};

const QList<HelpTopic>& HelpTopics();

// The text of the topic whose key equals the given title in upper case; empty if none does.
QString HelpTextFor(const QString& title);
