#pragma once

#include <cstddef>

// The package's configuration record, filled from the configuration section
// of vr_data.xml. Nothing reads it after loading except VRPkg::Load itself
// (configFile and encrypt); it lives as long as the package definition.
struct VRPkgConfig {
  static constexpr std::size_t kNameCapacity = 260;  // terminator included

  // Entry name of the configuration UI file in the chosen language.
  wchar_t configUiFile[kNameCapacity];
  // Entry name of the configuration file that Load reads into configData.
  wchar_t configFile[kNameCapacity];
  bool required;
  bool encrypt;  // the configuration file is DES-encrypted hex text
  bool allowVirtualization;
};
