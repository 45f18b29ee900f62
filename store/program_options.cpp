#include "store/program_options.h"

#include "store/profile_store.h"
#include "store/registry_access.h"

namespace store {

namespace {

constexpr const char* kStayInTrayValue = "StayInTray";

}  // namespace

bool ReadStayInTray(const Context& ctx) {
  win::DWORD stay = 0;  // a missing value keeps the default
  (void)ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, kRootKey, kStayInTrayValue, stay);
  return stay != 0;
}

int WriteStayInTray(const Context& ctx, bool stay) {
  return WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, kRootKey, kStayInTrayValue, stay ? 1 : 0);
}

}  // namespace store
