#!/usr/bin/env bash
# Opens the demo's HTML reports in headless Chromium (see report_in_chromium.js).
# Usage: report_in_chromium.sh ZKOPT WORK_DIR. Exit 77 (skipped) only when chromium is missing.
set -euo pipefail
if ! command -v chromium >/dev/null 2>&1; then
  echo "SKIPPED: chromium is not installed (scripts/setup installs Debian's chromium)"
  exit 77
fi
exec node "$(dirname "$0")/report_in_chromium.js" "$@"
