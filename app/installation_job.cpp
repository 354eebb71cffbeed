#include "app/installation_job.h"

#include <winternl.h>

#include <cstddef>
#include <cwchar>

namespace {

// The job's process list, laid out as JOBOBJECT_BASIC_PROCESS_ID_LIST with
// room for more than its one declared entry.
struct ProcessIdList {
  DWORD assigned;
  DWORD listed;
  ULONG_PTR ids[256];
};

// Owns a handle from OpenProcess.
class CKzpOpenProcess {
 public:
  CKzpOpenProcess(DWORD access, DWORD processId)
      : handle_(OpenProcess(access, FALSE, processId)) {}
  ~CKzpOpenProcess() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  CKzpOpenProcess(const CKzpOpenProcess&) = delete;
  CKzpOpenProcess& operator=(const CKzpOpenProcess&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

using QueryInformationProcessFn = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG,
                                                   PULONG);

// Where a process keeps its current folder: the address of the text and its
// length in bytes, as a UNICODE_STRING holds them.
struct FolderText {
  ULONG_PTR address = 0;
  USHORT bytes = 0;
};

// A 32-bit process on 64-bit Windows keeps the current folder it works with
// in its 32-bit process parameters; the 64-bit ones keep the folder it
// started in. Offsets of the 32-bit layouts: the parameters' address at 0x10
// of the PEB; the current folder at 0x24 of the parameters, after the
// console handle, the console flags and the three standard handles.
bool FolderTextOf32BitProcess(HANDLE process, QueryInformationProcessFn query,
                              FolderText* text) {
  ULONG_PTR peb32 = 0;
  if (query(process, static_cast<PROCESSINFOCLASS>(26) /* ProcessWow64Information */, &peb32,
            sizeof peb32, nullptr) != 0 ||
      peb32 == 0) {
    return false;
  }
  ULONG parameters = 0;
  struct {
    USHORT length;
    USHORT maximumLength;
    ULONG buffer;
  } folder{};
  if (!ReadProcessMemory(process, reinterpret_cast<const void*>(peb32 + 0x10), &parameters,
                         sizeof parameters, nullptr) ||
      !ReadProcessMemory(process, reinterpret_cast<const void*>(ULONG_PTR{parameters} + 0x24),
                         &folder, sizeof folder, nullptr)) {
    return false;
  }
  *text = {folder.buffer, folder.length};
  return true;
}

// The documented part of RTL_USER_PROCESS_PARAMETERS hides the current
// folder in Reserved2: it follows the console handle, the console flags and
// the three standard handles (five pointers; 0x38 on x86-64).
bool FolderTextOfProcess(HANDLE process, QueryInformationProcessFn query, FolderText* text) {
  PROCESS_BASIC_INFORMATION basic{};
  if (query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return false;
  const auto* peb = static_cast<const BYTE*>(static_cast<void*>(basic.PebBaseAddress));
  const BYTE* parameters = nullptr;
  UNICODE_STRING folder{};
  constexpr std::size_t kCurrentFolderOffset =
      offsetof(RTL_USER_PROCESS_PARAMETERS, Reserved2) + 5 * sizeof(PVOID);
  if (!ReadProcessMemory(process, peb + offsetof(PEB, ProcessParameters), &parameters,
                         sizeof parameters, nullptr) ||
      !ReadProcessMemory(process, parameters + kCurrentFolderOffset, &folder, sizeof folder,
                         nullptr)) {
    return false;
  }
  *text = {reinterpret_cast<ULONG_PTR>(folder.Buffer), folder.Length};
  return true;
}

// Another process's current folder, from its process parameters. Empty
// when it cannot be read.
std::wstring CurrentFolderOf(HANDLE process) {
  const auto query = reinterpret_cast<QueryInformationProcessFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  FolderText where;
  if (query == nullptr || (!FolderTextOf32BitProcess(process, query, &where) &&
                           !FolderTextOfProcess(process, query, &where))) {
    return {};
  }
  std::wstring text(where.bytes / sizeof(wchar_t), L'\0');
  if (!ReadProcessMemory(process, reinterpret_cast<const void*>(where.address), text.data(),
                         text.size() * sizeof(wchar_t), nullptr)) {
    return {};
  }
  return text;
}

}  // namespace

bool PathLiesInFolder(const wchar_t* path, const wchar_t* folder) {
  std::size_t length = std::wcslen(folder);
  while (length > 0 && folder[length - 1] == L'\\') --length;
  if (length == 0 || std::wcslen(path) < length) return false;
  if (CompareStringOrdinal(path, static_cast<int>(length), folder, static_cast<int>(length),
                           TRUE) != CSTR_EQUAL) {
    return false;
  }
  return path[length] == L'\0' || path[length] == L'\\';
}

CKzpInstallationJob::CKzpInstallationJob(const wchar_t* workFolder)
    : job_(CreateJobObjectW(nullptr, nullptr)), folder_(workFolder) {
  if (job_ != nullptr) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
    SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  }
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetLongPathNameW(workFolder, path, MAX_PATH);
  longFolder_ = (length > 0 && length < MAX_PATH) ? path : workFolder;
  const UINT systemLength = GetSystemDirectoryW(path, MAX_PATH);
  if (systemLength > 0 && systemLength < MAX_PATH) {
    consoleHost_ = std::wstring(path) + L"\\conhost.exe";
  }
}

CKzpInstallationJob::~CKzpInstallationJob() {
  // Closing the job ends none of its processes.
  if (job_ != nullptr) CloseHandle(job_);
}

bool CKzpInstallationJob::Assign(HANDLE process) {
  return job_ != nullptr && AssignProcessToJobObject(job_, process);
}

bool CKzpInstallationJob::UsesWorkFolder() const {
  if (job_ == nullptr) return false;
  ProcessIdList list{};
  if (!QueryInformationJobObject(job_, JobObjectBasicProcessIdList, &list, sizeof list, nullptr) &&
      GetLastError() != ERROR_MORE_DATA) {
    return false;
  }
  // More processes than the list holds: some went unseen, so wait.
  if (list.listed < list.assigned) return true;
  for (DWORD i = 0; i < list.listed; ++i) {
    if (ProcessUsesWorkFolder(static_cast<DWORD>(list.ids[i]))) return true;
  }
  return false;
}

bool CKzpInstallationJob::ProcessUsesWorkFolder(DWORD processId) const {
  CKzpOpenProcess process(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ |
                              PROCESS_QUERY_INFORMATION | SYNCHRONIZE,
                          processId);
  if (process.get() == nullptr) {
    // Gone between the list and now, or out of our reach.
    return GetLastError() != ERROR_INVALID_PARAMETER;
  }
  if (WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) return false;
  wchar_t program[MAX_PATH] = {};
  DWORD length = MAX_PATH;
  if (!QueryFullProcessImageNameW(process.get(), 0, program, &length)) return true;
  if (LiesInWorkFolder(program)) return true;
  if (CompareStringOrdinal(program, -1, consoleHost_.c_str(), -1, TRUE) == CSTR_EQUAL) return false;
  const std::wstring folder = CurrentFolderOf(process.get());
  return folder.empty() || LiesInWorkFolder(folder.c_str());
}

bool CKzpInstallationJob::LiesInWorkFolder(const wchar_t* path) const {
  return PathLiesInFolder(path, folder_.c_str()) || PathLiesInFolder(path, longFolder_.c_str());
}
