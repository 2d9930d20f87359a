#!/bin/sh
# Runs a Qt Test program under Wine and prints its report: there the report does not reach a
# redirected stdout, while a file receives it whole. The exit status is the program's.
report=$(mktemp)
"${TESSEL_WINE:-wine}" "$@" -o "$(winepath -w "$report"),txt"
status=$?
cat "$report"
rm -f "$report"
exit $status
