@echo off
rem Writes a report of the drives.
fsutil fsinfo drives
