// SPDX-License-Identifier: GPL-3.0-or-later
// The names vantu-cli prints for the engine's values. The JSON names are a contract with scripts
// and stored results, so every one is pinned here; the words must tell the values apart.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "cli/names.h"

namespace {

// `json` holds every value's JSON name in declaration order; the value after the last has none.
template <typename Enum>
void ExpectNames(const std::vector<std::string>& json, const char* (*name)(Enum), const char* (*words)(Enum)) {
    std::set<std::string> names, said;
    for (std::size_t i = 0; i < json.size(); ++i) {
        const auto value = static_cast<Enum>(i);
        EXPECT_EQ(name(value), json[i]);
        EXPECT_TRUE(names.insert(name(value)).second) << name(value);
        EXPECT_TRUE(*words(value) != '\0' && said.insert(words(value)).second) << '"' << words(value) << '"';
    }
    EXPECT_STREQ(name(static_cast<Enum>(json.size())), "unknown") << "a new value needs its pinned name";
}

TEST(CliNames, Steps) {
    ExpectNames<FlashStep>({"follow_mode_entered", "identifying", "run_started", "backed_up", "chunk_started",
                            "comparing", "chunk_unchanged", "erasing", "blank_checking", "programming", "verifying",
                            "chunk_done", "verified", "sums_compared", "ended"},
                           StepName, StepWords);
}

TEST(CliNames, Outcomes) {
    ExpectNames<FlashOutcome>({"image_too_large", "image_size_unknown", "image_unreadable", "no_memory",
                               "low_battery", "no_ec_answer", "session_busy", "no_acknowledge", "nothing_to_flash",
                               "image_larger_than_chip", "backup_failed", "blank_check_failed", "verify_failed",
                               "ec_timed_out", "chip_timed_out", "checksum_mismatch", "passed"},
                              OutcomeName, FlashOutcomeName);
}

TEST(CliNames, EraseKinds) {
    ExpectNames<EraseKind>({"sector_1k_d7", "block_52_pair", "block_d8_pair", "block_d8_triple"}, EraseKindName,
                           EraseKindWords);
}

TEST(CliNames, ProgramAlgorithms) {
    ExpectNames<ProgramAlgorithm>({"page256", "page32", "aai_byte", "aai_word"}, ProgramAlgorithmName,
                                  ProgramAlgorithmWords);
}

}  // namespace
