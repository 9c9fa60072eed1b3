// SPDX-License-Identifier: GPL-3.0-or-later
// The manual page, --help and docs/command-line.md say what the program does: every command, option,
// exit status and JSON field, from the same tables the program uses.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "cli/command_line.h"
#include "cli/exit_status.h"
#include "cli/json_fields.h"
#include "cli/man_page.h"
#include "cli/names.h"
#include "cli/progress_view.h"

namespace {

std::string ManPageText() {
    CLI::App app{"", kProgramName};
    CliRequest request;
    DefineCommandLine(app, request);
    return ManPage(app);
}

std::string CommandLineDoc() {
    std::ifstream in(COMMAND_LINE_DOC_PATH);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(CliDocs, ManPageNamesEveryCommandOptionStatusAndField) {
    const std::string page = ManPageText();
    CLI::App app{"", kProgramName};
    CliRequest request;
    DefineCommandLine(app, request);
    for (const CLI::App* command : app.get_subcommands({})) {
        EXPECT_NE(page.find("\\fB" + command->get_name() + "\\fR"), std::string::npos) << command->get_name();
        for (const CLI::Option* option : command->get_options())
            for (const std::string& name : option->get_lnames())
                EXPECT_NE(page.find("\\-\\-" + RoffText(name)), std::string::npos) << name;
    }
    for (const CLI::Option* option : app.get_options())
        for (const std::string& name : option->get_lnames())
            EXPECT_NE(page.find("\\-\\-" + RoffText(name)), std::string::npos) << name;
    for (const ExitStatusDoc& doc : ExitStatusDocs()) EXPECT_NE(page.find(RoffText(doc.meaning)), std::string::npos);
    for (const JsonFieldDoc& doc : JsonFieldDocs())
        EXPECT_NE(page.find("\\fB" + RoffText(doc.field) + "\\fR (" + RoffText(doc.type) + ")"), std::string::npos)
            << doc.field;
    EXPECT_EQ(page.rfind(".TH VANTU\\-CLI 1", 0), 0u);
}

TEST(CliDocs, RoffTextKeepsRoffOutOfTheWords) {
    EXPECT_EQ(RoffText("a-b"), "a\\-b");
    EXPECT_EQ(RoffText("C:\\x"), "C:\\ex");
    EXPECT_EQ(RoffText(".bin files"), "\\&.bin files");
    EXPECT_EQ(RoffText("'quoted'"), "\\&'quoted'");
    EXPECT_EQ(RoffText("plain"), "plain");
}

TEST(CliDocs, CommandLineDocGivesEveryExitStatusAndCommand) {
    const std::string doc_text = CommandLineDoc();
    ASSERT_NE(doc_text.find("# Command line"), std::string::npos);
    for (const ExitStatusDoc& doc : ExitStatusDocs())
        EXPECT_NE(doc_text.find("| " + std::to_string(AsInt(doc.status)) + " | " + doc.meaning + " |"), std::string::npos)
            << doc.meaning;
    for (const char* command : {"vantu-cli probe", "vantu-cli read", "vantu-cli write", "vantu-cli verify",
                                "vantu-cli sum"})
        EXPECT_NE(doc_text.find(command), std::string::npos) << command;
}

TEST(CliDocs, JsonFieldsAreDocumentedForEveryStep) {
    for (int step = 0; step <= static_cast<int>(FlashStep::Ended); ++step)
        EXPECT_TRUE(JsonFieldDocumented("write", StepName(static_cast<FlashStep>(step)), "bytes_done"));
    EXPECT_FALSE(JsonFieldDocumented("write", "chunk_started", "sum"));
    EXPECT_TRUE(JsonFieldDocumented("read", "result", "sum"));
    EXPECT_FALSE(JsonFieldDocumented("probe", "result", "sum"));
}

TEST(CliProgress, LinesShowChunkPhaseBytesAndTimeLeft) {
    EXPECT_EQ(ProgressLine({"erasing", 0, 64, 0, 4194304}, std::nullopt), "chunk 1/64  erasing  0/4194304 bytes");
    EXPECT_EQ(ProgressLine({"verified", 64, 64, 4194304, 4194304}, 0), "chunk 64/64  verified  4194304/4194304 bytes  0:00 left");
    EXPECT_EQ(ProgressLine({"reading the flash", 0, 0, 0, 0}, std::nullopt), "reading the flash");
    EXPECT_EQ(ProgressLine({"x", 1, 4, 1, 4}, 125), "chunk 2/4  x  1/4 bytes  2:05 left");

    EXPECT_EQ(SecondsLeft(0, 64, 5000), std::nullopt);       // nothing done yet: unknown
    EXPECT_EQ(SecondsLeft(1, 4, 2000), 6u);                  // 3 more at 2 s each
    EXPECT_EQ(SecondsLeft(3, 4, 1000), 1u);                  // a part second shows as one
    EXPECT_EQ(SecondsLeft(4, 4, 9000), 0u);
    EXPECT_EQ(SecondsLeft(5, 4, 9000), std::nullopt);
}

}  // namespace
