// WIN.INI through GetProfileStringA and WriteProfileStringA. On Windows NT the
// sections the program uses ("windows", "Devices", "PrinterPorts") live in
// the current user's registry, and these calls read and write them there.
#pragma once

#include "platform/win_types.h"

namespace win {

class ProfileStrings {
 public:
  virtual ~ProfileStrings() = default;
  // Copies the entry's text, or `defaultText` (trailing blanks removed) when
  // the entry is missing, into `out` of `size` characters and returns the
  // number of characters copied without the NUL; a text that does not fit is
  // cut and size-1 is returned. A null `key` lists the section's entry names,
  // a null `app` the section names, each NUL-terminated with a final NUL; a
  // list that does not fit is cut and size-2 is returned.
  virtual DWORD GetProfileStringA(const char* app, const char* key, const char* defaultText,
                                  char* out, DWORD size) = 0;
  // Writes the entry; a null `value` deletes it, a null `key` deletes every
  // entry of the section. FALSE when it cannot be written.
  virtual BOOL WriteProfileStringA(const char* app, const char* key, const char* value) = 0;
};

}  // namespace win
