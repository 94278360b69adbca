#!/bin/sh
# A stand-in sendmail program for tests. It keeps what it was given:
#   $FAKE_SENDMAIL_DIR/args   its arguments, one per line
#   $FAKE_SENDMAIL_DIR/input  its standard input, byte for byte
# and exits with $FAKE_SENDMAIL_STATUS (0 when unset).
set -eu
dir=${FAKE_SENDMAIL_DIR:?FAKE_SENDMAIL_DIR must name a folder}
printf '%s\n' "$@" > "$dir/args"
cat > "$dir/input"
exit "${FAKE_SENDMAIL_STATUS:-0}"
