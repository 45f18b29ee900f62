// The program's own options, kept in the root key beside Setting, so that
// the layout of the profiles never changes for them:
//   StayInTray   REG_DWORD, 1: closing the main window leaves the program
//                running in the notification area; absent or 0: closing it
//                ends the program.
#pragma once

#include "store/context.h"

namespace store {

bool ReadStayInTray(const Context& ctx);
// 0 when it was stored, 1 when not.
int WriteStayInTray(const Context& ctx, bool stay);

}  // namespace store
