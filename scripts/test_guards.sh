# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scripts that run the tests. Belt and braces: every test already shadows the
# restart command itself, but should one forget, the commands that could restart this machine
# resolve to harmless stubs in the directory given; likewise no test can reach logind to hold
# off this machine's sleep.
guard_test_environment() { # stub directory
    local stubs=$1 cmd
    mkdir -p "$stubs"
    for cmd in systemd-run shutdown reboot poweroff halt systemctl; do
        printf '#!/bin/sh\necho "blocked during tests: %s $*" >&2\n' "$cmd" > "$stubs/$cmd"
        chmod +x "$stubs/$cmd"
    done
    export PATH="$stubs:$PATH"
    export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/vantu-test-bus
}
