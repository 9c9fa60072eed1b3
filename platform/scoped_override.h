// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The shape of every test seam over a module-level value: set it for a scope, then put back
// what was there before.

/// Holds `slot` at `value` until the guard ends, then restores the value it found.
template <typename T>
class ScopedOverride {
public:
    ScopedOverride(T& slot, T value) : slot_(slot), previous_(slot) { slot_ = value; }
    ~ScopedOverride() { slot_ = previous_; }
    ScopedOverride(const ScopedOverride&) = delete;
    ScopedOverride& operator=(const ScopedOverride&) = delete;

private:
    T& slot_;
    T previous_;
};
