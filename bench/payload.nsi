; The NSIS installer of the benchmark payload: the peer the launcher's
; extraction is compared with. 64-bit Unicode stub, zlib, each file compressed
; on its own (not solid), one section that installs every payload file into
; the folder given with /D=. makensis gets PAYLOAD (the payload folder) and
; OUTFILE on its command line (-DPAYLOAD=... -DOUTFILE=...).
Unicode true
Target amd64-unicode
SetCompressor zlib
RequestExecutionLevel user
SilentInstall silent
Name "Payload"
OutFile "${OUTFILE}"
InstallDir "$TEMP\nsis-payload"

Section "Payload"
  SetOutPath "$INSTDIR"
  File /r "${PAYLOAD}/*"
SectionEnd
