// Domain and workgroup membership on Windows: the network management calls.
#pragma once

#include "platform/membership.h"

namespace win32 {

class Win32Membership : public win::Membership {
 public:
  [[nodiscard]] DWORD NetGetJoinInformation(const char16_t* server, std::u16string* name,
                                            DWORD* status) override;
  [[nodiscard]] DWORD NetJoinDomain(const char16_t* server, const char16_t* domain,
                                    const char16_t* accountOU, const char16_t* account,
                                    const char16_t* password, DWORD options) override;
};

}  // namespace win32
