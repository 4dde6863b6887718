// SPDX-License-Identifier: MIT
#include "autostart.h"

#include "platform/app.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace
{

const QString EntrySuffix = QStringLiteral(".desktop");

QString entryPath(const QString& folder)
{
    return folder + QStringLiteral("/Dueboard") + EntrySuffix;
}

// Exec is parsed like a command line: the whole path goes in double quotes so that blanks and
// shell characters stay part of it, and a literal percent sign must not read as a field code.
QString quotedCommand(const QString& program)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        else if (c == u'%')
            quoted += u'%';
        quoted += c;
    }
    return quoted + u'"';
}

// The file format's own escaping, which every string value gets; a leading blank would
// otherwise be taken for the space around "=".
QString escaped(const QString& value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u' ' && i == 0)
            out += QStringLiteral("\\s");
        else
            out += c;
    }
    return out;
}

QString entryText(const QString& description, const QString& target, const QString& icon,
                  const QString& workingDirectory)
{
    QString text = QStringLiteral("[Desktop Entry]\nType=Application\n");
    text += QStringLiteral("Name=") + escaped(description) + u'\n';
    text += QStringLiteral("Comment=") + escaped(description) + u'\n';
    text += QStringLiteral("Exec=") + escaped(quotedCommand(target)) + u'\n';
    if (!icon.isEmpty())
        text += QStringLiteral("Icon=") + escaped(icon) + u'\n';
    if (!workingDirectory.isEmpty())
        text += QStringLiteral("Path=") + escaped(workingDirectory) + u'\n';
    return text + QStringLiteral("Terminal=false\n");
}

[[noreturn]] void cannotWrite(const QString& path, const QString& cause)
{
    throw std::runtime_error(
        QStringLiteral("Cannot write \"%1\": %2").arg(path, cause).toStdString());
}

void makeFolderOf(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), error);
    if (error)
        cannotWrite(path, QStringLiteral("cannot create the folder \"%1\": %2")
                              .arg(folder, QString::fromLocal8Bit(error.message())));
}

// Written beside the final name and renamed over it, so a crash never leaves half an entry.
void writeAtomically(const QString& path, const QString& text)
{
    makeFolderOf(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        cannotWrite(path, file.errorString());
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        cannotWrite(path, file.errorString());
}

} // namespace

void EnableAutoStart()
{
    const QString folder = GetSpecialFolder(CSIDL_STARTUP);
    if (folder.isEmpty())
        throw std::runtime_error("Cannot find the autostart folder: neither XDG_CONFIG_HOME nor "
                                 "HOME is an absolute path");
    const QString path = entryPath(folder);
    if (QFileInfo(path).isFile())
        return;
    MakeShortcut(path, App::Title, App::Path() + QStringLiteral("/dueboard"));
}

void DisableAutoStart()
{
    const QString folder = GetSpecialFolder(CSIDL_STARTUP);
    if (!folder.isEmpty())
        QFile::remove(entryPath(folder)); // a missing or undeletable entry is ignored
}

QString GetSpecialFolder(int csidl)
{
    if (csidl != CSIDL_STARTUP)
        return {};
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(config)) {
        const QString home = qEnvironmentVariable("HOME");
        if (!QDir::isAbsolutePath(home))
            return {};
        config = home + QStringLiteral("/.config");
    }
    return config + QStringLiteral("/autostart");
}

// A Desktop Entry has no window state to set; every style opens the launcher the same way.
bool MakeShortcut(const QString& shortcutPath, const QString& description,
                  const QString& targetPath, int /*windowStyle*/, const QString& iconLocation,
                  const QString& workingDirectory)
{
    QString path = shortcutPath;
    if (!path.endsWith(EntrySuffix, Qt::CaseInsensitive))
        path += EntrySuffix;
    const QString icon = iconLocation.isEmpty() ? targetPath : iconLocation;
    const QString folder = workingDirectory.isEmpty()
                               ? targetPath.left(qMax<qsizetype>(targetPath.lastIndexOf(u'/'), 0))
                               : workingDirectory;
    writeAtomically(path, entryText(description, targetPath, icon, folder));
    return true;
}
