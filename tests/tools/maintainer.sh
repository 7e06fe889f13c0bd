#!/usr/bin/env bash
# The patch maintainer's commands as a maintainer runs them, checked by what they print and
# leave behind: make installer from a folder laid out like the game (spaces in its path, a file
# replaced by an older-dated one, a missing file, too much data), make inspect with VERIFY and
# EXTRACT, make release signed with a throwaway certificate, and ELEVATE=1. The signed and the
# elevated installer each pass the product check and one end-to-end run. Ends by building the
# sample installers again, as make test leaves them.
# Run inside scripts/wine-session FLAVOUR (the end-to-end runs need it).
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
flavour=${OPRAVA_WINE:-win64}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
ok() {
  echo "ok    $1"
  passed=$((passed + 1))
}
bad() {
  echo "FAIL  $1"
  [ -f "$work/out" ] && sed 's/^/      /' "$work/out"
  failed=$((failed + 1))
}
# run NAME EXPECTED-STATUS COMMAND...: the command's output is kept in $work/out.
run() {
  local name=$1 want=$2
  shift 2
  "$@" >"$work/out" 2>&1
  local got=$?
  if [ "$got" -ne "$want" ]; then
    bad "$name (exit status $got, expected $want)"
    return 1
  fi
  return 0
}
has() { grep -qF -- "$1" "$work/out"; }
# make as a maintainer types it, also when this runs under make test.
mk() { env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL make -s --no-print-directory "$@"; }
# check NAME CONDITION: ok when the condition (shell code) holds, else the output seen.
check() { if eval "$2"; then ok "$1"; else bad "$1"; fi; }
no_installers() { [ ! -e build/win32/Oprava.exe ] && [ ! -e build/win64/Oprava.exe ]; }
# The SHA-256 inspect gives for entry N of an installer.
entry_sha() { build/host/tools/inspect/inspect "$1" | awk -v n="$2" '$1 == n {print $4}'; }

# A maintainer's own four files, in a folder whose path has spaces, with a stray file beside.
game="$work/my game files"
mkdir -p "$game/Data"
head -c 300000 /dev/urandom >"$game/Duskhollow.exe"
head -c 70000 /dev/urandom >"$game/Data/tutorial"
head -c 50000 /dev/urandom >"$game/Data/25"
printf '[Game]\r\nVersion=1.1\r\n' >"$game/Game.ini"
printf 'not part of the patch\r\n' >"$game/readme.txt"
targets=(Duskhollow.exe Data/tutorial Data/25 Game.ini)

if run "installer from a folder with spaces in its path" 0 mk installer PAYLOAD="$game"; then
  check "installer from a folder with spaces in its path names its payload and the product" \
    'has "build/win32/Oprava.exe carries the payload of $game:" &&
     has "The product to ship: build/win32/Oprava.exe"'
fi
file_sha() { sha256sum <"$1" | cut -d' ' -f1; }
same=1
for i in 0 1 2 3; do
  [ "$(entry_sha build/win32/Oprava.exe $i)" = "$(file_sha "$game/${targets[$i]}")" ] || same=0
done
check "inspect: the four SHA-256s are those of the files" '[ $same = 1 ]'
if run "VERIFY against the folder" 0 mk inspect EXE=build/win32/Oprava.exe VERIFY="$game"; then
  check "VERIFY against the folder: all four match" 'has "verify: all four entries match"'
fi
if run "EXTRACT" 0 mk inspect EXE=build/win64/Oprava.exe EXTRACT="$work/extracted"; then
  check "EXTRACT writes the files under their game paths" 'cmp -s "$work/extracted/Data/25" "$game/Data/25"'
fi

# A file replaced by an older-dated one, as cp -p or unpacking an archive gives.
head -c 60000 /dev/urandom >"$work/older"
touch -d '2001-01-01' "$work/older"
cp -p "$work/older" "$game/Data/25"
if run "rebuild after an older-dated file" 0 mk installer PAYLOAD="$game"; then
  check "rebuild after replacing Data/25 by an older-dated file carries the new file" \
    '[ "$(entry_sha build/win32/Oprava.exe 2)" = "$(file_sha "$work/older")" ]'
fi
if run "VERIFY finds a difference" 2 mk inspect EXE=build/win32/Oprava.exe VERIFY="$work/extracted"; then
  check "VERIFY against another folder names the difference; inspect exits 1, make 2" 'has "Data/25"'
fi

# Failures: one message naming the folder and the problem, besides make's own line on a failed
# recipe (make exits 2); no installer left behind.
one_message() { [ "$(grep -Evc '^make(\[[0-9]+\])?: \*\*\*' "$work/out")" -eq 1 ]; }
mv "$game/Data/tutorial" "$work/tutorial"
if run "missing file" 2 mk installer PAYLOAD="$game"; then
  check "a missing file: one message naming it and the folder, no installer left" 'has "$game: missing Data/tutorial" && one_message && no_installers'
fi
mv "$work/tutorial" "$game/Data/tutorial"
if run "missing folder" 2 mk installer PAYLOAD="$work/no such folder"; then
  check "a missing folder: one message naming it, no installer left" 'has "no such folder" && one_message && no_installers'
fi
truncate -s 3900000 "$game/Duskhollow.exe"
if run "too large" 2 mk installer PAYLOAD="$game"; then
  check "too much data: one message with the sizes against the capacity, no installer left" 'has "3,999,968" && one_message && no_installers'
fi
truncate -s 300000 "$game/Duskhollow.exe"

# The release, signed with a certificate made here; then the elevated build. Both with the
# sample payload, which the end-to-end scenarios check the files against.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Oprava test signer" \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1
if run "release" 0 mk release SIGN_CERT="$work/cert.pem" SIGN_KEY="$work/key.pem"; then
  check "release: signed build/release/Oprava.exe and SHA256SUMS" 'has "Signed with"'
  if run "osslsigncode verify" 0 osslsigncode verify -CAfile "$work/cert.pem" \
    -in build/release/Oprava.exe; then
    check "osslsigncode verify accepts the signature" 'has "Signature verification: ok"'
  fi
  if run "sha256sum -c" 0 env LC_ALL=C sh -c 'cd build/release && sha256sum -c SHA256SUMS'; then
    check "sha256sum -c accepts SHA256SUMS" 'has "Oprava.exe: OK"'
  fi
  run "product check of the signed file" 0 tests/pe/check_product.py build/release/Oprava.exe \
    build/win32/src/shell/tform1.bin && ok "the signed file passes the product check"
  if run "inspect the signed file" 0 mk inspect EXE=build/release/Oprava.exe; then
    check "inspect reads the signed file" 'has "Game.ini"'
  fi
  # The flavour's own installer, signed the same way, in one end-to-end run.
  signed=build/release/Oprava.exe
  if [ "$flavour" = win64 ]; then
    signed=$work/Oprava-win64-signed.exe
    osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -h sha256 \
      -in build/win64/Oprava.exe -out "$signed" >/dev/null
  fi
  run "end-to-end run of the signed installer" 0 tests/wine/scenarios.py --build "build/$flavour" \
    --exe "$signed" "patch applied, answer No" &&
    ok "one end-to-end run of the signed installer ($flavour)"
fi
if run "ELEVATE=1" 0 mk installer ELEVATE=1; then
  check "ELEVATE=1 says so" 'has "administrator rights"'
  if run "product check, elevated" 0 tests/pe/check_product.py --elevated build/win32/Oprava.exe \
    build/win32/src/shell/tform1.bin; then
    check "ELEVATE=1: one manifest, asking for administrator rights and nothing more" \
      'has "asking for administrator rights and nothing more"'
  fi
  run "end-to-end run of the elevated installer" 0 tests/wine/scenarios.py --build "build/$flavour" \
    "patch applied, answer No" && ok "one end-to-end run of the elevated installer ($flavour)"
fi
if run "the sample installers again" 0 mk installer; then
  if run "no manifest in the default build" 0 tests/pe/check_product.py build/win32/Oprava.exe \
    build/win32/src/shell/tform1.bin; then
    check "the default build again: sample payload, no manifest" 'has "no manifest"'
  fi
fi

echo "maintainer tools: $passed passed, $failed failed"
[ $failed -eq 0 ]
