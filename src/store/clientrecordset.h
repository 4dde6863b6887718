// SPDX-License-Identifier: MIT
#pragma once

#include "appfunctions.h"

// Every task operation reads through its own client-side recordset of one statement.
struct ClientRecordset : adodb::Recordset {
    explicit ClientRecordset(const QString& sql)
    {
        CursorLocation = adodb::adUseClient;
        Open(sql, ActiveConnection(), adodb::adOpenStatic, adodb::adLockOptimistic,
             adodb::adCmdUnspecified);
    }
};
