#!/usr/bin/env bash
# The installer package under Wine, in a prefix of its own (the other tests share theirs,
# and this one changes the machine):
#   0. the package runs nothing of its own and sets no permissions;
#   1. the reference: what regsvr32 writes for the 64-bit DLL at its installed place;
#   2. a first install that fails at its end: nothing is left;
#   3. an older version installed silently: exactly those values, in the right view for
#      each DLL, exactly the expected files, none of them writable by users;
#   4. the sandbox's tour through the installed DLL as one user, which saves that user's
#      settings in their profile and leaves what an earlier package left beside the DLL;
#   5. the upgrade to this version while a program holds the DLL: the settings survive;
#   6. the tour through the new DLL as a second user, who sees only their own settings;
#   7. a silent uninstall that leaves no value and none of its files behind, and the
#      users' files where they are.
#   installer-test.sh PACKAGE STAGE_DIR BIN_DIR      (exit code: the number of failed checks)
set -uo pipefail
package=$1
stage=$2
bin=$3
root=$(cd "$(dirname "$0")/.." && pwd)
work="$(dirname "$package")/installer-test"
rm -rf "$work"
mkdir -p "$work"

source "$root/scripts/wine-session.sh"
wine_prefix_init "$work/prefix"
holder=""
cleanup() {
  [ -n "$holder" ] && kill "$holder" 2>/dev/null
  timeout 30 wineserver -k >/dev/null 2>&1
}
trap cleanup EXIT
# The tours' screenshots belong to the demo tests; these tours take none.
export CC_SCREENSHOT_DIR=

product="$WINEPREFIX/drive_c/Program Files/CursorCadence"
failed=0
step() { echo "$1"; }
check() {
  local what=$1
  shift
  if "$@"; then echo "   ok: $what"; else echo "   FAILED: $what"; failed=$((failed + 1)); fi
}
same() { diff -u "$1" "$2" >"$work/diff" || { cat "$work/diff"; return 1; }; }

msiexec() {
  wine msiexec "$1" "$(winepath -w "$2")" /qn /l*v "$(winepath -w "$work/$3.log")"
}

# Every key and value under the product's keys in one registry view (64 or 32), one line
# each ("key" or "key|name|type|data"), lower-cased (the registry ignores case), sorted.
keys=(
  'Software\Classes\CLSID\{0B814624-37BF-4F1A-814C-0FED1442CB56}'
  'Software\Classes\CursorCadence.GestureCore'
  'Software\Classes\CursorCadence.GestureCore.1'
  'Software\Classes\Interface\{0B359098-9B77-4075-A54A-31245E379DEA}'
  'Software\Classes\TypeLib\{4BEAFE5F-12C8-41BF-8DD1-EA90BE08DEFA}'
  'Software\Microsoft\Windows\CurrentVersion\Explorer\Browser Helper Objects\{0B814624-37BF-4F1A-814C-0FED1442CB56}'
)
dump() {
  local key
  for key in "${keys[@]}"; do
    wine reg query "HKLM\\$key" /s "/reg:$1" 2>/dev/null
  done | tr -d '\r' | awk '
    /^HKEY_/ { key = $0; sub(/^HKEY_LOCAL_MACHINE\\/, "", key); print tolower(key); next }
    /^    [^ ]/ {
      n = split(substr($0, 5), f, "    ")
      data = f[3]
      for (i = 4; i <= n; i++) data = data "    " f[i]
      print tolower(key "|" f[1] "|" f[2] "|" data)
    }' | sort
}

# msiexec ACTION PACKAGE LOG while the sandbox holds the installed DLL; its answer in
# $status. 3010 (Wine's exit status keeps only its low byte, 194) means done, but a file in
# use is replaced at the next start, which wineboot -r then plays.
held_msiexec() {
  wine "$bin/cursorcadence_sandbox.exe" >"$work/holder.log" 2>&1 &
  holder=$!
  for _ in $(seq 100); do grep -q "attached" "$work/holder.log" && break; sleep 0.2; done
  check "a program holds the installed DLL" grep -q "attached" "$work/holder.log"
  msiexec "$@"
  status=$?
  echo "   msiexec answered $status"
  kill "$holder" 2>/dev/null
  wait "$holder" 2>/dev/null
  holder=""
  if [ "$status" -eq 194 ]; then
    timeout 120 wineboot -r >/dev/null 2>&1
    timeout 60 wineserver -w
  fi
}

# The version of every installed product named CursorCadence (Programs and Features).
installed_versions() {
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    awk '/^HKEY_/ { ours = 0 } /^    DisplayName    REG_SZ    CursorCadence$/ { ours = 1 }
         ours && /^    DisplayVersion / { print $3 }'
}

# Every file and folder of the product's folder, with each file's size.
files() {
  [ -d "$product" ] || return 0
  (cd "$product" && find . -mindepth 1 \( -type d -printf '%p/\n' \) -o \( -type f -printf '%p %s\n' \)) | sort
}

step "0. The package's tables."
tables=$(msiinfo tables "$package")
# The rows of a table of the package; none when the package has no such table.
export_table() {
  grep -qx "$1" <<<"$tables" || return 0
  (cd "$work" && msiinfo export "$package" "$1" | tail -n +4)
}
check "the package could be read" grep -qx File <<<"$tables"
check "no custom action" eval '[ -z "$(export_table CustomAction)" ]'
check "no binary to run" eval '[ -z "$(export_table Binary)" ]'
check "no permissions set" eval '[ -z "$(export_table LockPermissions)$(export_table MsiLockPermissionsEx)" ]'
# RemoveFile rows: only the product's own (empty) folders, no file name.
check "nothing removed but the product's own empty folders" \
  eval '[ -z "$(export_table RemoveFile | awk -F"\t" "\$3 != \"\" || \$4 !~ /^(PRODUCTDIR|X64DIR|X86DIR)\$/")" ]'

step "1. The reference: regsvr32 on the 64-bit DLL at its installed place."
mkdir -p "$product/x64"
cp "$stage/x64/CursorCadence.dll" "$product/x64/"
installed64='C:\Program Files\CursorCadence\x64\CursorCadence.dll'
wine regsvr32 /s "$installed64"
dump 64 >"$work/regsvr32.64"
wine regsvr32 /u /s "$installed64"
rm -rf "$product"
check "regsvr32 wrote the class, type library and helper entries" grep -q 'inprocserver32|(default)|reg_sz|c:' "$work/regsvr32.64"
# The 64-bit view gets the 32-bit DLL's type library entry too: that key is one for both
# views. The 32-bit view holds the 64-bit entries with the 32-bit DLL's path and platform.
win32='software\classes\typelib\{4beafe5f-12c8-41bf-8dd1-ea90be08defa}\1.0\0\win32'
{
  cat "$work/regsvr32.64"
  printf '%s\n' "$win32" "$win32|(default)|reg_sz|c:\program files\cursorcadence\x86\cursorcadence.dll"
} | sort >"$work/expected.64"
{
  grep -v "^software\\\\classes\\\\typelib" "$work/regsvr32.64" | sed 's/cursorcadence\\x64\\/cursorcadence\\x86\\/'
  grep "^software\\\\classes\\\\typelib" "$work/expected.64"
} | sort >"$work/expected.32"

step "2. A first install that fails at its end."
# The package with one more action at the very end of the install, one that fails: the
# rollback must take back everything.
failing="$work/failing"
mkdir -p "$failing"
sed -e 's|^  </Product>|    <Property Id="FailCommand" Value="C:\\windows\\system32\\cmd.exe"/>\n    <CustomAction Id="FailForTest" Property="FailCommand" ExeCommand="/c exit 1" Execute="deferred" Impersonate="no" Return="check"/>\n    <InstallExecuteSequence><Custom Action="FailForTest" Sequence="6598"/></InstallExecuteSequence>\n  </Product>|' \
    "$root/installer/CursorCadence.wxs" >"$failing/CursorCadence.wxs"
(cd "$stage" && wixl -a x64 -I "$root/installer" -D ProductVersion=2.1.0 -o "$work/failing.msi" \
  "$failing/CursorCadence.wxs")
msiexec /i "$work/failing.msi" failing
check "the install fails" [ $? -ne 0 ]
check "no file or folder is left" [ ! -e "$product" ]
check "no value is left" eval '[ -z "$(dump 64)$(dump 32)$(installed_versions)" ]'

step "3. An older version, installed silently."
older="$work/older"
cp -r "$stage" "$older"
# Different bytes, same code: the upgrade must be seen to replace the DLLs.
for arch in x64 x86; do printf 'older' >>"$older/$arch/CursorCadence.dll"; done
(cd "$older" && wixl -a x64 -I "$root/installer" -D ProductVersion=2.2.0 -o "$work/older.msi" \
  "$root/installer/CursorCadence.wxs")
msiexec /i "$work/older.msi" install
check "msiexec /i /qn succeeded" [ $? -eq 0 ]
dump 64 >"$work/installed.64"
dump 32 >"$work/installed.32"
check "the 64-bit view holds exactly regsvr32's values for the 64-bit DLL" same "$work/expected.64" "$work/installed.64"
check "the 32-bit view holds exactly those values for the 32-bit DLL" same "$work/expected.32" "$work/installed.32"
files >"$work/files"
printf '%s\n' "./x64/" "./x64/CursorCadence.dll $(stat -c %s "$older/x64/CursorCadence.dll")" \
  "./x64/per_user_settings $(stat -c %s "$older/x64/per_user_settings")" "./x86/" \
  "./x86/CursorCadence.dll $(stat -c %s "$older/x86/CursorCadence.dll")" \
  "./x86/per_user_settings $(stat -c %s "$older/x86/per_user_settings")" | sort >"$work/files.expected"
check "exactly the DLLs and the per-user marker in each folder" same "$work/files.expected" "$work/files"
# Wine keeps no access control lists; it shows a grant to Users as the group's write bit.
check "nothing under the install folder is writable by users" \
  eval '[ -z "$(find "$product" -perm -g=w)" ]'

# What the package before this one left beside the 64-bit DLL (made there by hand as an
# administrator would find it): the new DLL neither reads nor removes it.
leftover_setting="$product/x64/setting"
head -c 1140 /dev/urandom >"$leftover_setting"
mkdir -p "$product/x64/Links"
leftover_sum=$(sha1sum <"$leftover_setting")

# The users' roaming application data (HKCU "User Shell Folders" "AppData") and the
# integer at index I of a "setting" file.
shell_folders='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders'
roam_as() {
  mkdir -p "$WINEPREFIX/drive_c/roaming/$1"
  wine reg add "$shell_folders" /v AppData /t REG_EXPAND_SZ /d "C:\\roaming\\$1" /f >/dev/null 2>&1
}
user_setting() { echo "$WINEPREFIX/drive_c/roaming/$1/CursorCadence/setting"; }
int_at() { od -An -t d4 -j $((4 * $2)) -N 4 "$1" | tr -d ' '; }

step "4. The tour through the installed DLL, as a first user."
roam_as first
wine "$bin/cursorcadence_sandbox.exe" --tour >"$work/tour1.log" 2>&1
check "every step of the tour did what it should (saving the settings included)" [ $? -eq 0 ]
grep -E "FAILED|failed" "$work/tour1.log"
check "the user's \"setting\" in their profile holds the saved block" [ "$(stat -c %s "$(user_setting first)")" -eq 1140 ]
check "the file an earlier package left beside the DLL is untouched" \
  [ "$(sha1sum <"$leftover_setting")" = "$leftover_sum" ]
check "nothing was added beside the DLL" eval '[ -z "$(ls -A "$product/x64/Links")" ]'
# A trail width of 37, the first user's own.
printf '\x25\x00\x00\x00' | dd of="$(user_setting first)" bs=1 seek=20 conv=notrunc status=none
settings_before=$(sha1sum <"$(user_setting first)")
# An administrator's marker.
: >"$product/x86/unload_on_Explorer"

step "5. The upgrade to this version while a program holds the DLL."
held_msiexec /i "$package" upgrade
check "the upgrade succeeded" [ "$status" -eq 0 -o "$status" -eq 194 ]
check "the 64-bit DLL is the new one" cmp -s "$stage/x64/CursorCadence.dll" "$product/x64/CursorCadence.dll"
check "the 32-bit DLL is the new one" cmp -s "$stage/x86/CursorCadence.dll" "$product/x86/CursorCadence.dll"
check "the user's settings are kept" [ "$(sha1sum <"$(user_setting first)")" = "$settings_before" ]
check "their quick-move folders are kept" [ -f "$WINEPREFIX/drive_c/roaming/first/CursorCadence/Links/00.lnk" ]
check "the marker is kept" [ -f "$product/x86/unload_on_Explorer" ]
dump 64 >"$work/upgraded.64"
dump 32 >"$work/upgraded.32"
check "the 64-bit view holds exactly regsvr32's values" same "$work/expected.64" "$work/upgraded.64"
check "the 32-bit view holds exactly those values for the 32-bit DLL" same "$work/expected.32" "$work/upgraded.32"
version=$(basename "$package" | sed 's/^CursorCadence-\(.*\)-x64\.msi$/\1/')
check "one product is installed, this version" [ "$(installed_versions)" = "$version" ]

msiexec /i "$work/older.msi" downgrade
check "the older package refuses to install over this version" [ $? -ne 0 ]
check "and changes nothing" same "$work/expected.64" <(dump 64)

step "6. The tour through the new DLL, as a second user (the first user's block is gone)."
roam_as second
wine "$bin/cursorcadence_sandbox.exe" --tour >"$work/tour2.log" 2>&1
check "every step of the tour did what it should" [ $? -eq 0 ]
grep -E "FAILED|failed" "$work/tour2.log"
check "the second user's settings are saved in their own profile" [ "$(stat -c %s "$(user_setting second)")" -eq 1140 ]
check "they started from the defaults, not the first user's trail width" [ "$(int_at "$(user_setting second)" 5)" != 37 ]
check "the first user's settings are untouched" [ "$(sha1sum <"$(user_setting first)")" = "$settings_before" ]

# Not held this time: Wine's Windows Installer leaves a DLL in use where Windows schedules
# its removal for the next start.
step "7. A silent uninstall."
msiexec /x "$package" uninstall
check "msiexec /x /qn succeeded" [ $? -eq 0 ]
files >"$work/left.files"
printf '%s\n' "./x64/" "./x64/Links/" "./x64/setting 1140" "./x86/" "./x86/unload_on_Explorer 0" | sort >"$work/left.expected"
check "only what the package did not install is left: the earlier package's files, the marker" \
  same "$work/left.expected" "$work/left.files"
check "the users' files stay in their profiles" \
  eval '[ -f "$(user_setting first)" ] && [ -f "$(user_setting second)" ]'
dump 64 >"$work/left.64"
dump 32 >"$work/left.32"
check "no value is left in the 64-bit view" same /dev/null "$work/left.64"
check "no value is left in the 32-bit view" same /dev/null "$work/left.32"
check "the product is gone from the installed programs" [ -z "$(installed_versions)" ]

echo "installer: $failed failed check(s)"
# A passing run leaves its logs; a failing one its prefix too, to look into.
if [ "$failed" -eq 0 ]; then
  timeout 30 wineserver -k >/dev/null 2>&1
  rm -rf "$work/prefix" "$older"
fi
exit "$failed"
