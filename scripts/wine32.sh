#!/usr/bin/env bash
# The x86 build's test emulator: starts a 32-bit test program under 32-bit
# Wine. Where this machine's kernel runs no 32-bit programs it prints why and
# ends with status 77, which CTest counts as a skip; a 32-bit Wine that is
# installed but broken is started all the same, so that the test fails.
set -euo pipefail
# The test's own DLL overrides (input_tests prefers its planted DLLs) outlive
# those of the scripts' shared set-up.
overrides=${WINEDLLOVERRIDES-}
source "$(dirname "$0")/wine_env.sh"
export WINEDLLOVERRIDES=$overrides

skip_where_no_32bit_programs
exec "$WINE32" "$@"
