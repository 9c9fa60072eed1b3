// SPDX-License-Identifier: GPL-3.0-or-later
// The command-line definition: what each argument list asks for, and where the EC is
// found from the defaults, a settings file and the options.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "cli/command_line.h"
#include "cli/ec_setup.h"

namespace {

// Parses `args` as the program would; empty text when they parse, else CLI11's error.
std::string Parse(std::vector<std::string> args, CliRequest& request) {
    CLI::App app{"", kProgramName};
    DefineCommandLine(app, request);
    std::vector<char*> argv = {const_cast<char*>(kProgramName)};
    for (std::string& arg : args) argv.push_back(arg.data());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& error) {
        return error.what();
    }
    return {};
}

TEST(CommandLine, HexNumbersTakeBareDigitsOrAPrefix) {
    const std::pair<const char*, std::optional<int64_t>> cases[] = {
        {"3F0", 0x3F0},   {"0x3f0", 0x3F0}, {"0X62", 0x62},         {"0", 0},          {"FFFFFFFF", 0xFFFFFFFF},
        {"", std::nullopt}, {"0x", std::nullopt}, {"3G0", std::nullopt}, {"-1", std::nullopt},
        {"123456789", std::nullopt}, {" 3F0", std::nullopt},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(ParseHexNumber(text), value) << "'" << text << "'";
}

TEST(CommandLine, CommonOptionsGoBeforeOrAfterTheCommand) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--port", "62", "--sio", "4E", "--json", "probe"},
          std::vector<std::string>{"probe", "--port", "62", "--sio", "4e", "--json"}}) {
        CliRequest request;
        ASSERT_EQ(Parse(args, request), "");
        EXPECT_EQ(request.command, CliCommand::Probe);
        EXPECT_EQ(request.port, "62");
        EXPECT_EQ(request.sio_index_port, 0x4E);
        EXPECT_TRUE(request.json);
    }
}

TEST(CommandLine, EachCommandTakesItsOwnArguments) {
    CliRequest write;
    ASSERT_EQ(Parse({"write", "--only-changed", "--no-backup", "-y", "EC.bin"}, write), "");
    EXPECT_EQ(write.command, CliCommand::Write);
    EXPECT_EQ(write.file, "EC.bin");
    EXPECT_TRUE(write.only_changed && write.no_backup && write.yes);

    CliRequest read;
    ASSERT_EQ(Parse({"read", "--size", "4M", "out.bin"}, read), "");
    EXPECT_EQ(read.size, 4u << 20);
    CliRequest sizes;
    ASSERT_EQ(Parse({"sum", "--rom", "--size", "0x10000"}, sizes), "");
    EXPECT_EQ(sizes.size, 65536u);
    EXPECT_TRUE(sizes.rom);

    const std::pair<std::vector<std::string>, const char*> refused[] = {
        {{"read"}, "FILE is required"},
        {{"write"}, "IMAGE is required"},
        {{"read", "--size", "96K", "x"}, "not a multiple of 64 KB"},
        {{"read", "--size", "32M", "x"}, "more than the 16 MiB"},
        {{"read", "--size", "lots", "x"}, "--size"},
        {{"probe", "--only-changed"}, "--only-changed"},
        {{"--bram-bank", "2", "probe"}, "--bram-bank"},
    };
    for (const auto& [args, says] : refused) {
        CliRequest request;
        EXPECT_NE(Parse(args, request).find(says), std::string::npos) << args.front() << ": " << Parse(args, request);
    }
}

TEST(EcSetup, DefaultsAreThoseOfAMissingSettingsFile) {
    CliRequest request;
    EcSetup setup;
    std::string error;
    ASSERT_TRUE(ResolveEcSetup(request, setup, error));
    EXPECT_EQ(setup.data_port, 0x3F0);
    EXPECT_EQ(setup.command_port(), 0x3F4);
    EXPECT_EQ(setup.sio_index_port, 0x2E);
    EXPECT_EQ(setup.bram_bank, 0);
    EXPECT_EQ(setup.end_cmd, 0xFE);  // the settings template's end command, not the 0 of a missing file
    EXPECT_EQ(setup.settings, UiSettings{});
    EXPECT_EQ(EcSetupRefusal(setup), "");
}

TEST(EcSetup, ASettingsFileGivesTheDefaultsAndOptionsWin) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("vantu-cli-setup-" + std::to_string(::getpid()) + ".ini");
    std::ofstream(file, std::ios::binary)
        << "[Info]\r\nACPI PORT=0x62\r\nFW VERSION SHOW=1\r\nHEX DISPLAY=0\r\nRead Method=1\r\nIO=1\r\n"
           "BRAM BANK=1\r\nRead BYTES=0\r\nBRAM Start index=0x10\r\nFlashEnd CMD=0xFE\r\nAutoFlash=0\r\n"
           "Warring Show=0\r\nSilentRun=0\r\nBinName=EC\r\nShutdown=0\r\nEND";
    CliRequest request;
    request.settings_file = file.string();
    EcSetup setup;
    std::string error;
    ASSERT_TRUE(ResolveEcSetup(request, setup, error)) << error;
    EXPECT_EQ(setup.data_port, 0x62);
    EXPECT_EQ(setup.sio_index_port, 0x4E);
    EXPECT_EQ(setup.bram_bank, 1);
    EXPECT_EQ(setup.end_cmd, 0xFE);
    EXPECT_EQ(setup.settings.BramStartIndex, 0x10);

    request.port = "3F0";
    request.sio_index_port = 0x2E;
    request.bram_bank = 0;
    request.end_cmd = "fc";
    ASSERT_TRUE(ResolveEcSetup(request, setup, error));
    EXPECT_EQ(setup.data_port, 0x3F0);
    EXPECT_EQ(setup.sio_index_port, 0x2E);
    EXPECT_EQ(setup.bram_bank, 0);
    EXPECT_EQ(setup.end_cmd, 0xFC);

    std::ofstream(file, std::ios::binary) << "[Info]\r\nACPI PORT=zz\r\n";
    EXPECT_FALSE(ResolveEcSetup(request, setup, error));
    EXPECT_NE(error.find("'zz' is not a valid integer value"), std::string::npos) << error;
    std::filesystem::remove(file);
}

EcSetup SetupAt(int64_t data_port, int64_t end_cmd) {
    EcSetup setup;
    setup.data_port = data_port;
    setup.end_cmd = end_cmd;
    return setup;
}

TEST(EcSetup, PortsAndEndCommandsThatCannotWorkAreRefused) {
    const std::pair<EcSetup, const char*> cases[] = {
        {SetupAt(0, 0), "EC data port 0 out of range"},
        {SetupAt(-1, 0), "EC data port FFFFFFFF out of range"},
        {SetupAt(0x10000, 0), "EC data port 10000 out of range"},
        {SetupAt(0xFFFC, 0), "EC command port 10000 (data port + 4) out of range"},
        {SetupAt(0x3F0, 0x01), "end command 1 is a follow-mode command"},
        {SetupAt(0x3F0, 0x05), "end command 5 is a follow-mode command"},
        {SetupAt(0x3F0, 0x103), "end command 3 is a follow-mode command"},  // only the low byte is sent
    };
    for (const auto& [setup, says] : cases) EXPECT_NE(EcSetupRefusal(setup).find(says), std::string::npos) << says;
    for (const EcSetup& fine : {SetupAt(0xFFFB, 0), SetupAt(1, 0), SetupAt(0x3F0, 0x06), SetupAt(0x3F0, 0xFE),
                                SetupAt(0x3F0, 0x100)})
        EXPECT_EQ(EcSetupRefusal(fine), "");
}

}  // namespace
