#!/bin/sh
# A stand-in sendmail program for tests. It keeps what it was given:
#   $FAKE_SENDMAIL_DIR/args   its arguments, one per line
#   $FAKE_SENDMAIL_DIR/input  its standard input, byte for byte
# and exits with $FAKE_SENDMAIL_STATUS (0 when unset).
# With FAKE_SENDMAIL_HANG set it hangs instead, as a wrapper whose helper never
# ends: it starts `sleep 300`, writes the helper's pid to $FAKE_SENDMAIL_DIR/helper.pid
# and waits for it.
set -eu
dir=${FAKE_SENDMAIL_DIR:?FAKE_SENDMAIL_DIR must name a folder}
printf '%s\n' "$@" > "$dir/args"
cat > "$dir/input"
if [ -n "${FAKE_SENDMAIL_HANG:-}" ]; then
    sleep 300 &
    echo $! > "$dir/helper.pid.part"
    mv "$dir/helper.pid.part" "$dir/helper.pid"
    wait
fi
exit "${FAKE_SENDMAIL_STATUS:-0}"
