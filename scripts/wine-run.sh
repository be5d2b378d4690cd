#!/bin/bash
# Runs one Windows program under Wine with the project's environment; CTest
# uses it as the emulator for every Windows test executable.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
quorlan_start_display
quorlan_init_prefix
exec wine "$@"
