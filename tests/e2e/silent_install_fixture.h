#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

#include "file_bytes.h"
#include "package_fixture.h"
#include "process_runner.h"
#include "temp_folder.h"

constexpr DWORD kInstallFailed = 1603;

// Every item in a folder, for "nothing left behind" checks.
inline std::set<std::wstring> ItemsIn(const std::wstring& folder) {
  std::set<std::wstring> found;
  WIN32_FIND_DATAW item{};
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &item);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    const std::wstring name = item.cFileName;
    if (name != L"." && name != L"..") found.insert(name);
  } while (FindNextFileW(search, &item));
  FindClose(search);
  return found;
}

// Runs a package with /install (or other switches) and records what the
// installer saw in a log the fake installer appends to.
class SilentInstall : public ::testing::Test {
 protected:
  // The stub inherits a temporary folder of this test's own, so its work
  // folder lands there and its removal can be checked even while other
  // tests run.
  void SetUp() override {
    log_ = folder_ / L"installer.log";
    temp_ = folder_ / TempFolderName();
    ASSERT_TRUE(CreateDirectoryW(temp_.c_str(), nullptr));
    SetEnvironmentVariableW(L"KZP_INSTALLER_LOG", log_.c_str());
    GetEnvironmentVariableW(L"TMP", savedTmp_, MAX_PATH);
    GetEnvironmentVariableW(L"TEMP", savedTemp_, MAX_PATH);
    SetEnvironmentVariableW(L"TMP", temp_.c_str());
    SetEnvironmentVariableW(L"TEMP", temp_.c_str());
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"KZP_INSTALLER_LOG", nullptr);
    SetEnvironmentVariableW(L"TMP", savedTmp_);
    SetEnvironmentVariableW(L"TEMP", savedTemp_);
    EXPECT_TRUE(ItemsIn(temp_).empty()) << "the work folder must be gone";
  }

  ProcessOutcome Run(const CKzpPackageFixture& package, const std::wstring& arguments,
                     const std::wstring& exeName = L"package.exe") {
    const std::wstring path = folder_ / exeName;
    EXPECT_TRUE(package.WriteTo(path));
    ProcessOutcome outcome = RunProcess(path, arguments, 60000);
    EXPECT_TRUE(outcome.started);
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_TRUE(outcome.windows.empty()) << "silent modes open no window";
    return outcome;
  }
  std::string Log() const { return ReadFileText(log_); }
  virtual std::wstring TempFolderName() const { return L"temp"; }

  CKzpTempFolder folder_;
  std::wstring log_;
  std::wstring temp_;
  wchar_t savedTmp_[MAX_PATH] = {};
  wchar_t savedTemp_[MAX_PATH] = {};
};
