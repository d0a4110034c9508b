#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian package that `make deb` built in BUILD_DIR (default build) on this
# machine, runs the installed programs from /usr/bin (--help and --version, a short record
# on the installed simulated card, its header), and removes the package again, also when a
# step fails. For CI; needs root or sudo, and refuses to run where tessary is installed
# already, which it would remove.
set -euo pipefail

build=${1:-build}
shopt -s nullglob
debs=("$build"/tessary_*.deb)
if [ ${#debs[@]} -ne 1 ]; then
    echo "$0: expected one tessary_*.deb in $build, found ${#debs[@]}; run 'make deb'" >&2
    exit 1
fi
deb=$(realpath "${debs[0]}")
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
if dpkg-query -W -f='${Status}' tessary 2>/dev/null | grep -q "install ok installed"; then
    echo "$0: tessary is installed on this machine already; not touching it" >&2
    exit 1
fi

work=$(mktemp -d)
cleanup() {
    status=$?
    echo "== removing the package"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tessary || status=1
    if [ -e /usr/bin/tessary-cli ] || [ -e /usr/bin/tessary ]; then
        echo "$0: the programs are still in /usr/bin after removal" >&2
        status=1
    fi
    rm -rf "$work"
    exit $status
}
trap cleanup EXIT

echo "== installing $deb"
# Recommends (fonts, numpy) are left out so that the check needs no package download.
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb"
test "$(command -v tessary-cli)" = /usr/bin/tessary-cli

echo "== the installed programs"
/usr/bin/tessary-cli --help >/dev/null
/usr/bin/tessary-cli --version
/usr/bin/tessary --version >/dev/null
/usr/bin/tessary --help >/dev/null

echo "== a short record from /usr/bin"
mkdir -p "$work/home"
cd "$work"
printf '%s\r\n' '[Parameters]' 'Wait Time=0' 'Iteration=2' 'BurstInterval=0' \
    'Burst Time Unit=0' 'Sampling Interval=1' 'Sampling Time Unit=1' 'Number Of Data=50' \
    'Number of Channels=1' '[Ch1]' 'Item=Ch.1' 'Scale=mV' 'Coef A=1' 'Coef B=0' \
    '[Ch2]' 'Item=Ch.2' 'Scale=mV' 'Coef A=1' 'Coef B=0' '[File]' 'Save Name=run.sdf' >run.apm
HOME="$work/home" XDG_CONFIG_HOME="$work/config" /usr/bin/tessary-cli record run.apm --yes
/usr/bin/tessary-cli info run.sdf | tee info.txt
grep -q '^Iteration: *2$' info.txt
grep -q '^BlocksPresent: *2$' info.txt
echo "== package check passed"
