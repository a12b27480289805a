#!/usr/bin/env bash
# Fails when one of the model's libraries calls an elementary function of the C
# library (sin, log, pow, hypot...): those differ between C libraries and
# releases, while the model's own (core/elementary.h) give the same bits
# everywhere. Usage: model-symbols.sh LIBRARY.a...
set -euo pipefail
pattern='^(sin|cos|tan|sincos|asin|acos|atan|atan2|sinh|cosh|tanh|asinh|acosh|atanh|exp|exp2|exp10|expm1|log|log2|log10|log1p|pow|hypot|cbrt|erf|erfc|lgamma|tgamma)[fl]?(_finite)?$'
status=0
for library in "$@"; do
  # Undefined symbols, each object's; an LTO object shows them through nm's plugin.
  calls=$(nm -u --format=posix "$library" | awk '{print $1}' | sed 's/@.*//' | sed 's/^__//' | grep -E "$pattern" | sort -u || true)
  if [ -n "$calls" ]; then
    echo "$(basename "$library") calls the C library's $(echo $calls | sed 's/ /, /g'): use core/elementary.h"
    status=1
  fi
done
[ $status -eq 0 ] && echo "the model's libraries call no elementary function of the C library ($#)"
exit $status
