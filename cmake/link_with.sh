#!/bin/sh
# Link launcher: runs a program's link command with another compiler driver.
#   link_with.sh <driver> <original driver> <arguments...>
driver=$1
shift 2
exec "$driver" "$@"
