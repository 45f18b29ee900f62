#include "platform/emulated/emulated_machine.h"

#include <cstdlib>
#include <filesystem>

namespace emu {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRegistryFile = "registry.db";
constexpr const char* kDriveC = "drive_c";

std::string registryPath(const std::string& folder) {
  return folder + "/" + kRegistryFile;
}

// The process's current directory on the machine: $VERANTU_CWD (a Windows
// path), else the root of drive C:.
std::string initialCurrentDirectory() {
  const char* cwd = std::getenv("VERANTU_CWD");
  return cwd && *cwd ? cwd : "C:\\";
}

}  // namespace

std::string defaultMachineFolder() {
  if (const char* machine = std::getenv("VERANTU_MACHINE"); machine && *machine) return machine;
  std::string data;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
    data = xdg;
  } else {
    const char* home = std::getenv("HOME");
    data = std::string(home ? home : ".") + "/.local/share";
  }
  return data + "/verantu/machine";
}

EmulatedMachine::EmulatedMachine(std::string folder, std::unique_ptr<EmulatedRegistry> registry)
    : folder_(std::move(folder)), registry_(std::move(registry)) {
  files_ = std::make_unique<EmulatedFiles>(folder_ + "/" + kDriveC, initialCurrentDirectory());
  system_ = std::make_unique<EmulatedSystem>(*registry_, folder_);
  shell_ = std::make_unique<EmulatedShell>(*files_, folder_);
  profileStrings_ = std::make_unique<EmulatedProfileStrings>(*registry_);
  membership_ = std::make_unique<EmulatedMembership>(*registry_);
  internet_ = std::make_unique<EmulatedInternet>(*registry_);
  setElevated(EmulatedSystem::elevatedByEnvironment());
}

void EmulatedMachine::setElevated(bool elevated) {
  system_->setElevated(elevated);
  registry_->setStandardUser(!elevated);
}

bool EmulatedMachine::exists(const std::string& folder) {
  std::error_code ec;
  return fs::exists(registryPath(folder), ec);
}

std::unique_ptr<EmulatedMachine> EmulatedMachine::open(const std::string& folder,
                                                       std::string* error, OpenFor purpose) {
  if (!exists(folder)) {
    if (error)
      *error = "no emulated machine at " + folder + " (create one with: verantu-machine init)";
    return nullptr;
  }
  auto registry = EmulatedRegistry::open(registryPath(folder), error, purpose);
  if (!registry) return nullptr;
  return std::unique_ptr<EmulatedMachine>(new EmulatedMachine(folder, std::move(registry)));
}

std::unique_ptr<EmulatedMachine> EmulatedMachine::create(const std::string& folder, bool replace,
                                                         std::string* error) {
  std::error_code ec;
  if (exists(folder)) {
    if (!replace) {
      if (error) *error = "a machine exists already at " + folder + " (use --force to replace it)";
      return nullptr;
    }
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
      fs::remove(registryPath(folder) + suffix, ec);
    fs::remove_all(folder + "/" + kDriveC, ec);
    fs::remove_all(folder + "/mutex", ec);
  }
  fs::create_directories(folder + "/" + kDriveC, ec);
  if (ec) {
    if (error) *error = "cannot create " + folder + ": " + ec.message();
    return nullptr;
  }
  auto registry = EmulatedRegistry::create(registryPath(folder), error);
  if (!registry) return nullptr;
  return std::unique_ptr<EmulatedMachine>(new EmulatedMachine(folder, std::move(registry)));
}

}  // namespace emu
