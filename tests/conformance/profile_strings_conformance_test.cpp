// WIN.INI's entries and the installed printers as the ANSI calls give them:
// the default printer is read and written through these, and the profile
// editor lists the printers.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/machine.h"
#include "tests/conformance/conformance_machine.h"

using namespace win;

namespace {

bool onWindowsItself() {
#ifdef _WIN32
  return !conformance::runningUnderWine();
#else
  return false;
#endif
}

class ProfileStringsConformance : public ::testing::Test {
 protected:
  void SetUp() override { host_ = conformance::newConformanceMachine(); }
  ProfileStrings& strings() { return host_->machine().profileStrings(); }
  Registry& registry() { return host_->machine().registry(); }

  std::string get(const char* app, const char* key, const char* defaultText, DWORD size,
                  DWORD* copied = nullptr) {
    std::vector<char> out(size + 1, 'x');
    DWORD n = strings().GetProfileStringA(app, key, defaultText, out.data(), size);
    if (copied) *copied = n;
    return std::string(out.data(), n);
  }

  // Adds a printer of this computer as the spooler keeps it.
  void addPrinter(const std::string& name) {
    const std::string path = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + name;
    HKEY key = nullptr;
    ASSERT_EQ(registry().RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                         KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD attributes = PRINTER_ATTRIBUTE_LOCAL;
    EXPECT_EQ(registry().RegSetValueExA(key, "Name", 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(name.c_str()),
                                        DWORD(name.size() + 1)),
              ERROR_SUCCESS);
    EXPECT_EQ(
        registry().RegSetValueExA(key, "Attributes", 0, REG_DWORD,
                                  reinterpret_cast<const BYTE*>(&attributes), sizeof attributes),
        ERROR_SUCCESS);
    registry().RegCloseKey(key);
  }

 private:
  std::unique_ptr<conformance::ConformanceMachine> host_;
};

}  // namespace

// Entries of an entry name no program uses, in the section that holds the
// default printer; the section is left as it was found.
TEST_F(ProfileStringsConformance, WinIniEntriesAreWrittenReadCutAndDeleted) {
  const std::string key = "VerantuConformance" + std::to_string(std::random_device()());
  const std::string other = key + "b";
  const char* section = "windows";
  const std::string japanese = ansiFromUtf8("表示ソ,winspool,Ne00:");

  // A missing entry reads as the default text without its trailing blanks.
  DWORD copied = 0;
  EXPECT_EQ(get(section, key.c_str(), "fallback  ", 64, &copied), "fallback");
  EXPECT_EQ(copied, 8u);

  ASSERT_EQ(strings().WriteProfileStringA(section, key.c_str(), japanese.c_str()), TRUE);
  ASSERT_EQ(strings().WriteProfileStringA(section, other.c_str(), "b"), TRUE);
  EXPECT_EQ(get(section, key.c_str(), "", 256), japanese);
  // A text that does not fit is cut to size-1 bytes.
  EXPECT_EQ(get(section, key.c_str(), "", 5, &copied), japanese.substr(0, 4));
  EXPECT_EQ(copied, 4u);

  // The section's entry names, each with its NUL and a final NUL.
  std::vector<char> list(65536);
  DWORD length = strings().GetProfileStringA(section, nullptr, "", list.data(), DWORD(list.size()));
  ASSERT_LT(length + 1, list.size());
  EXPECT_EQ(list[length], '\0');
  std::vector<std::string> names;
  for (std::size_t at = 0; at < length; at += names.back().size() + 1)
    names.emplace_back(list.data() + at);
  auto listed = [&](const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  EXPECT_TRUE(listed(key));
  EXPECT_TRUE(listed(other));

  // A null value deletes the entry, which then reads as the default again.
  EXPECT_EQ(strings().WriteProfileStringA(section, key.c_str(), nullptr), TRUE);
  EXPECT_EQ(strings().WriteProfileStringA(section, other.c_str(), nullptr), TRUE);
  EXPECT_EQ(get(section, key.c_str(), "gone", 64), "gone");
  EXPECT_EQ(get(section, other.c_str(), "", 64), "");
}

// Level 4 records as EnumPrintersA lays them out: the records, then the
// names they point to, all inside the caller's buffer.
TEST_F(ProfileStringsConformance, PrinterRecordsAndTheirNamesFillOneBuffer) {
  const std::vector<std::string> added = {ansiFromUtf8("ｴﾌﾟｿﾝ 表示"), "LaserJet 4"};
  for (const std::string& name : added) addPrinter(name);
  const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;

  DWORD needed = 0;
  DWORD returned = 99;
  const BOOL sized = strings().EnumPrintersA(flags, nullptr, 4, nullptr, 0, &needed, &returned);
  EXPECT_EQ(returned, 0u);
  if (needed == 0) {
    EXPECT_EQ(sized, TRUE);  // no printer at all
  } else {
    EXPECT_EQ(sized, FALSE);
    // One byte short is still too small, and nothing is written.
    std::vector<PRINTER_INFO_4A> small(needed / sizeof(PRINTER_INFO_4A) + 1);
    DWORD again = 0;
    EXPECT_EQ(strings().EnumPrintersA(flags, nullptr, 4, reinterpret_cast<BYTE*>(small.data()),
                                      needed - 1, &again, &returned),
              FALSE);
    EXPECT_EQ(again, needed);
    EXPECT_EQ(returned, 0u);
  }

  // Aligned for the records' pointers.
  std::vector<PRINTER_INFO_4A> storage(needed / sizeof(PRINTER_INFO_4A) + 1);
  BYTE* buffer = reinterpret_cast<BYTE*>(storage.data());
  ASSERT_EQ(strings().EnumPrintersA(flags, nullptr, 4, buffer, needed, &needed, &returned), TRUE);
  std::vector<std::string> names;
  const char* namesStart =
      reinterpret_cast<const char*>(buffer + returned * sizeof(PRINTER_INFO_4A));
  const char* end = reinterpret_cast<const char*>(buffer + needed);
  for (DWORD i = 0; i < returned; ++i) {
    const char* name = storage[i].pPrinterName;
    ASSERT_TRUE(name >= namesStart && name < end) << i;
    ASSERT_NE(std::find(name, end, '\0'), end) << i;
    names.emplace_back(name);
  }
  EXPECT_EQ(EnumPrinterNames(strings()), names);

  const bool addedAreListed = std::all_of(added.begin(), added.end(), [&](const std::string& a) {
    return std::find(names.begin(), names.end(), a) != names.end();
  });
  if (onWindowsItself()) {
    // Windows' spooler is a process of its own that knows only the host's
    // printers, which this test leaves alone.
    EXPECT_FALSE(addedAreListed);
  } else {
    // The emulated machine and Wine's spooler read the printers' keys in
    // this process, from the test's registry.
    EXPECT_TRUE(addedAreListed);
    for (DWORD i = 0; i < returned; ++i) {
      EXPECT_EQ(storage[i].pServerName, nullptr);
      EXPECT_TRUE(storage[i].Attributes & PRINTER_ATTRIBUTE_LOCAL);
    }
  }
}
