// A fresh emulated machine in a temporary folder for one test, with a few
// direct helpers for arranging registry content.
#pragma once

#include <QTemporaryDir>

#include <memory>
#include <string>

#include "platform/emulated/emulated_machine.h"

namespace testing_support {

class TestMachine {
 public:
  TestMachine();
  emu::EmulatedMachine& machine() { return *machine_; }
  emu::EmulatedRegistry& registry() { return machine_->registry(); }
  const std::string& folder() const { return folder_; }
  // Opens a second, independent view of the same machine (as another
  // process would).
  std::unique_ptr<emu::EmulatedMachine> reopen() const;

  // Arrangement helpers; they create missing keys. Text arguments are ANSI.
  void createKey(win::HKEY hive, const std::string& path);
  void setValue(win::HKEY hive, const std::string& path, const std::string& name, win::DWORD type,
                const std::string& bytes);
  void setString(win::HKEY hive, const std::string& path, const std::string& name,
                 const std::string& text);  // REG_SZ with its NUL
  void setDword(win::HKEY hive, const std::string& path, const std::string& name, win::DWORD value);
  bool keyExists(win::HKEY hive, const std::string& path);
  // Type and bytes of a value; false when it is missing.
  bool value(win::HKEY hive, const std::string& path, const std::string& name, win::DWORD* type,
             std::string* bytes);

 private:
  QTemporaryDir dir_;
  std::string folder_;
  std::unique_ptr<emu::EmulatedMachine> machine_;
};

}  // namespace testing_support
