// Profiles as files, to hand a profile to another notebook or keep it
// through a reinstallation ("ｴｸｽﾎﾟｰﾄ(&E)..." and "ｲﾝﾎﾟｰﾄ(&I)..." of the
// main window, `verantu-cli export` and `import`). A file is a JSON document
// (UTF-8) that holds one profile slot with every value and subkey byte for
// byte; the front ends read and write the file itself, these functions turn
// a slot into its text and a text back into a slot.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/context.h"
#include "store/profile_selector.h"

namespace store {

// The document's "format" and "version". A reader refuses a file of
// another format or of a version it does not know.
inline constexpr const char* kProfileFileFormat = "Verantu! profile";
inline constexpr int kProfileFileVersion = 1;
// A profile takes a few kilobytes; a file far larger than any is refused
// before it is read, and front ends read no more than this and one byte.
inline constexpr std::size_t kMaxProfileFileBytes = 16 * 1024 * 1024;

// The file text of the profile `title` (ANSI), read under the store lock.
// Nothing, after a message, when there is no such profile or it cannot be
// read whole.
std::optional<std::string> ExportProfile(const Context& ctx, const std::string& title);

struct ImportResult {
  bool imported = false;     // stored, and the final message shown
  bool appendTitle = false;  // a new profile: the selector lists it last
  std::string title;         // ANSI: the title it was stored under
  // ANSI, one per interface of the file: the adapter it was stored for.
  std::vector<std::string> interfaceLines;
};
// Stores the profile of `fileText` under its own title or `asTitle` (ANSI):
// in the next free slot, or over the profile of that title after the
// capture's question. A file that is not a well-formed profile, or holds a
// value a switch script could not carry, is refused with a message that
// names the place, and nothing is changed. Interfaces named by adapters
// this machine lacks move to its adapter of the same connection name when
// there is exactly one. One store command: all of it is stored or nothing.
ImportResult ImportProfile(const Context& ctx, std::string_view fileText,
                           const std::optional<std::string>& asTitle,
                           ProfileSelector* selector = nullptr);

// The front ends' messages about the file itself. Paths are ANSI, as shown.
void ReportProfileFileWritten(const Context& ctx, const std::string& title,
                              const std::string& path);
void ReportProfileFileNotWritten(const Context& ctx, const std::string& path);
void ReportProfileFileNotRead(const Context& ctx, const std::string& path);

}  // namespace store
