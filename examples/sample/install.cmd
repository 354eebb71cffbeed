@echo off
rem Sample install script: the stub runs it as  cmd.exe /C ""<work folder>\install.cmd" xeltr"
rem from the work folder, which it removes afterwards.
echo Sample Disk Utility installed from %CD% (argument: %1)> "%TEMP%\sample-install.log"
dir /b bin docs>> "%TEMP%\sample-install.log"
exit /b 3010
