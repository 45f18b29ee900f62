#include "store/startup.h"

#include "platform/code_page.h"
#include "store/messages.h"
#include "store/profile_store.h"
#include "store/store_command.h"

namespace store {

using namespace win;

namespace {

constexpr const char* kDebugSwitch = "-debug";
constexpr const char* kDebugFile = "verantu.dbg";
constexpr const char* kMutexName = "Verantu!";

// Start-up has no window yet, so its boxes have no owner.
int showBox(Prompter& prompter, const char* utf8Text, const char* utf8Caption, UINT flags) {
  return prompter.messageBox(nullptr, ansiFromUtf8(utf8Text), ansiFromUtf8(utf8Caption), flags);
}

std::unique_ptr<TextFile> openDebugLog(Files& files, System& system) {
  auto log = files.openText(kDebugFile, TextMode::Write);
  // A log that cannot be created or written leaves the switch on and logs
  // nothing.
  if (log) {
    (void)log->write("VERANTU DEBUG MODE START [" + system.localDateTimeText() + "]\n");
    (void)log->flush();
  }
  return log;
}

bool isSupportedVersion(System& system) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;  // Windows checks the record's size
  return system.GetVersionExA(&info) && info.dwMajorVersion >= 5;
}

// Full access to the root key is what an installation by an administrator
// gives; anything less and the store could not be written.
bool isInstalled(Registry& registry, REGSAM access) {
  HKEY root = nullptr;
  if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, store::kRootKey, 0, access, &root) !=
      ERROR_SUCCESS)
    return false;
  (void)registry.RegCloseKey(root);
  return true;
}

// Whether the marker FirstExecuted is really absent: only then is this the
// first start. A marker that exists but cannot be read must not lead to the
// offer to discard profiles.
bool isFirstRun(Registry& registry) {
  HKEY root = nullptr;
  if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, store::kRootKey, 0, KEY_READ, &root) !=
      ERROR_SUCCESS)
    return false;
  DWORD type = 0;
  DWORD size = 0;
  LONG status = registry.RegQueryValueExA(root, "FirstExecuted", nullptr, &type, nullptr, &size);
  (void)registry.RegCloseKey(root);
  return status == ERROR_FILE_NOT_FOUND;
}

// Writes the marker (empty REG_SZ). A marker that cannot be written still
// lets this start count as the first, so the offer is simply made again
// next time.
void markFirstRun(Registry& registry) {
  HKEY root = nullptr;
  if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, store::kRootKey, 0, KEY_ALL_ACCESS, &root) !=
      ERROR_SUCCESS)
    return;
  static const BYTE empty = 0;
  (void)registry.RegSetValueExA(root, "FirstExecuted", 0, REG_SZ, &empty, 0);
  (void)registry.RegCloseKey(root);
}

// ComboActive is present exactly when the store holds profiles.
bool hasEarlierStore(Registry& registry) {
  HKEY setting = nullptr;
  if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, store::kSettingKey, 0, KEY_ALL_ACCESS, &setting) !=
      ERROR_SUCCESS)
    return false;
  DWORD value = 0;
  DWORD size = sizeof value;
  DWORD type = 0;
  bool readable =
      registry.RegQueryValueExA(setting, "ComboActive", nullptr, &type,
                                reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS;
  (void)registry.RegCloseKey(setting);
  return readable;
}

// On the first start only, the marker is written and the earlier store
// looked for under the store lock, so that a second copy starting at the
// same moment does not make the offer too; the question is asked with the
// lock released, and the discard takes it again and checks that the store
// is still there. Later starts read the marker and take no lock. When the
// lock cannot be had the offer waits for the next start.
void offerToDiscardEarlierStore(Machine& machine, Prompter& prompter) {
  Context outer{machine, prompter, nullptr};
  if (!isFirstRun(machine.registry())) return;
  {
    StoreCommand command(outer, StoreChange::DiscardEarlierStore);
    if (!command.locked()) return;
    Registry& registry = command.context().registry();
    // Another copy may have started first.
    if (!isFirstRun(registry)) return;
    markFirstRun(registry);
    if (!hasEarlierStore(registry)) return;
  }
  int answer =
      showBox(prompter, "以前使用していた設定内容が見つかりました。\n設定を引き継ぎますか？",
              kInformationCaption, MB_YESNO | MB_ICONWARNING);
  if (answer == IDYES) return;
  StoreCommand command(outer, StoreChange::DiscardEarlierStore);
  if (!command.locked()) return;
  Registry& registry = command.context().registry();
  if (!hasEarlierStore(registry) || !command.beginWrites()) return;
  // Whether the key could be deleted is not asked: a store that is missing
  // already is what the answer wanted. A registry that fails is reported.
  (void)registry.SHDeleteKeyA(HKEY_LOCAL_MACHINE, store::kSettingKey);
  (void)command.commitWrites();
}

}  // namespace

bool CheckSystemVersion(Machine& machine, Prompter& prompter) {
  if (isSupportedVersion(machine.system())) return true;
  showBox(prompter, "このプログラムはＷｉｎｄｏｗｓ２０００/ＸＰ専用です。", kErrorCaption,
          MB_ICONERROR);
  return false;
}

bool IsProcessElevated(System& system) {
  HANDLE token = nullptr;
  if (!system.OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return true;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  const BOOL known =
      system.GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
  (void)system.CloseHandle(token);
  return !known || elevation.TokenIsElevated != 0;
}

bool CheckAdministrator(Machine& machine, Prompter& prompter, AdministratorUse use) {
  if (IsProcessElevated(machine.system())) return true;
  showBox(prompter,
          use == AdministratorUse::Program
              ? "このプログラムを使うには管理者権限が必要です。\n管理者として実行してください。"
              : "この操作には管理者権限が必要です。\n管理者として実行してください。",
          kErrorCaption, MB_ICONERROR);
  return false;
}

bool CheckInstallation(Machine& machine, Prompter& prompter, REGSAM access) {
  if (isInstalled(machine.registry(), access)) return true;
  showBox(prompter, "正しくインストールしてください。", kErrorCaption, MB_ICONERROR);
  return false;
}

StartupResult RunStartupChecks(Machine& machine, Prompter& prompter,
                               const std::string& commandLine) {
  StartupResult result;
  System& system = machine.system();

  if (commandLine == kDebugSwitch) {
    result.debug = true;
    result.debugLog = openDebugLog(machine.files(), system);
  }

  // A second copy ends at once and silently; the running one is left alone.
  // Only ERROR_ALREADY_EXISTS tells of another copy: a new mutex may leave
  // an older, unrelated code behind in GetLastError.
  HANDLE mutex = system.CreateMutexA(nullptr, TRUE, kMutexName);
  if (!mutex || system.GetLastError() == ERROR_ALREADY_EXISTS) {
    if (mutex) (void)system.CloseHandle(mutex);
    return result;
  }

  // The window changes the store and the network from its start: without
  // an administrator's rights it does not start (on Windows its manifest
  // asks for them before it runs).
  if (!CheckSystemVersion(machine, prompter) ||
      !CheckAdministrator(machine, prompter, AdministratorUse::Program) ||
      !CheckInstallation(machine, prompter)) {
    (void)system.CloseHandle(mutex);
    return result;
  }

  // A command cut short is undone before anything reads the store; when
  // that fails the user has been told, and the window shows what it can.
  Context ctx{machine, prompter, nullptr};
  (void)RecoverStore(ctx);
  offerToDiscardEarlierStore(machine, prompter);

  result.proceed = true;
  result.exitCode = 0;
  result.mutex = mutex;
  return result;
}

std::string CommandLineText(int argc, char** argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += ' ';
    text += argv[i];
  }
  return text;
}

void ReleaseSingleInstance(Machine& machine, HANDLE mutex) {
  if (!mutex) return;
  (void)machine.system().ReleaseMutex(mutex);
  (void)machine.system().CloseHandle(mutex);
}

}  // namespace store
