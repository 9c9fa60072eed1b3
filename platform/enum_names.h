// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The names of an enum's values as data: one row per value in declaration order, holding the
// snake_case name that JSON and scripts carry and the words a person reads. A value is looked up
// by its index, so a table that misses or reorders a value must fail to compile (OneRowPerValue).

#include <cstddef>

template <typename Enum>
struct EnumNames {
    Enum value;
    const char* name;
    const char* words;
};

/// True when the table holds exactly one row for every value up to `last`, row i naming value i.
template <typename Enum, std::size_t N>
constexpr bool OneRowPerValue(const EnumNames<Enum> (&rows)[N], Enum last) {
    if (N != static_cast<std::size_t>(last) + 1) return false;
    for (std::size_t i = 0; i < N; ++i)
        if (static_cast<std::size_t>(rows[i].value) != i) return false;
    return true;
}

/// The row of `value`; a value outside the table (a cast from a stray number) reads "unknown".
template <typename Enum, std::size_t N>
constexpr EnumNames<Enum> RowOf(const EnumNames<Enum> (&rows)[N], Enum value) {
    const auto index = static_cast<std::size_t>(value);
    return index < N ? rows[index] : EnumNames<Enum>{value, "unknown", "unknown"};
}
