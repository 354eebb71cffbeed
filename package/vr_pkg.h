#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <cstddef>
#include <cstdint>

#include "archive/zip_file.h"
#include "archive/zip_file_entry.h"
#include "package/vr_pkg_config.h"
#include "xml/xml_reader.h"

// The package definition: the description file and the package data file
// (vr_data.xml) read from the archive appended to the program, and the
// queries the rest of the program asks of them.
//
// Every string a query returns is owned by one of the two documents and
// stays valid until the next Reset or Load.
class VRPkg {
 public:
  static constexpr std::size_t kLanguageCapacity = 3;  // two letters, terminator
  static constexpr std::size_t kPathCapacity = 260;    // terminator included

  VRPkg();
  virtual ~VRPkg();
  VRPkg(const VRPkg&) = delete;
  VRPkg& operator=(const VRPkg&) = delete;

  // Back to the empty state: no documents, language "en", no archive path,
  // no configuration. Always true.
  bool Reset();

  // Loads the description entry descriptionName, then vr_data.xml and its
  // configuration file, from the archive at archivePath. A null language
  // keeps the current one. Only the description is mandatory; a
  // configuration file that is named and present must be readable (and,
  // when encrypted, decrypt). Refused without touching anything: a null
  // argument, an archive path that does not fit 259 characters and a
  // language code of more than two characters.
  bool Load(const wchar_t* archivePath, const wchar_t* descriptionName, const wchar_t* language);
  // Load with the description named after the archive's file name:
  // C:\dl\pkg123.exe reads pkg123.xml.
  bool LoadPackage(const wchar_t* archivePath, const wchar_t* language);

  // Description queries: null when the document or the element is missing.
  const wchar_t* GetPackageFileName() const;
  const wchar_t* GetPackageName() const;
  const wchar_t* GetPackageVersion() const;
  const wchar_t* GetPackageDescription() const;
  const wchar_t* GetInstallCommand() const;
  const wchar_t* GetInstallParameters() const;
  // Sum of the uncompressed sizes of every entry; 0 with nothing loaded.
  std::uint64_t GetRequiredSpace() const;

  // Package data queries: neutral answers without vr_data.xml.
  const wchar_t* GetSetting(const wchar_t* name) const;
  // The install command's exit code as the package's returncode_map says.
  std::int32_t MapReturnCode(std::int32_t code) const;
  // Fills record from the configuration section; true when it names a
  // configuration UI file or a configuration file.
  bool GetConfiguration(VRPkgConfig* record) const;
  // Size protocol: with *size below the license entry's size plus 5, stores
  // that need in *size and answers true; otherwise fills buffer with the
  // text followed by zero bytes. False when there is no license.
  bool GetLicense(void* buffer, std::uint32_t* size) const;

  // State, for callers that report it and for tests.
  const wchar_t* GetLanguage() const { return language; }
  const wchar_t* GetArchivePath() const { return archivePath; }
  const VRPkgConfig& GetConfig() const { return config; }
  const VARIANT& GetConfigData() const { return configData; }

 private:
  // Load's steps after the description: vr_data.xml, the configuration
  // record and the configuration file. False only when a configuration file
  // that is named and present cannot be read, decrypted or stored.
  bool LoadPackageData(kzpzip::ZIP_File& archive);
  bool LoadConfigurationFile(kzpzip::ZIP_FileEntry& entry);
  // Replaces configData with a one-dimensional byte array, lower bound 0.
  bool StoreConfigBytes(const std::uint8_t* bytes, std::size_t count);

  CKzpXMLReader description;
  CKzpXMLReader packageData;
  wchar_t language[kLanguageCapacity];
  wchar_t archivePath[kPathCapacity];
  VARIANT configData;
  VRPkgConfig config;
};
