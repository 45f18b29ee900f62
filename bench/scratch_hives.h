// The registry benchmarks on Windows run on a scratch key, not on the
// machine's own hives: HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER are
// redirected, for this process only, to two keys below
// HKEY_CURRENT_USER\Software\Verantu-bench.
#pragma once

namespace bench {

// Redirects both hives to their scratch keys ("HKLM" and "HKCU"), creating
// them when needed. False when a key cannot be created or redirected.
bool RedirectHivesToScratch();
// Gives both hives back their own keys.
void RestoreHives();

}  // namespace bench
