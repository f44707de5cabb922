#!/usr/bin/env bash
# Fails when the executable's hardening regresses: imports beyond Windows' Known DLLs (and
# ntdll, which the system maps into every process before any other DLL),
# ASLR or DEP off, relocations missing, or the DLL search not restricted at start-up.
# Usage: check-pe.sh EXE...
set -u
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
status=0
fail() { echo "FAIL: $exe: $*"; status=1; }

for exe in "$@"; do
  headers=$("$objdump" -p "$exe") || { fail "cannot read it"; continue; }

  dlls=$(printf '%s\n' "$headers" | awk '/DLL Name:/ {print tolower($3)}' | sort -u | tr '\n' ' ')
  for dll in $dlls; do
    case $dll in
      kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|msvcrt.dll|ntdll.dll) ;;
      *) fail "imports $dll, which is not one of Windows' Known DLLs we allow" ;;
    esac
  done

  flags=$(printf '%s\n' "$headers" | awk '/^DllCharacteristics/ {print $2}')
  (( 0x$flags & 0x40 )) || fail "DYNAMIC_BASE (ASLR) is off: DllCharacteristics $flags"
  (( 0x$flags & 0x100 )) || fail "NX_COMPAT (DEP) is off: DllCharacteristics $flags"
  "$objdump" -h "$exe" | grep -q ' \.reloc ' || fail "no .reloc section: the image cannot move"

  printf '%s\n' "$headers" | grep -qw SetDefaultDllDirectories ||
    fail "SetDefaultDllDirectories is not imported: the DLL search is not restricted"

  echo "$exe: imports $dlls; DllCharacteristics $flags"
done
[ $status = 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $status
