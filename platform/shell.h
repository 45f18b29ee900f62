// Starting documents and addresses with the program the desktop associates
// with them (ShellExecuteA), and pausing the calling thread (Sleep).
#pragma once

#include "platform/win_types.h"

namespace win {

// ShellExecuteA's result is an HINSTANCE that only carries a number: above 32
// means the document was handed to its program, 32 or less is an error code.
using HINSTANCE = void*;

class Shell {
 public:
  virtual ~Shell() = default;
  // `verb` "open" (or null, which means the same), `file` a Windows path or an
  // "http://"/"https://" address; `params` and `dir` may be null.
  virtual HINSTANCE ShellExecuteA(HWND owner, const char* verb, const char* file,
                                  const char* params, const char* dir, int show) = 0;
  virtual void Sleep(DWORD milliseconds) = 0;
};

}  // namespace win
