#!/bin/sh
# Runs a command in a network namespace of its own, so that nothing the tool
# does under test can reach a real network: the namespace has only its own
# loopback interface, which carries the unit addresses the tests use. Every
# other address is unreachable there. Needs root (unshare --net).
#
#   sh tools/in-test-netns.sh COMMAND [ARG...]   run COMMAND inside one
#   sh tools/in-test-netns.sh --check            exit 1 unless already inside one
set -eu

# The unit addresses of the test cases, served or not by the tests' own HTTP
# server. Keep in step with tests/e2e/support.py (UNIT_ADDRESSES).
addresses="192.168.1.1 192.168.1.10 192.168.10.200 10.0.0.254 10.1.2.3 10.9.9.9 192.168.1.20 192.168.1.21 192.168.1.22 192.168.1.23 192.168.1.24 192.168.1.30"

# Inside such a namespace the only interface is the loopback one.
only_loopback() {
    [ -r /proc/self/net/dev ] || return 1
    others=$(tail -n +3 /proc/self/net/dev | cut -d: -f1 | tr -d ' ' | grep -vx lo || true)
    [ -z "$others" ]
}

case "${1:-}" in
    --check)
        if only_loopback; then exit 0; fi
        echo "Refusing to run: this must run inside the tests' network namespace" >&2
        echo "(sh tools/in-test-netns.sh ...); here the tool could reach a real network." >&2
        exit 1
        ;;
    "")
        echo "usage: sh tools/in-test-netns.sh COMMAND [ARG...] | --check" >&2
        exit 2
        ;;
esac

if [ "${TAVRIN_NETNS_SETUP:-}" != 1 ]; then
    # Run this script again in a new namespace; it sets the namespace up there.
    exec env TAVRIN_NETNS_SETUP=1 unshare --net sh "$0" "$@"
fi
unset TAVRIN_NETNS_SETUP
only_loopback || { echo "unshare --net gave no namespace of our own" >&2; exit 1; }
ip link set lo up
for address in $addresses; do
    ip addr add "$address/32" dev lo
done
exec "$@"
