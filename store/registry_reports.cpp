#include "store/registry_reports.h"

#include "platform/code_page.h"
#include "store/messages.h"

namespace store {

namespace {

constexpr const char* kLongRegistryMessage =
    "ﾚｼﾞｽﾄﾘのｵｰﾌﾟﾝに失敗しましたが無視します。\nVerantu!の動作に影響はないと思われます。\n"
    "(暇な時にお調べになってください。)\n\nｴﾗｰﾚｼﾞｽﾄﾘｷｰ : %s\nｼｽﾃﾑが返却したｴﾗｰｺｰﾄﾞ : %d";
constexpr const char* kEnumerationCaption = "%s (ﾚｼﾞｽﾄﾘｷｰの列挙)";
constexpr const char* kOperationFailed = "レジストリの操作に失敗しました。";

void showLongRegistryMessage(const Context& ctx, const RegistryFailure& failure,
                             const std::string& ansiCaption) {
  ctx.messageBox(FormatAnsi(kLongRegistryMessage, failure.path.c_str(), int(failure.error)),
                 ansiCaption, MB_OK | MB_ICONINFORMATION);
}

// Reports what a call recorded and passes its status on.
int reported(const Context& ctx, const RegistryFailures& failures, int status) {
  ReportRegistryFailures(ctx, failures);
  return status;
}

}  // namespace

void ReportRegistryFailures(const Context& ctx, const RegistryFailures& failures) {
  for (const RegistryFailure& failure : failures) {
    switch (failure.kind) {
      case RegistryFailure::Kind::SubkeysUnlisted:
        showLongRegistryMessage(
            ctx, failure,
            FormatAnsi(kEnumerationCaption, win::ansiFromUtf8(kInformationCaption).c_str()));
        break;
      case RegistryFailure::Kind::ValuesUnlisted:
        showLongRegistryMessage(ctx, failure, win::ansiFromUtf8(kInformationCaption));
        break;
      case RegistryFailure::Kind::OutOfMemory:
        ShowError(ctx, kOperationFailed);
        break;
      case RegistryFailure::Kind::TreeNotDeleted:
        ShowAnsiError(ctx, failure.path);
        break;
    }
  }
}

int EnumerateSubkeyPaths(const Context& ctx, win::HKEY hive, const std::string& path,
                         std::vector<std::string>& paths, int& counter) {
  RegistryFailures failures;
  return reported(ctx, failures, EnumerateSubkeyPaths(ctx, hive, path, paths, counter, failures));
}

int CopyKeyTree(const Context& ctx, win::HKEY sourceHive, const std::string& sourcePath,
                win::HKEY destinationHive, const std::string& destinationPath,
                std::vector<std::string>* leftOut) {
  RegistryFailures failures;
  return reported(ctx, failures,
                  CopyKeyTree(ctx, sourceHive, sourcePath, destinationHive, destinationPath,
                              failures, leftOut));
}

int SyncKeyTree(const Context& ctx, win::HKEY sourceHive, const std::string& sourcePath,
                win::HKEY destinationHive, const std::string& destinationPath,
                std::vector<std::string>* leftOut) {
  RegistryFailures failures;
  return reported(ctx, failures,
                  SyncKeyTree(ctx, sourceHive, sourcePath, destinationHive, destinationPath,
                              failures, leftOut));
}

int CopyKeyValues(const Context& ctx, win::HKEY sourceHive, const std::string& sourcePath,
                  win::HKEY destinationHive, const std::string& destinationPath) {
  RegistryFailures failures;
  return reported(
      ctx, failures,
      CopyKeyValues(ctx, sourceHive, sourcePath, destinationHive, destinationPath, failures));
}

int DeleteKeyTree(const Context& ctx, win::HKEY hive, const std::string& path) {
  RegistryFailures failures;
  return reported(ctx, failures, DeleteKeyTree(ctx, hive, path, failures));
}

}  // namespace store
