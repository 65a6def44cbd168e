#!/bin/sh
# Runs a window test on an X server of its own, so that window tests can run side by side: each
# has its own keyboard focus, its own pointer and its own screen, and none takes them from another.
dir=$(mktemp -d) || exit 1
fifo="$dir/display"
mkfifo "$fifo" || exit 1
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" 2>"$dir/xvfb.log" &
server=$!
read -r display <"$fifo"
if [ -z "$display" ]; then
  cat "$dir/xvfb.log" >&2
  kill "$server" 2>/dev/null
  rm -rf "$dir"
  exit 1
fi
DISPLAY=":$display" "$@"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
rm -rf "$dir"
exit $status
