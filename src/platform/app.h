// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The program's identity and its own directory, where the database and the launcher live.
namespace App
{

inline const QString Title = QStringLiteral("Dueboard");

// The directory that holds the program, used unchanged (no separator added or removed).
// Defaults to the running executable's directory; tests point it elsewhere.
QString Path();
void SetPath(const QString& path);

// The program's own picture: the icon file in the program directory (a build), or else the
// name of the icon an install puts in the icon theme.
QString Icon();

// The build's version (project version in CMake), e.g. 1.0.3.
int Major();
int Minor();
int Revision();

} // namespace App
