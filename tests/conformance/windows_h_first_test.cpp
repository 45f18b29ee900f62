// The whole of <windows.h> first, then every header of the layers above it:
// none of their names may collide with its macros and declarations.
#undef WIN32_LEAN_AND_MEAN
// clang-format off
#include <windows.h>
#include <lm.h>
#include <winspool.h>
// clang-format on

#include "platform/machine.h"
#include "platform/prompter.h"
#include "store/capture.h"
#include "store/context.h"
#include "store/deletion.h"
#include "store/open_key.h"
#include "store/profile_selector.h"
#include "store/profile_store.h"
#include "store/profile_titles.h"
#include "store/registry_access.h"
#include "store/startup.h"
#include "store/system_keys.h"
#include "switching/switch_choice.h"
#include "switching/switch_flow.h"
#include "switching/switch_script.h"
#include "switching/switch_steps.h"
#include "switching/work_file_text.h"
#include "views/display_pair.h"
#include "views/live_settings.h"
#include "views/profile_data.h"
#include "views/proxy_settings.h"
#include "views/tcpip_lists.h"

static_assert(ERROR_MORE_DATA == 234 && REG_MULTI_SZ == 7 && MB_ICONERROR == 0x10);
static_assert(sizeof(win::OSVERSIONINFOA) == 148, "the record has the size Windows checks");
