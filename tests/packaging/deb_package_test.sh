#!/bin/bash
# Builds the Debian package from a build folder with CPack, has Debian's
# validators check it, unpacks it into a scratch root (dpkg -x) and runs the
# program from there, the scratch root's usr standing for /usr. Sends nothing
# on any network.
#   deb_package_test.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$1 source=$2 version=$3
scratch=$(mktemp -d /tmp/cobalin-deb-test.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" > "$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; fail "cpack"; }
deb="$scratch/out/cobalin_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $deb; made: $(ls "$scratch/out")"

# What the package holds and needs.
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/cobalin ./usr/share/man/man1/cobalin.1.gz ./usr/share/applications/cobalin.desktop \
            ./usr/share/icons/hicolor/scalable/apps/cobalin.svg ./usr/share/doc/cobalin/copyright \
            ./usr/share/doc/cobalin/changelog.gz ./usr/share/doc/cobalin/ui-driver.md ./usr/share/cobalin/Setting.ini \
            ./usr/share/ansible/plugins/modules/cobalin_configure.py; do
  grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
for set in "$source"/data/*.ini; do
  [ -e "$set" ] || continue
  grep -qxF "./usr/share/cobalin/$(basename "$set")" <<<"$contents" || fail "the package lacks the data set $(basename "$set")"
done
if grep -v '^\./usr/\(bin/cobalin\|share/\(man\|applications\|icons\|doc\|cobalin\|ansible/plugins/modules/cobalin_configure\.py$\)\)\|/$' <<<"$contents"; then
  fail "the package holds more than the program and its files (above)"
fi
depends=$(dpkg-deb -f "$deb" Depends)
for d in qt6-qpa-plugins fonts-liberation libqt6widgets6 libqt6core6 libc6; do
  grep -q "\b$d\b" <<<"$depends" || fail "Depends lacks $d: $depends"
done
# Ansible is for the controller of a run only: suggested, never required.
grep -q '\bansible' <<<"$(dpkg-deb -f "$deb" Suggests)" || fail "Suggests lacks Ansible"
if grep -q 'ansible' <<<"$depends$(dpkg-deb -f "$deb" Recommends)"; then fail "the package requires Ansible: $depends"; fi

# Debian's validators: lintian reports no error or warning, the desktop entry is valid.
status=0
lintian --fail-on error,warning "$deb" > "$scratch/lintian.log" 2>&1 || status=$?
if grep -E "^(E|W):" "$scratch/lintian.log" || [ "$status" != 0 ]; then cat "$scratch/lintian.log"; fail "lintian reports errors or warnings"; fi

root="$scratch/root"
dpkg -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/cobalin.desktop" || fail "desktop-file-validate"
exe="$root/usr/bin/cobalin"
# The module as Ansible finds it in the package; ansible-doc reads its documentation.
module="$root/usr/share/ansible/plugins/modules/cobalin_configure.py"
[ "$(stat -c %a "$module")" = 644 ] || fail "the module's mode is $(stat -c %a "$module")"
if command -v ansible-doc > /dev/null; then
  env -i PATH="$PATH" HOME="$scratch" ANSIBLE_LOCAL_TEMP="$scratch/ansible" ansible-doc -M "${module%/*}" cobalin_configure \
    > "$scratch/ansible-doc.log" 2>&1 || { cat "$scratch/ansible-doc.log"; fail "ansible-doc cobalin_configure"; }
  grep -q 'Runs `cobalin configure' "$scratch/ansible-doc.log" || fail "ansible-doc shows no description"
fi

# The program from the scratch root, with a home of its own.
home="$scratch/home"
mkdir -p "$home"
run() { env -i PATH="$PATH" HOME="$home" QT_QPA_PLATFORM=offscreen "$@"; }
[ "$(run "$exe" --version)" = "cobalin $version" ] || fail "--version"
run "$exe" search --help | grep -q '^Usage: cobalin search' || fail "search --help"

# A driver session: the chooser opens as the shipped Setting.ini says, and the
# settings folder is filled from the shipped defaults at the first start.
answers=$(printf '%s\n' 'windows' 'get FormDeviceSelect.Label1 text' 'quit' | run "$exe" --drive 2> "$scratch/stderr")
# The font it depends on is there: the program uses it without a word.
if grep -i 'font' "$scratch/stderr"; then fail "the program's font is missing"; fi
expected='{"ok":true,"value":[{"caption":"ZentaSolution Cobalin","name":"FormDeviceSelect"}]}
{"ok":true,"value":"Rev. : '"$version"'"}'
[ "$(head -2 <<<"$answers")" = "$expected" ] || fail "driver session answered: $answers"
config="$home/.config/cobalin"
cmp "$config/Setting.ini" "$root/usr/share/cobalin/Setting.ini" || fail "Setting.ini not filled into $config"
for set in "$root"/usr/share/cobalin/*.ini; do
  cmp "$set" "$config/$(basename "$set")" || fail "$(basename "$set") not filled in"
done
# The user's settings stay; XDG_CONFIG_HOME moves the folder; --home and
# COBALIN_HOME still win.
echo "[RunMode]" > "$config/Setting.ini"
printf 'quit\n' | run "$exe" --drive > /dev/null
[ "$(cat "$config/Setting.ini")" = "[RunMode]" ] || fail "the user's Setting.ini was replaced"
printf 'quit\n' | run env XDG_CONFIG_HOME="$scratch/xdg" "$exe" --drive > /dev/null
[ -f "$scratch/xdg/cobalin/Setting.ini" ] || fail "XDG_CONFIG_HOME was not used"
mkdir -p "$scratch/given"
printf 'quit\n' | run env XDG_CONFIG_HOME="$scratch/xdg2" "$exe" --drive --home "$scratch/given" > /dev/null
printf 'quit\n' | run env XDG_CONFIG_HOME="$scratch/xdg2" COBALIN_HOME="$scratch/given" "$exe" --drive > /dev/null
[ ! -e "$scratch/xdg2" ] || fail "--home or COBALIN_HOME did not win"
echo "deb package: all checks passed ($(basename "$deb"))"
