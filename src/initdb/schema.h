// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The empty task database: the two tables, their indexes, the file's identity and its journal
// mode. The program itself never creates the file; this is for the database tool, the build
// and the tests.
namespace Schema
{

// Creates an empty Dueboard database at path. The file appears complete or not at all, and an
// existing file is never touched: that, like any other failure, throws std::runtime_error
// naming the file and the cause.
void CreateDatabase(const QString& path);

} // namespace Schema
