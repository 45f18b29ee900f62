// The system calls start-up and the store lock rely on: the version, named
// mutexes, and the membership that capture and the switch read and change.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "platform/code_page.h"
#include "platform/machine.h"
#include "tests/conformance/conformance_machine.h"

using namespace win;

namespace {

class SystemConformance : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = conformance::newConformanceMachine();
    host_->setUpSystem();
  }
  System& system() { return host_->machine().system(); }
  Membership& membership() { return host_->machine().membership(); }

  // A mutex name no other program uses, so that the host's own are left alone.
  static std::string scratchName() {
    return "VerantuConformance-" + std::to_string(std::random_device()());
  }

 private:
  std::unique_ptr<conformance::ConformanceMachine> host_;
};

}  // namespace

TEST_F(SystemConformance, VersionOfAnNtSystemForTheRecordSizeWindowsChecks) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info - 1;
  EXPECT_EQ(system().GetVersionExA(&info), FALSE);
  EXPECT_EQ(system().GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

  info = OSVERSIONINFOA{};
  info.dwOSVersionInfoSize = sizeof info;
  std::memset(info.szCSDVersion, 'x', sizeof info.szCSDVersion);
  ASSERT_EQ(system().GetVersionExA(&info), TRUE);
  EXPECT_GE(info.dwMajorVersion, 5u);
  EXPECT_EQ(info.dwPlatformId, DWORD(VER_PLATFORM_WIN32_NT));
  EXPECT_GT(info.dwBuildNumber, 0u);
  EXPECT_NE(std::memchr(info.szCSDVersion, '\0', sizeof info.szCSDVersion), nullptr);
}

// The single-instance guard and the store lock: who created the mutex, who
// owns it, and how often it is released.
TEST_F(SystemConformance, NamedMutexExistenceAndOwnership) {
  const std::string name = scratchName();
  HANDLE first = system().CreateMutexA(nullptr, TRUE, name.c_str());
  ASSERT_NE(first, nullptr);
  EXPECT_NE(system().GetLastError(), DWORD(ERROR_ALREADY_EXISTS));

  HANDLE second = system().CreateMutexA(nullptr, FALSE, name.c_str());
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(system().GetLastError(), DWORD(ERROR_ALREADY_EXISTS));

  // The owner may take it again, and then releases it once for each time.
  EXPECT_EQ(system().WaitForSingleObject(second, 0), DWORD(WAIT_OBJECT_0));
  EXPECT_EQ(system().ReleaseMutex(first), TRUE);
  EXPECT_EQ(system().ReleaseMutex(second), TRUE);
  EXPECT_EQ(system().ReleaseMutex(first), FALSE);
  EXPECT_EQ(system().GetLastError(), DWORD(ERROR_NOT_OWNER));

  // Once its last handle is closed the mutex is gone: the next is new.
  EXPECT_EQ(system().CloseHandle(first), TRUE);
  EXPECT_EQ(system().CloseHandle(second), TRUE);
  HANDLE again = system().CreateMutexA(nullptr, TRUE, name.c_str());
  ASSERT_NE(again, nullptr);
  EXPECT_NE(system().GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(system().ReleaseMutex(again), TRUE);
  EXPECT_EQ(system().CloseHandle(again), TRUE);
}

// Only what leaves the host as it is: the membership is read, and a join is
// asked only of a domain that cannot exist.
TEST_F(SystemConformance, MembershipIsReadAndAJoinToNoDomainChangesNothing) {
  std::u16string name;
  DWORD status = NetSetupUnknownStatus;
  ASSERT_EQ(membership().NetGetJoinInformation(nullptr, &name, &status), DWORD(NERR_Success));
  EXPECT_TRUE(status == NetSetupUnjoined || status == NetSetupWorkgroupName ||
              status == NetSetupDomainName)
      << status;
  EXPECT_TRUE(status == NetSetupUnjoined || !name.empty());
  EXPECT_EQ(membership().NetGetJoinInformation(nullptr, nullptr, &status),
            DWORD(ERROR_INVALID_PARAMETER));

  if (conformance::runningUnderWine()) {
    // Wine has no NetJoinDomain: its entry point is a stub that ends the
    // process with an unhandled exception, so it is not called there.
  } else {
    const std::u16string nowhere = u"verantu-conformance.invalid";
    DWORD joined = membership().NetJoinDomain(nullptr, nowhere.c_str(), nullptr, nullptr, nullptr,
                                              NETSETUP_JOIN_DOMAIN);
    // A standard user is refused before the domain is looked for.
    EXPECT_TRUE(joined == DWORD(ERROR_NO_SUCH_DOMAIN) || joined == DWORD(ERROR_ACCESS_DENIED))
        << joined;
  }
  std::u16string after;
  DWORD statusAfter = NetSetupUnknownStatus;
  ASSERT_EQ(membership().NetGetJoinInformation(nullptr, &after, &statusAfter), DWORD(NERR_Success));
  EXPECT_EQ(after, name);
  EXPECT_EQ(statusAfter, status);
}
