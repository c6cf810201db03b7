#!/usr/bin/env bash
# run_with_retries.sh ATTEMPTS SECONDS COMMAND...: runs COMMAND until it succeeds, at most ATTEMPTS
# times, each bounded by SECONDS. The browser engine, started under a fresh X server on a loaded
# machine, now and then never gets going; a second start is the engine's cure. Only an attempt
# that ran out of time is tried again: any other failure (a page that loads wrongly) ends the run
# at once with its own status.
set -u
attempts=$1 seconds=$2
shift 2
status=1
for ((attempt = 1; attempt <= attempts; attempt++)); do
  # Its own process group, so that a hung attempt goes with the X server and the engine's helpers.
  setsid "$@" &
  pid=$!
  for ((tick = 0; tick < seconds * 10; tick++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL -- "-$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    echo "run_with_retries: attempt $attempt did not finish within ${seconds} s" >&2
    status=124
    continue
  fi
  wait "$pid"
  status=$?
  [ "$status" -eq 124 ] || exit "$status"
  echo "run_with_retries: attempt $attempt ended with status 124 (time-out)" >&2
done
exit "$status"
