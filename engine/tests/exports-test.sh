#!/bin/bash
# The shared library exports exactly the functions that ravlin.h declares, each in the version
# node RAVLIN_1, and nothing else.
# Usage: exports-test.sh LIBRARY HEADER
set -u
declared=$(grep -oE '^[a-z][a-z_ *]* \**ravlin_[a-z_]+\(' "$2" | sed -E 's/.*(ravlin_[a-z_]+)\(/\1/' | sort)
exported=$(nm -D --defined-only "$1" | awk '$3 != "RAVLIN_1" {print $3}' | sort)
expected=$(sed 's/$/@@RAVLIN_1/' <<<"$declared")
if [ "$exported" != "$expected" ]; then
  diff <(echo "$expected") <(echo "$exported")
  exit 1
fi
