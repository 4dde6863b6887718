// SPDX-License-Identifier: MIT
#pragma once

// What marks a file as a Dueboard database. The database tool writes these; the connection
// refuses any file that lacks them, so another program's SQLite file is never written to.
namespace DbFormat
{
inline constexpr int ApplicationId = 0x44756542; // "DueB"
inline constexpr int UserVersion = 1;
} // namespace DbFormat
