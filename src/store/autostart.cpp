// SPDX-License-Identifier: MIT
#include "autostart.h"

#include "platform/app.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <system_error>

namespace
{

const QString EntrySuffix = QStringLiteral(".desktop");

QString entryPath(const QString& folder)
{
    return folder + QStringLiteral("/Dueboard") + EntrySuffix;
}

// Every reader of a log-on entry must take its Exec for the launcher's path: the Desktop Entry
// rules, GLib (GNOME's and Xfce's session start, gio launch) and dex (tiling desktops). GLib
// refuses an entry whose program path needs "%%", and dex mis-reads the backslash escapes of
// " ` $ and \, so a path that needs any of them has no Exec all three read. Other reserved
// characters are quoted, which needs no escape; a path without any is written bare.
const QRegularExpression& unreadableInExec()
{
    static const QRegularExpression characters(QStringLiteral("[%\"`$\\\\\\x00-\\x1f\\x7f]"));
    return characters;
}

std::optional<QString> readableExec(const QString& program)
{
    if (program.contains(unreadableInExec()))
        return std::nullopt;
    static const QRegularExpression reserved(QStringLiteral("[ '<>~|&;*?#()]"));
    return program.contains(reserved) ? u'"' + program + u'"' : program;
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

// TryExec names the program itself, so that once it is gone (the package removed) desktops skip
// the entry instead of failing to start it.
QString entryText(const QString& description, const QString& program, const QString& exec,
                  const QString& icon, const QString& workingDirectory)
{
    QString text = QStringLiteral("[Desktop Entry]\nType=Application\n");
    text += QStringLiteral("Name=") + escaped(description) + u'\n';
    text += QStringLiteral("Comment=") + escaped(description) + u'\n';
    text += QStringLiteral("TryExec=") + escaped(program) + u'\n';
    text += QStringLiteral("Exec=") + escaped(exec) + u'\n';
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

// The launcher's own path when every reader takes it, or else a program of the same name on the
// search path that leads to it (the link an install makes); nullopt when neither is there.
std::optional<QString> readableLauncher(const QString& launcher)
{
    if (readableExec(launcher))
        return launcher;
    const QString found = QStandardPaths::findExecutable(QFileInfo(launcher).fileName());
    const QString target = QFileInfo(launcher).canonicalFilePath();
    if (!found.isEmpty() && readableExec(found) && !target.isEmpty() &&
        QFileInfo(found).canonicalFilePath() == target)
        return found;
    return std::nullopt;
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
    const QString launcher = App::Path() + QStringLiteral("/dueboard");
    const std::optional<QString> target = readableLauncher(launcher);
    if (!target) {
        const QString found = unreadableInExec().match(launcher).captured();
        const QString what =
            found.at(0).isPrint() ? u'"' + found + u'"' : QStringLiteral("a control character");
        throw std::runtime_error(
            QStringLiteral("Cannot make the log-on entry \"%1\": the launcher's path \"%2\" "
                           "holds %3, and desktops cannot start a program whose path holds "
                           "%, \", `, $, \\ or a control character. Nothing was written. Move "
                           "Dueboard to a folder whose path holds none of them.")
                .arg(path, launcher, what)
                .toStdString());
    }
    MakeShortcut(path, App::Title, *target, 1, App::Icon());
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
    const std::optional<QString> exec = readableExec(targetPath);
    if (!exec)
        cannotWrite(
            path,
            QStringLiteral("desktops cannot start a program from the path \"%1\"").arg(targetPath));
    const QString icon = iconLocation.isEmpty() ? targetPath : iconLocation;
    const QString folder = workingDirectory.isEmpty()
                               ? targetPath.left(qMax<qsizetype>(targetPath.lastIndexOf(u'/'), 0))
                               : workingDirectory;
    writeAtomically(path, entryText(description, targetPath, *exec, icon, folder));
    return true;
}
