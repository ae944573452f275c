#!/bin/bash
# run-real-gateway-test.sh CHECK_PROGRAM IGD_VERSION
# Brings up the namespace gateway lab with the given description version (1 or
# 2), runs CHECK_PROGRAM inside its LAN namespace, and takes the lab down again
# whatever happens. Exits 77 (skipped) when not run as root.
set -uo pipefail
if [ "$(id -u)" != 0 ]; then
    echo "SKIPPED: the real-gateway test needs root for its network namespaces (run scripts/test as root)"
    exit 77
fi
check=$1
version=$2
here=$(cd "$(dirname "$0")" && pwd)
export LAB=${LAB:-kvigd-test}
trap '"$here/igd-lab.sh" down' EXIT
"$here/igd-lab.sh" up "$version" || exit 1
"$here/igd-lab.sh" lan env KELVANE_IGD_NETNS="$LAB-lan" KELVANE_IGD_VERSION="$version" \
    QT_QPA_PLATFORM=offscreen "$check"
