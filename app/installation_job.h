#pragma once

#include <windows.h>

#include <string>

// True when path names folder or something inside it, compared without
// regard to case; either may end with a backslash ("C:\W\a" lies in "C:\W",
// "C:\Wx" does not).
bool PathLiesInFolder(const wchar_t* path, const wchar_t* folder);

// The processes of one installation: the installer and every process it
// starts, directly or through others, followed with a job object. The job
// sets no limits: the processes run as they would without it, and go on
// running when the stub ends. Inside a job of a deployment agent's own the
// job nests (Windows 8 and later).
//
// A process of the installation still needs the work folder while its
// program file or its current folder lies inside it: a second stage that
// the installer relaunched from there, or a script it started there (a
// "start cmd /c stage2.cmd" runs the system's cmd.exe, in the work folder).
// A program that the installer merely launches from elsewhere with a current
// folder of its own (the installed application, started at the end) does
// not hold the run, nor does the console host (the system's conhost.exe,
// which serves a console program's console from that program's current
// folder and ends with the last program on it). A process that cannot be
// examined counts. A process
// that breaks away from the job (CREATE_BREAKAWAY_FROM_JOB, which the job
// allows so that installers asking for it still start) is not followed,
// nor is one that a service starts for the installer; if one still uses
// the work folder when it goes, what it holds open is deleted at restart.
class CKzpInstallationJob {
 public:
  explicit CKzpInstallationJob(const wchar_t* workFolder);
  ~CKzpInstallationJob();
  CKzpInstallationJob(const CKzpInstallationJob&) = delete;
  CKzpInstallationJob& operator=(const CKzpInstallationJob&) = delete;

  // Puts a process that was created suspended into the job, so that
  // nothing it starts escapes. False when that fails (a job that does not
  // nest, on Windows 7): then only that process is waited for.
  bool Assign(HANDLE process);
  // Whether some process of the installation still needs the work folder.
  bool UsesWorkFolder() const;

 private:
  bool ProcessUsesWorkFolder(DWORD processId) const;
  bool LiesInWorkFolder(const wchar_t* path) const;

  HANDLE job_ = nullptr;
  std::wstring folder_;      // as created (the temporary folder may be in 8.3 form)
  std::wstring longFolder_;  // its long form, which program paths use
  std::wstring consoleHost_;  // the system's conhost.exe
};
