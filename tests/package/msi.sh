#!/usr/bin/env bash
# The Windows Installer package of one build, installed, upgraded and removed
# by Wine's own Windows Installer (msiexec), silently, as an administrator's
# script does, in a Wine prefix of the tests' own. One stage a CTest test, in
# this order, on the one prefix of the build's run (making a prefix takes
# half a minute):
#   packages   the build packed as scripts/package.sh packs it, zip and .msi,
#              of the project's version and of a lower one (the same source,
#              another version given to scripts/make_msi.sh); for the x64
#              build also the x86 build's package, where that build is beside
#   prefix     a new prefix, its drive D an emulated CD-ROM drive holding an
#              audio disc; its state saved
#   install    a silent install exits 0; the files are the zip's, byte for
#              byte; the shortcuts point at the installed programs; the
#              uninstall entry has the name, version, publisher and icon; the
#              same package again exits 0 and changes nothing
#   downgrade  the lower version over the installed one is refused, silently
#              with a non-zero exit, with basic UI with the message; nothing
#              changes
#   sessions   each installed program, started from its folder, runs a whole
#              session: a search, a click on drive D, the CD control loaded
#              (the program starts only with the control whose digest it was
#              built with) showing the disc's tracks. Where this machine runs
#              no 32-bit programs, the x86 build's stage is skipped, with why.
#   removal    a silent removal exits 0; the prefix's files under drive_c and
#              its registry are as they were before the install (what Wine and
#              Windows Installer change of their own is set aside, each with
#              why: tests/package/prefix_state.py)
#   upgrade    the lower version installed, then this one over it: one entry,
#              of this version, the new files in place and nothing of the old
#              one left; for the x64 build, then the x86 package of the same
#              version replaces it, as a machine keeps one Tarvolo; removed,
#              the prefix is as before again
#   stop       the prefix's processes stopped
#   msi.sh STAGE SOURCE_FOLDER BUILD_FOLDER x86|x64
# The programs' sessions need a display (scripts/test.sh starts one) and the
# CD-ROM emulator, TARVOLO_CD_EMULATOR.
set -euo pipefail
stage=$1
root=$2
build=$3
arch=$4
source "$root/scripts/wine_env.sh"
# Wine's menu builder would copy each Start-menu shortcut into the Linux
# desktop's menus, under HOME, outside the prefix.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
work=$build/msi-check
packages=$work/packages
states=$work/states
export WINEPREFIX=$work/prefix
state_tool=$root/tests/package/prefix_state.py
version=$(sed -nE 's/^project\(Tarvolo VERSION ([0-9.]+).*/\1/p' "$root/CMakeLists.txt")
# A version just below the project's, for the upgrade and the downgrade.
IFS=. read -r major minor patch <<<"$version"
if ((patch > 0)); then
  lower=$major.$minor.$((patch - 1))
elif ((minor > 0)); then
  lower=$major.$((minor - 1)).0
else
  lower=$((major - 1)).9.0
fi
case $arch in
  x64)
    program_files="Program Files"
    uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
    ;;
  x86)
    program_files="Program Files (x86)"
    uninstall='HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'
    ;;
esac
folder="$WINEPREFIX/drive_c/$program_files/Tarvolo"
windows_folder="C:\\$program_files\\Tarvolo"
shipped=(CITESTE.txt Divazid.dll Tarvolo.exe Tarvolo9x.exe)
status=0
fail() {
  echo "FAILED: $*" >&2
  status=1
}

package() { echo "$packages/Tarvolo-$1-${2:-$arch}.msi"; }
product_code() { msiinfo export "$1" Property | sed -n 's/^ProductCode\t//p' | tr -d '\r'; }
# Runs Wine's msiexec with ARGUMENTS, the package given by its Unix path
# turned into a path on drive Z:, and waits for the prefix to stop, so that
# its registry is written out; leaves the exit status in $exit. A Windows exit
# status reaches Linux as its low byte: 1603 (ERROR_INSTALL_FAILURE) as 67.
msiexec() {
  local action=$1 msi=$2
  shift 2
  exit=0
  "$WINE64" msiexec "$action" "Z:${msi//\//\\}" "$@" </dev/null >/dev/null 2>&1 || exit=$?
  "$WINESERVER" -w
  echo "msiexec $action $(basename "$msi") $*: exit status $exit"
}
save_state() { python3 "$state_tool" save "$WINEPREFIX" "$states/$1.json"; }
# The uninstall entries named Tarvolo, in either registry view: "KEY VERSION" lines.
entries() {
  local view key values
  for view in 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
              'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'; do
    while read -r key; do
      values=$(python3 "$state_tool" values "$WINEPREFIX" "$view\\$key")
      if grep -qx '"DisplayName"="Tarvolo"' <<<"$values"; then
        echo "$view\\$key $(sed -n 's/^"DisplayVersion"="\(.*\)"$/\1/p' <<<"$values")"
      fi
    done < <(python3 "$state_tool" subkeys "$WINEPREFIX" "$view")
  done
}
# Checks that exactly one Tarvolo is installed, from package MSI (its
# version VERSION) in FOLDER of PROGRAM_FILES, with files byte for byte those
# of ZIP.
expect_installed() {
  local msi=$1 version=$2 zip=$3 pf=${4:-$program_files} key=${5:-$uninstall}
  local code folder="$WINEPREFIX/drive_c/$pf/Tarvolo" windows="C:\\$pf\\Tarvolo" listed
  code=$(product_code "$msi")
  listed=$(entries)
  if [ "$listed" != "$key\\$code $version" ]; then
    fail "the uninstall entries are not just $key\\$code, version $version: ${listed:-none}"
  fi
  # Not checked: the size, EstimatedSize, which Windows Installer computes
  # from the files it installs and Wine 8's msi writes as 0.
  local values
  values=$(python3 "$state_tool" values "$WINEPREFIX" "$key\\$code")
  for expected in '"DisplayName"="Tarvolo"' "\"DisplayVersion\"=\"$version\"" '"Publisher"="Tarvolo project"' \
                  '"NoModify"=dword:00000001' "\"UninstallString\"=str(2):\"MsiExec.exe /X$code\""; do
    grep -qxF -- "$expected" <<<"$values" || fail "the uninstall entry has no $expected"
  done
  # The entry's icon, which Windows Installer keeps in a folder of the
  # product's own.
  local icon
  icon=$(python3 "$state_tool" values "$WINEPREFIX" \
    "HKLM\\Software\\Classes\\Installer\\Products\\$(python3 "$state_tool" squash "$code")" |
    sed -n 's/^"ProductIcon"="\(.*\)"$/\1/p')
  if [ "$icon" != "C:\\\\windows\\\\Installer\\\\$code\\\\tarvolo.ico" ]; then
    fail "the product's icon is ${icon:-not set}"
  elif ! cmp -s "$WINEPREFIX/drive_c/windows/Installer/$code/tarvolo.ico" "$root/app/tarvolo.ico"; then
    fail "the product's icon is not app/tarvolo.ico"
  fi
  # The files, and nothing else, in the folder of the package's architecture.
  local unpacked
  unpacked=$(mktemp -d "$work/unpacked.XXXXXX")
  unzip -q "$zip" -d "$unpacked"
  [ "$(ls "$folder" 2>/dev/null | tr '\n' ' ')" = "${shipped[*]} " ] ||
    fail "$windows holds: $(ls "$folder" 2>/dev/null | tr '\n' ' ')"
  local file
  for file in "${shipped[@]}"; do
    cmp -s "$folder/$file" "$unpacked/$file" || fail "$windows\\$file is not the zip's $file"
  done
  rm -rf "$unpacked"
  # The shortcuts, in the Start menu's Programs: Windows puts a per-machine
  # package's in that of all users (ProgramData), Wine 8 in that of the
  # user who installs (its msi takes the user's Programs folder whatever
  # ALLUSERS says, a FIXME in its source).
  local found=() shortcut
  while IFS= read -r -d '' shortcut; do found+=("$shortcut"); done < <(find "$WINEPREFIX/drive_c" \
    -path '*/Microsoft/Windows/Start Menu/Programs/*' -iname '*tarvolo*' -print0 | sort -z)
  local names=""
  for shortcut in "${found[@]}"; do names+="$(basename "$shortcut")|"; done
  [ "$names" = "Tarvolo.lnk|Tarvolo9x (varianta 9x).lnk|" ] || fail "the Start menu's Tarvolo shortcuts are: $names"
  for shortcut in "${found[@]}"; do
    local program=Tarvolo.exe
    [[ $shortcut == *9x* ]] && program=Tarvolo9x.exe
    local read_back
    read_back=$(python3 "$root/tests/package/shortcut.py" "$shortcut")
    grep -qxF "target: $windows\\$program" <<<"$read_back" && grep -qxF "working folder: $windows\\" <<<"$read_back" ||
      fail "$(basename "$shortcut") does not point at $windows\\$program:"$'\n'"$read_back"
  done
  names=${names%|}
  [ "$status" -ne 0 ] || echo "installed: $key\\$code, version $version; $windows holds the zip's ${shipped[*]};" \
    "the shortcuts ${names//|/ and } point at its programs; the entry's icon is app/tarvolo.ico"
}

mkdir -p "$work" "$states"
case $stage in
  packages)
    rm -rf "$packages"
    mkdir -p "$packages"
    for v in "$version" "$lower"; do
      "$root/scripts/make_package.sh" "$build/bin" "$v" "$packages/Tarvolo-$v-$arch.zip"
      "$root/scripts/make_msi.sh" "$packages/Tarvolo-$v-$arch.zip" "$v" "$arch" "$(package "$v")"
    done
    # The x86 build beside this one (scripts/test.sh builds both).
    other=$(dirname "$build")/x86/bin
    if [ "$arch" = x64 ] && [ -f "$other/Tarvolo.exe" ]; then
      "$root/scripts/make_package.sh" "$other" "$version" "$packages/Tarvolo-$version-x86.zip"
      "$root/scripts/make_msi.sh" "$packages/Tarvolo-$version-x86.zip" "$version" x86 "$(package "$version" x86)"
    fi
    ls "$packages"
    ;;

  prefix)
    "$WINESERVER" -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    ensure_prefix
    # Drive D: an emulated CD-ROM drive (tests/equipment/cd_emulator) with an
    # audio disc of three tracks, as drive D of scripts/make_test_prefix.sh.
    mkdir "$WINEPREFIX/cd-drive"
    printf 'audio 150\naudio 18525\naudio 36300\nlead-out 54000\n' >"$WINEPREFIX/cd-drive.cdemu"
    ln -s ../cd-drive "$WINEPREFIX/dosdevices/d:"
    ln -s ../cd-drive.cdemu "$WINEPREFIX/dosdevices/d::"
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\r\n"d:"="cdrom"\r\n' >"$work/drives.reg"
    "$WINE64" regedit /S "Z:${work//\//\\}\\drives.reg"
    "$WINESERVER" -w
    save_state before
    echo "a new prefix, $WINEPREFIX, its state saved"
    ;;

  install)
    msi=$(package "$version")
    msiexec /i "$msi" /qn /l*v "Z:${work//\//\\}\\install.log"
    [ "$exit" -eq 0 ] || fail "the silent install ended with $exit (its log: $work/install.log)"
    expect_installed "$msi" "$version" "$packages/Tarvolo-$version-$arch.zip"
    [ "$arch" = x64 ] || [ ! -e "$WINEPREFIX/drive_c/Program Files/Tarvolo" ] ||
      fail "the x86 package installed into Program Files, not Program Files (x86)"
    save_state installed
    # The same package again: nothing changes, not even a file's status
    # change time, which any rewrite would set.
    changed_before=$(stat -c '%n %i %Z' "$folder"/*)
    msiexec /i "$msi" /qn
    [ "$exit" -eq 0 ] || fail "the same package again ended with $exit"
    save_state again
    echo "the same package again, against the state after the install:"
    python3 "$state_tool" compare "$states/installed.json" "$states/again.json" --same-source-again ||
      fail "the same package again changed the prefix"
    [ "$(stat -c '%n %i %Z' "$folder"/*)" = "$changed_before" ] || fail "the same package again rewrote files"
    ;;

  downgrade)
    old=$(package "$lower")
    msiexec /i "$old" /qn
    [ "$exit" -ne 0 ] || fail "version $lower over $version was installed silently"
    # With basic UI, the reason is shown: Wine's debug channel msgbox prints
    # the message box's text as the box opens. taskkill without /F closes
    # the box as its close button does; msiexec then ends on its own.
    [ -n "${DISPLAY:-}" ] || { echo "no display: scripts/test.sh starts one" >&2; exit 1; }
    # Once in a while, on a loaded machine, Wine's msiexec with UI ended at
    # once with status 1 and no message: then it is tried again.
    for try in 1 2; do
      WINEDEBUG=-all,+msgbox "$WINE64" msiexec /i "Z:${old//\//\\}" /qb </dev/null >/dev/null 2>"$work/downgrade-ui.log" &
      runner=$!
      for _ in $(seq 600); do
        grep -q 'MSGBOX_OnInit' "$work/downgrade-ui.log" && break
        kill -0 "$runner" 2>/dev/null || break
        sleep 0.1
      done
      message=$(sed -n 's/^.*MSGBOX_OnInit L"\(.*\)"$/\1/p' "$work/downgrade-ui.log")
      if kill -0 "$runner" 2>/dev/null; then
        "$WINE64" taskkill /IM msiexec.exe >/dev/null 2>&1 || true
        for _ in $(seq 300); do kill -0 "$runner" 2>/dev/null && sleep 0.1; done
        kill -0 "$runner" 2>/dev/null && { echo "msiexec did not end: stopped" >&2; "$WINESERVER" -k; }
      fi
      ui_exit=0
      wait "$runner" || ui_exit=$?
      "$WINESERVER" -w
      echo "msiexec /i $(basename "$old") /qb: the message \"$message\", exit status $ui_exit"
      [ -z "$message" ] && [ "$try" -eq 1 ] || break
      cat "$work/downgrade-ui.log"
    done
    expected="A newer version of Tarvolo is already installed; this one, $lower, does not replace it."
    [[ $message == *"$expected" ]] || fail "the message is not \"... / $expected\""
    [ "$ui_exit" -ne 0 ] || fail "version $lower over $version was installed with basic UI"
    save_state refused
    echo "after the refusals, against the state after the install:"
    python3 "$state_tool" compare "$states/again.json" "$states/refused.json" || fail "a refused downgrade changed the prefix"
    expect_installed "$(package "$version")" "$version" "$packages/Tarvolo-$version-$arch.zip"
    ;;

  sessions)
    loader=$WINE64
    if [ "$arch" = x86 ]; then
      skip_where_no_32bit_programs
      loader=$WINE32
    fi
    [ -n "${DISPLAY:-}" ] || { echo "no display: scripts/test.sh starts one" >&2; exit 1; }
    [ -n "${TARVOLO_CD_EMULATOR:-}" ] || { echo "TARVOLO_CD_EMULATOR is not set" >&2; exit 1; }
    for program in Tarvolo Tarvolo9x; do
      SCREEN_READY=$(mktemp -d "$work/screen.XXXXXX")/ready
      export SCREEN_READY
      LD_PRELOAD=$TARVOLO_CD_EMULATOR "$loader" explorer /desktop=tarvolo-msi,800x600 "$build/bin/screen_driver.exe" \
        "$windows_folder\\$program.exe" --search --click D --expect-tracks 3 </dev/null >/dev/null 2>&1 &
      driver=$!
      for _ in $(seq 600); do
        [ -e "$SCREEN_READY" ] && break
        kill -0 "$driver" 2>/dev/null || break
        sleep 0.1
      done
      if [ ! -e "$SCREEN_READY" ]; then
        fail "$program.exe from $windows_folder: no main window (a program started beside a CD control that is not its own shows a message instead)"
        wait "$driver" || true
      else
        problem=$(cat "$SCREEN_READY")
        import -window root -crop 800x600+0+0 "$work/session-$program.png" 2>/dev/null || true
        rm -f "$SCREEN_READY"
        driven=0
        wait "$driver" || driven=$?
        if [ -n "$problem" ] || [ "$driven" -ne 0 ]; then
          fail "$program.exe from $windows_folder: ${problem:-the driver ended with $driven}"
        else
          echo "$program.exe from $windows_folder: searched, clicked drive D, the CD control shows the disc's 3 tracks"
        fi
      fi
      rm -rf "$(dirname "$SCREEN_READY")"
    done
    "$WINESERVER" -w
    ;;

  removal)
    msiexec /x "$(package "$version")" /qn
    [ "$exit" -eq 0 ] || fail "the silent removal ended with $exit"
    save_state removed
    echo "after the removal, against the state before the install:"
    python3 "$state_tool" compare "$states/before.json" "$states/removed.json" --installer-bookkeeping ||
      fail "the removal left the prefix other than it was before the install"
    ;;

  upgrade)
    old=$(package "$lower")
    msi=$(package "$version")
    old_code=$(product_code "$old")
    msiexec /i "$old" /qn
    [ "$exit" -eq 0 ] || fail "version $lower ended with $exit"
    expect_installed "$old" "$lower" "$packages/Tarvolo-$lower-$arch.zip"
    msiexec /i "$msi" /qn
    [ "$exit" -eq 0 ] || fail "the upgrade to $version ended with $exit"
    expect_installed "$msi" "$version" "$packages/Tarvolo-$version-$arch.zip"
    left=$(python3 "$state_tool" mentions "$WINEPREFIX" "$old_code")
    [ -z "$left" ] || fail "version $lower's product code $old_code is still in the prefix:"$'\n'"$left"
    cached=$(ls "$WINEPREFIX/drive_c/windows/Installer")
    [ "$(grep -c '\.msi$' <<<"$cached")" -eq 1 ] && [ "$(grep -c '^{' <<<"$cached")" -eq 1 ] ||
      fail "C:\\windows\\Installer holds, besides this version's cached package and icon: $cached"
    [ "$status" -ne 0 ] || echo "nothing of version $lower left: its product code nowhere, one cached package"
    last=$msi
    cross=$(package "$version" x86)
    if [ "$arch" = x64 ] && [ -f "$cross" ]; then
      # The x86 package of this same version replaces the x64 one.
      msiexec /i "$cross" /qn
      [ "$exit" -eq 0 ] || fail "the x86 package over the x64 one ended with $exit"
      expect_installed "$cross" "$version" "$packages/Tarvolo-$version-x86.zip" "Program Files (x86)" \
        'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'
      [ ! -e "$folder" ] || fail "the x64 package's folder is still there"
      last=$cross
    fi
    msiexec /x "$last" /qn
    [ "$exit" -eq 0 ] || fail "the removal ended with $exit"
    save_state upgraded-removed
    echo "after the upgrade and the removal, against the state before the install:"
    python3 "$state_tool" compare "$states/before.json" "$states/upgraded-removed.json" --installer-bookkeeping ||
      fail "the upgrade and removal left the prefix other than it was before"
    ;;

  stop)
    "$WINESERVER" -k 2>/dev/null || true
    ;;

  *)
    echo "msi.sh: no stage $stage" >&2
    exit 2
    ;;
esac
exit $status
