// SPDX-License-Identifier: MIT
#include "loadedforms.h"

LoadedForms& LoadedForms::Instance()
{
    static LoadedForms instance;
    return instance;
}
