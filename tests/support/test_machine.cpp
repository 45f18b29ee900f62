#include "tests/support/test_machine.h"

#include <gtest/gtest.h>

namespace testing_support {

TestMachine::TestMachine() {
  folder_ = dir_.path().toStdString() + "/machine";
  std::string error;
  machine_ = emu::EmulatedMachine::create(folder_, false, &error);
  if (!machine_) ADD_FAILURE() << "cannot create test machine: " << error;
}

std::unique_ptr<emu::EmulatedMachine> TestMachine::reopen() const {
  std::string error;
  auto other = emu::EmulatedMachine::open(folder_, &error);
  if (!other) ADD_FAILURE() << "cannot reopen test machine: " << error;
  return other;
}

void TestMachine::createKey(win::HKEY hive, const std::string& path) {
  win::HKEY key = nullptr;
  ASSERT_EQ(registry().RegCreateKeyExA(hive, path.c_str(), 0, "", 0, KEY_ALL_ACCESS, nullptr, &key,
                                       nullptr),
            ERROR_SUCCESS)
      << path;
  (void)registry().RegCloseKey(key);
}

void TestMachine::setValue(win::HKEY hive, const std::string& path, const std::string& name,
                           win::DWORD type, const std::string& bytes) {
  win::HKEY key = nullptr;
  ASSERT_EQ(registry().RegCreateKeyExA(hive, path.c_str(), 0, "", 0, KEY_ALL_ACCESS, nullptr, &key,
                                       nullptr),
            ERROR_SUCCESS)
      << path;
  EXPECT_EQ(registry().RegSetValueExA(key, name.c_str(), 0, type,
                                      reinterpret_cast<const win::BYTE*>(bytes.data()),
                                      win::DWORD(bytes.size())),
            ERROR_SUCCESS)
      << path << " " << name;
  (void)registry().RegCloseKey(key);
}

void TestMachine::setString(win::HKEY hive, const std::string& path, const std::string& name,
                            const std::string& text) {
  setValue(hive, path, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

void TestMachine::setDword(win::HKEY hive, const std::string& path, const std::string& name,
                           win::DWORD value) {
  setValue(hive, path, name, REG_DWORD,
           std::string(reinterpret_cast<const char*>(&value), sizeof value));
}

bool TestMachine::keyExists(win::HKEY hive, const std::string& path) {
  win::HKEY key = nullptr;
  if (registry().RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  (void)registry().RegCloseKey(key);
  return true;
}

bool TestMachine::value(win::HKEY hive, const std::string& path, const std::string& name,
                        win::DWORD* type, std::string* bytes) {
  win::HKEY key = nullptr;
  if (registry().RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  win::DWORD size = 0;
  win::DWORD t = 0;
  bool ok =
      registry().RegQueryValueExA(key, name.c_str(), nullptr, &t, nullptr, &size) == ERROR_SUCCESS;
  if (ok) {
    std::string data(size, '\0');
    ok = registry().RegQueryValueExA(key, name.c_str(), nullptr, &t,
                                     reinterpret_cast<win::BYTE*>(data.data()),
                                     &size) == ERROR_SUCCESS;
    data.resize(size);
    if (type) *type = t;
    if (bytes) *bytes = data;
  }
  (void)registry().RegCloseKey(key);
  return ok;
}

}  // namespace testing_support
