# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scripts that run the tests. Belt and braces: every test already shadows the
# restart command itself, but should one forget, the commands that could restart this machine
# resolve to harmless stubs in the directory given; likewise no test can reach logind to hold
# off this machine's sleep. The machine-wide lock of a real flash is noted as it is, and
# machine_lock_untouched fails the run when a test took it instead of a lock file of its own.
vantu_machine_lock=/run/lock/vantu.lock
guard_test_environment() { # stub directory
    local stubs=$1 cmd
    mkdir -p "$stubs"
    for cmd in systemd-run shutdown reboot poweroff halt systemctl; do
        printf '#!/bin/sh\necho "blocked during tests: %s $*" >&2\n' "$cmd" > "$stubs/$cmd"
        chmod +x "$stubs/$cmd"
    done
    export PATH="$stubs:$PATH"
    export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/vantu-test-bus
    vantu_machine_lock_before=$(stat -c %i.%Y "$vantu_machine_lock" 2>/dev/null || echo none)
}
machine_lock_untouched() {
    local now
    now=$(stat -c %i.%Y "$vantu_machine_lock" 2>/dev/null || echo none)
    [ "$now" = "$vantu_machine_lock_before" ] && return 0
    echo "a test took the machine-wide lock $vantu_machine_lock: every test program must take a lock file of its own" >&2
    return 1
}
