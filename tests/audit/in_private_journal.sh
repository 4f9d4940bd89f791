#!/bin/sh
# Runs a command beside a systemd-journald of its own, in a mount namespace
# of its own: the records it writes go to that journald, never to the
# machine's journal, and journalctl inside reads them back.
#   in_private_journal.sh COMMAND [ARGUMENT ...]
# Ends with 77 (skipped) where that cannot be set up: not root, no journald.
set -eu
journald=/lib/systemd/systemd-journald
if [ "$(id -u)" -ne 0 ] || [ ! -x "$journald" ] || ! command -v unshare >/dev/null; then
  echo "in_private_journal: needs root, unshare and $journald; skipped" >&2
  exit 77
fi
if [ "${WARDCHECK_IN_PRIVATE_JOURNAL:-}" != 1 ]; then
  WARDCHECK_IN_PRIVATE_JOURNAL=1 exec unshare --mount --propagation private "$0" "$@"
fi
mount -t tmpfs tmpfs /run/systemd
mount -t tmpfs tmpfs /run/log
mkdir -p /run/systemd/journal
"$journald" >/dev/null 2>&1 &
journal=$!
trap 'kill $journal 2>/dev/null; wait $journal 2>/dev/null || true' EXIT
i=0
while [ ! -S /run/systemd/journal/socket ] && [ $i -lt 100 ]; do
  sleep 0.05
  i=$((i + 1))
done
[ -S /run/systemd/journal/socket ] || { echo "in_private_journal: journald did not start" >&2; exit 1; }
"$@"
