// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every field of every JSON object vantu-cli prints, documented once: the manual page is made
// from this table, and the tests check that nothing is printed that is not in it.

#include <span>
#include <string>

struct JsonFieldDoc {
    // Where the field appears: "*" in every object, "step" in the events of a write, an event
    // name, or "result" (every result) and "result <command>" (that command's result).
    const char* context;
    const char* field;
    const char* type;
    const char* meaning;
};

std::span<const JsonFieldDoc> JsonFieldDocs();

/// True when `field` is documented for an object of `event` ("result" for the result) printed
/// by `command` ("write", ...).
bool JsonFieldDocumented(const std::string& command, const std::string& event, const std::string& field);
