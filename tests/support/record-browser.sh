#!/bin/sh
# Stand-in browser for the tests: records the address it was asked to open.
printf '%s\n' "$1" >> "${ORVANTA_BROWSER_LOG:?}"
