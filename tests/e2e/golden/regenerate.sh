#!/bin/sh
# Rebuilds the golden reports of the regression guards (tests/e2e/golden_report_test.cpp): the
# output report and the output summary of examples/group3d.dat and examples/bent2d.dat, run with
# the clock pinned.
#
#   tests/e2e/golden/regenerate.sh [BUILD_FOLDER]     (default: build-test)
#
# The golden files only record what the engine printed; they are not known to be right. So every
# diff this script leaves must be read, line by line, before it is accepted and committed: a
# changed number or label is either the intended effect of the change at hand or a fault it
# brought in. `git diff tests/e2e/golden` shows it.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
build=${1:-build-test}
case $build in /*) ;; *) build=$root/$build ;; esac

cmake --build "$build" --target e2e_tests
STILT_GOLDEN_WRITE=1 "$build/tests/e2e/e2e_tests" --gtest_filter='GoldenReportRegressionGuard.*'
git -C "$root" status --short -- tests/e2e/golden
git -C "$root" diff --stat -- tests/e2e/golden
echo "Read the whole diff (git diff tests/e2e/golden) before accepting it."
