#include "store/messages.h"

namespace store {

int ShowError(const Context& ctx, std::string_view utf8Text) {
  return ShowAnsiError(ctx, win::ansiFromUtf8(utf8Text));
}

int ShowAnsiError(const Context& ctx, const std::string& ansiText) {
  return ctx.messageBox(ansiText, win::ansiFromUtf8(kErrorCaption), MB_OK | MB_ICONERROR);
}

}  // namespace store
