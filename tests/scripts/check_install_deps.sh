#!/usr/bin/env bash
# What the set-up does when the package mirror is in the middle of an update:
# it runs against stand-ins for apt-get, dpkg-query, dpkg and locale, as any
# user and without network, from a copy beside a stand-in enable-i386.sh:
#   tests/scripts/check_install_deps.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# The stand-ins log their calls to $fake_calls. apt-get's index refresh fails
# the first $fake_update_failures times; its install succeeds when
# $fake_install_works is yes, or is "release" and the install targets the
# release's suite, and then leaves no package missing. dpkg-query
# reports missing the packages listed in $fake_missing.
mkdir "$work/bin"
cat > "$work/bin/apt-get" << 'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >> "$fake_calls"
case " $* " in
    *" update "*)
        [ "$(grep -c ' update ' "$fake_calls")" -gt "$fake_update_failures" ] || exit 100 ;;
    *" install "*)
        case "$fake_install_works $*" in
            "yes "* | "release "*" -t bookworm "*) ;;
            *) exit 100 ;;
        esac
        : > "$fake_missing" ;;
esac
EOF
cat > "$work/bin/dpkg-query" << 'EOF'
#!/usr/bin/env bash
grep -qxF -- "${!#}" "$fake_missing" && exit 1
echo 'install ok installed'
EOF
printf '#!/bin/sh\necho i386\n' > "$work/bin/dpkg"
printf '#!/bin/sh\necho ja_JP.utf8\n' > "$work/bin/locale"
printf 'ID=debian\nVERSION_CODENAME=bookworm\n' > "$work/os-release"
mkdir "$work/scripts"
cp "$root/scripts/install-deps.sh" "$work/scripts/"
cat > "$work/scripts/enable-i386.sh" << 'EOF'
#!/bin/sh
echo enable-i386.sh >> "$fake_calls"
EOF
chmod +x "$work"/bin/* "$work"/scripts/*

update='apt-get -o Acquire::Retries=3 update -qq'
install='apt-get -o Acquire::Retries=3 install -y -qq --no-install-recommends wine32:i386 xvfb'
install_release='apt-get -o Acquire::Retries=3 install -y -qq --no-install-recommends -t bookworm wine32:i386 xvfb'
retry() { echo "refreshing the package indexes failed (try $1 of 4); trying again in 0 s"; }
gave_up='some package indexes could not be refreshed; installing with those that came'
from_release="the install failed with an incomplete package index; trying once more from the release's own suite (bookworm)"
could_not='error: could not install: wine32:i386 xvfb
The package mirror may be in the middle of an update; please try again later.'

# check <case> <refresh failures> <install works> <exit status> <output> <calls>
check() {
    local dir=$work/$1 status=0
    mkdir "$dir"
    printf '%s\n' wine32:i386 xvfb > "$dir/missing"
    env PATH="$work/bin:$PATH" KORV_APT_RETRY_PAUSE=0 KORV_OS_RELEASE="$work/os-release" fake_calls="$dir/calls" fake_missing="$dir/missing" \
        fake_update_failures="$2" fake_install_works="$3" "$work/scripts/install-deps.sh" > "$dir/output" 2>&1 || status=$?
    touch "$dir/calls"
    if [ "$status" = "$4" ] && [ "$(cat "$dir/output")" = "$5" ] && [ "$(cat "$dir/calls")" = "$6" ]; then
        echo "PASS set-up, $1"
        return
    fi
    failed=1
    echo "FAIL set-up, $1: exit status $status, expected $4"
    diff -u --label expected-output --label output <(echo "$5") "$dir/output" || true
    diff -u --label expected-calls --label calls <(echo "$6") "$dir/calls" || true
}

check "one refresh fails" 1 yes 0 \
    "installing: wine32:i386 xvfb
$(retry 1)" \
    "$update
$update
$install
enable-i386.sh"

check "every refresh fails, the install works" 99 yes 0 \
    "installing: wine32:i386 xvfb
$(retry 1)
$(retry 2)
$(retry 3)
$gave_up" \
    "$update
$update
$update
$update
$install
enable-i386.sh"

check "every refresh fails, the release's suite installs" 99 release 0 \
    "installing: wine32:i386 xvfb
$(retry 1)
$(retry 2)
$(retry 3)
$gave_up
$from_release" \
    "$update
$update
$update
$update
$install
$install_release
enable-i386.sh"

check "every refresh and both installs fail" 99 no 1 \
    "installing: wine32:i386 xvfb
$(retry 1)
$(retry 2)
$(retry 3)
$gave_up
$from_release
$could_not" \
    "$update
$update
$update
$update
$install
$install_release"

check "a full refresh, then the install fails: nothing else to try" 0 release 1 \
    "installing: wine32:i386 xvfb
$could_not" \
    "$update
$install"

exit "$failed"
