#!/usr/bin/env bash
# Builds the Windows Installer packages that msi_tests install through the
# stub, with Debian's wixl (package wixl, from msitools), into <folder>:
#   product.msi  installs payload.txt into INSTALLDIR
#   reboot.msi   the same, then asks for a restart (msiexec ends with 3010)
#   never.msi    a launch condition that never holds (msiexec ends with 1603)
# Each build gets a new product code, so a package installed by an earlier
# run is never a reinstall.
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"
printf 'installed by Windows Installer\r\n' >payload.txt

# package <name> <upgrade code> <extra elements>
package() {
  cat >"$1.wxs" <<WXS
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Kzp test $1" Language="1033" Version="1.0.0" Manufacturer="Kzp tests"
           UpgradeCode="$2">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Media Id="1" Cabinet="payload.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name="KzpTest$1">
          <Component Id="Payload" Guid="$2">
            <File Id="PayloadTxt" Name="payload.txt" Source="payload.txt" KeyPath="yes"/>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Main" Level="1"><ComponentRef Id="Payload"/></Feature>
    $3
  </Product>
</Wix>
WXS
  wixl -o "$1.msi" "$1.wxs"
}

package product 6B5F1A22-9C1E-4D3B-8E55-0A9A7C1B2D01 ""
package reboot 6B5F1A22-9C1E-4D3B-8E55-0A9A7C1B2D02 \
  '<InstallExecuteSequence><ScheduleReboot After="InstallFinalize"/></InstallExecuteSequence>'
package never 6B5F1A22-9C1E-4D3B-8E55-0A9A7C1B2D03 \
  '<Condition Message="This package never installs.">0</Condition>'
ls -l ./*.msi
