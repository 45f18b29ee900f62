#include "gui/shell/help_links.h"

#include "store/profile_store.h"
#include "store/registry_access.h"

namespace app {

std::string ManualPath(const store::Context& ctx) {
  std::string folder;
  if (store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, store::kRootKey, "InsDir", folder) != 0)
    return "verantu.pdf";
  return folder + "verantu.pdf";
}

}  // namespace app
