; The NSIS installer that scripts/bench sets beside our package: it installs
; a payload folder, silently, into the folder given with /D=. bench.py makes
; it with
;   makensis -DPAYLOAD=<payload>/files -DOUTFILE=<installer> payload.nsi
; and runs it under Wine as <installer> /S /D=<target>.
; Like our packages: one deflate stream per file (zlib, not solid), the
; 64-bit Unicode stub. NSIS's own defaults otherwise: the installer checks the
; CRC of its whole data before installing, and keeps the files' times.
Unicode true
Target amd64-unicode
SetCompressor zlib
Name "kzp bench payload"
OutFile "${OUTFILE}"
RequestExecutionLevel user
SilentInstall silent
InstallDir "$TEMP\kzp-bench-payload"

Section
  SetOutPath "$INSTDIR"
  File /r "${PAYLOAD}/*"
SectionEnd
