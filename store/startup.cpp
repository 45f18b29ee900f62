#include "store/startup.h"

#include "platform/code_page.h"
#include "store/profile_store.h"
#include "store/store_command.h"

namespace store {

using namespace win;

namespace {

constexpr const char* kDebugSwitch = "-debug";
constexpr const char* kDebugFile = "verantu.dbg";
constexpr const char* kMutexName = "Verantu!";
constexpr const char* kErrorCaption = "エラーメッセージ";
constexpr const char* kInformationCaption = "情報メッセージ";

// Start-up has no window yet, so its boxes have no owner.
int showBox(Prompter& prompter, const char* utf8Text, const char* utf8Caption, UINT flags) {
  return prompter.messageBox(nullptr, ansiFromUtf8(utf8Text), ansiFromUtf8(utf8Caption), flags);
}

std::unique_ptr<TextFile> openDebugLog(Files& files, System& system) {
  auto log = files.openText(kDebugFile, TextMode::Write);
  // A log that cannot be created leaves the switch on and logs nothing.
  if (log) {
    log->write("VERANTU DEBUG MODE START [" + system.localDateTimeText() + "]\n");
    log->flush();
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
  registry.RegCloseKey(root);
  return true;
}

// True on the first start: the marker FirstExecuted was missing and has now
// been created (empty REG_SZ). A marker that cannot be written still counts
// as a first run, so the offer is simply made again next time.
bool markFirstRun(Registry& registry) {
  HKEY root = nullptr;
  if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, store::kRootKey, 0, KEY_ALL_ACCESS, &root) !=
      ERROR_SUCCESS)
    return false;
  DWORD type = 0;
  DWORD size = 0;
  LONG status = registry.RegQueryValueExA(root, "FirstExecuted", nullptr, &type, nullptr, &size);
  // Only a marker that is really absent means a first run; a marker that
  // exists but cannot be read must not lead to the offer to discard profiles.
  bool firstRun = status == ERROR_FILE_NOT_FOUND;
  if (firstRun) {
    static const BYTE empty = 0;
    registry.RegSetValueExA(root, "FirstExecuted", 0, REG_SZ, &empty, 0);
  }
  registry.RegCloseKey(root);
  return firstRun;
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
  registry.RegCloseKey(setting);
  return readable;
}

// The first-run marker, the check for an earlier store and its discard run
// under the store lock, so that no capture of another copy lands in the
// store between the question and the deletion. When the lock cannot be had
// the offer waits for the next start: the marker is not written.
void offerToDiscardEarlierStore(Machine& machine, Prompter& prompter) {
  Context outer{machine, prompter, nullptr};
  StoreCommand command(outer, StoreChange::DiscardEarlierStore);
  if (!command.locked()) return;
  Registry& registry = command.context().registry();
  if (!markFirstRun(registry) || !hasEarlierStore(registry)) return;
  int answer =
      showBox(prompter, "以前使用していた設定内容が見つかりました。\n設定を引き継ぎますか？",
              kInformationCaption, MB_YESNO | MB_ICONWARNING);
  if (answer == IDYES || !command.beginWrites()) return;
  // Whether the key could be deleted is not asked: a store that is missing
  // already is what the answer wanted. A registry that fails is reported.
  registry.SHDeleteKeyA(HKEY_LOCAL_MACHINE, store::kSettingKey);
  command.commitWrites();
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
  system.CloseHandle(token);
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
    if (mutex) system.CloseHandle(mutex);
    return result;
  }

  // The window changes the store and the network from its start: without
  // an administrator's rights it does not start (on Windows its manifest
  // asks for them before it runs).
  if (!CheckSystemVersion(machine, prompter) ||
      !CheckAdministrator(machine, prompter, AdministratorUse::Program) ||
      !CheckInstallation(machine, prompter)) {
    system.CloseHandle(mutex);
    return result;
  }

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
  machine.system().ReleaseMutex(mutex);
  machine.system().CloseHandle(mutex);
}

}  // namespace store
