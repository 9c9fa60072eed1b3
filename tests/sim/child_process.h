// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs a function in a forked child that ends through exit(), as a program would, and
// reports its exit status (-1 when it did not exit normally or ran past 30 s).

#include <functional>

namespace simtest {

int RunInChild(const std::function<int()>& body);

}  // namespace simtest
