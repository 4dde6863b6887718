// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The program's identity, its own directory, where the launcher lives, and the one answer to
// where the task database lives.
namespace App
{

inline const QString Title = QStringLiteral("Dueboard");
inline const QString DatabaseName = QStringLiteral("Dueboard.mdb");
// Shipped by the Debian package in its program directory, which is no one's to write.
inline const QString PackageMarker = QStringLiteral("installed-by-package");

// The directory that holds the program, used unchanged (no separator added or removed).
// Defaults to the running executable's directory; tests point it elsewhere.
QString Path();
void SetPath(const QString& path);

// Whether the program directory is one the package installed (it holds PackageMarker). Each
// person then keeps their tasks in their own data folder, root included; any other program
// directory (a build, a per-user install, a copied folder) keeps them beside the programs.
bool DataInHome();

// The folder of the task database: $XDG_DATA_HOME/dueboard (or ~/.local/share/dueboard) when
// DataInHome(), else Path(). Throws Error when neither XDG_DATA_HOME nor HOME is absolute.
QString DatabaseFolder();
// DatabaseFolder() + "/Dueboard.mdb": every program, tool and key that names the database.
QString DatabaseFile();
// Makes DatabaseFolder() where it is missing, each folder made private (0700), and leaves an
// existing one as it is. Throws Error naming the folder and the cause.
void MakeDatabaseFolder();

// The program's own picture: the icon file in the program directory (a build), or else the
// name of the icon an install puts in the icon theme.
QString Icon();

// The build's version (project version in CMake), e.g. 1.0.3.
int Major();
int Minor();
int Revision();

} // namespace App
