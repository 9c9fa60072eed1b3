// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/words.h"

#include <cstdio>

std::string HexText(uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

std::string SizeWords(uint64_t bytes) {
    if (bytes >= (1u << 20) && bytes % (1u << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
    if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " KB";
    return std::to_string(bytes) + " bytes";
}

std::string NoFollowModeText(const FollowModeReply& reply) {
    const std::string answer = reply.answered ? "answer " + HexText(reply.byte, 2) : "no answer";
    return "the EC did not enter follow mode (" + answer +
           ", 33 expected); the end command was sent, nothing else was done. Check --port, and run probe";
}
