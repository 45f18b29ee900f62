// Every header of the layers above the platform first, <windows.h> and the
// headers that need it after them.
#include <type_traits>

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

// clang-format off
#include <windows.h>
#include <lm.h>
#include <winspool.h>
#include <shellapi.h>
// clang-format on

static_assert(std::is_same_v<win::HKEY, ::HKEY> && std::is_same_v<win::DWORD, ::DWORD>);
static_assert(NetSetupDomainName == 3 && WAIT_TIMEOUT == 258);
