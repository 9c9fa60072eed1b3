// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/man_page.h"

#include <map>
#include <vector>

#include "cli/command_line.h"
#include "cli/exit_status.h"
#include "cli/json_fields.h"
#include "cli/names.h"

namespace {

std::string OptionTerm(const CLI::Option& option) {
    std::string term;
    if (option.get_positional()) return "\\fI" + RoffText(option.get_name()) + "\\fR";
    for (const std::string& name : option.get_lnames()) term += (term.empty() ? "" : ", ") + ("\\fB\\-\\-" + RoffText(name) + "\\fR");
    for (const std::string& name : option.get_snames()) term += ", \\fB\\-" + RoffText(name) + "\\fR";
    if (option.get_type_size() != 0 && !option.get_type_name().empty())
        term += " \\fI" + RoffText(option.get_type_name()) + "\\fR";
    return term;
}

void AddOptions(std::string& page, const CLI::App& app, bool positional) {
    for (const CLI::Option* option : app.get_options()) {
        if (option->get_positional() != positional) continue;
        if (option->get_name() == "--help" || option->get_description().empty()) continue;
        page += ".TP\n" + OptionTerm(*option) + "\n" + RoffText(option->get_description()) + ".\n";
    }
}

std::string Synopsis(const CLI::App& command) {
    std::string line = ".B " + std::string(kProgramName) + "\n[\\fIOPTIONS\\fR] \\fB" + command.get_name() + "\\fR";
    for (const CLI::Option* option : command.get_options()) {
        if (option->get_name() == "--help") continue;
        std::string term = option->get_positional() ? "\\fI" + RoffText(option->get_name()) + "\\fR"
                                                    : OptionTerm(*option);
        line += " " + (option->get_required() ? term : "[" + term + "]");
    }
    return line + "\n.br\n";
}

// The events of a write, named after the flash run's steps in the order they come.
std::string StepList() {
    std::string text = "One per step of the flash run, named";
    for (int step = 0; step <= static_cast<int>(FlashStep::Ended); ++step)
        text += std::string(step == 0 ? " " : ", ") + StepName(static_cast<FlashStep>(step));
    return text + ".";
}

// Every outcome a write can end with, as its result names it.
std::string OutcomeList() {
    std::string text = "The result's outcome is one of";
    for (int outcome = 0; outcome <= static_cast<int>(FlashOutcome::Passed); ++outcome)
        text += std::string(outcome == 0 ? " " : ", ") + OutcomeName(static_cast<FlashOutcome>(outcome));
    return text + ".";
}

void AddJsonFields(std::string& page) {
    std::vector<std::string> contexts;
    std::map<std::string, std::vector<const JsonFieldDoc*>> by_context;
    for (const JsonFieldDoc& doc : JsonFieldDocs()) {
        if (by_context[doc.context].empty()) contexts.push_back(doc.context);
        by_context[doc.context].push_back(&doc);
    }
    for (const std::string& context : contexts) {
        std::string heading = context == "*"      ? "Every object"
                              : context == "step" ? "Events of a write"
                              : context == "result" ? "The result object (the last line)"
                              : context.rfind("result ", 0) == 0 ? "Result of " + context.substr(7)
                                                                 : "Event \"" + context + "\"";
        page += ".SS " + RoffText(heading) + "\n";
        if (context == "step") page += RoffText(StepList()) + "\n";
        if (context == "result write") page += RoffText(OutcomeList()) + "\n";
        for (const JsonFieldDoc* doc : by_context[context])
            page += ".TP\n\\fB" + RoffText(doc->field) + "\\fR (" + RoffText(doc->type) + ")\n" + RoffText(doc->meaning) + ".\n";
    }
}

}  // namespace

std::string RoffText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

std::string ManPage(const CLI::App& app) {
    std::string page;
    page += ".TH VANTU\\-CLI 1 \"\" \"vantu " VANTU_VERSION "\" \"User Commands\"\n";
    // Names of steps and fields are copied into scripts: never hyphenated.
    page += ".nh\n";
    page += ".SH NAME\nvantu\\-cli \\- flash, read and check the firmware of a PC embedded controller\n";
    page += ".SH SYNOPSIS\n";
    for (const CLI::App* command : app.get_subcommands({})) page += Synopsis(*command);
    page += ".SH DESCRIPTION\n" + RoffText(app.get_description()) + "\n.PP\n" +
            RoffText("The same engine, checks and port library as the Vantu window: the port library "
                     "libinpout32.so is loaded by name through the normal library search. Progress goes to "
                     "standard error (one line rewritten in place on a terminal, plain lines otherwise); the "
                     "summary, or with --json one JSON object per line, goes to standard output.") +
            "\n.PP\n" +
            RoffText("An EC left in follow mode runs no firmware. Every signal whose default ends the program "
                     "(SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF) is "
                     "therefore held while a command works with the EC: read and verify stop at the next chunk "
                     "and release the EC, a write finishes; then the program ends as the signal asked. SIGPIPE "
                     "and SIGXFSZ are ignored: output into a closed pipe or a full file fails without ending the "
                     "program. One program at a time works with the EC; a second is refused with the holder's "
                     "name, process id and start time. A write ends follow mode with FE unless --end-cmd or "
                     "--settings names another end command.") +
            "\n";

    page += ".SH COMMANDS\n";
    for (const CLI::App* command : app.get_subcommands({})) {
        page += ".TP\n\\fB" + command->get_name() + "\\fR\n" + RoffText(command->get_description()) + ".\n";
        std::string options;
        AddOptions(options, *command, true);
        AddOptions(options, *command, false);
        if (!options.empty()) page += ".RS\n" + options + ".RE\n";
    }

    page += ".SH OPTIONS\nThese go before or after the command.\n";
    AddOptions(page, app, false);
    page += ".TP\n\\fB\\-\\-help\\fR\nThe commands and options, or with a command its own options.\n";

    page += ".SH JSON OUTPUT\n" +
            RoffText("With --json every line on standard output is one JSON object. A command prints its events "
                     "as they happen and ends with one result object whose \"event\" is \"result\". Numbers are "
                     "plain decimal; sums are unsigned 32-bit.") +
            "\n";
    AddJsonFields(page);

    page += ".SH EXIT STATUS\n";
    for (const ExitStatusDoc& doc : ExitStatusDocs())
        page += ".TP\n\\fB" + std::to_string(AsInt(doc.status)) + "\\fR\n" + RoffText(doc.meaning) + ".\n";

    page += ".SH ENVIRONMENT\n.TP\n\\fBLD_LIBRARY_PATH\\fR\n" +
            RoffText("Searched for libinpout32.so before the installed library: point it at a simulated "
                     "library to rehearse on a simulated EC.") +
            "\n.TP\n\\fBVANTU_SIM_CONFIG\\fR\n" +
            RoffText("The simulated library's configuration file (chip, flash file, faults).") + "\n";
    page += ".SH FILES\n.TP\n\\fBLoadRom.bin\\fR\n" +
            RoffText("sum --rom: the flash bytes read, in the working directory.") + "\n";
    page += ".SH EXAMPLES\n.nf\n" + RoffText("vantu-cli probe") + "\n" +
            RoffText("vantu-cli --port 62 read backup.bin") + "\n" + RoffText("vantu-cli write --only-changed EC.bin") +
            "\n" + RoffText("vantu-cli --json --yes write EC.bin > run.jsonl") + "\n" + RoffText("vantu-cli verify EC.bin") +
            "\n.fi\n";
    page += ".SH SEE ALSO\n\\fBvantu\\fR(1)\n";
    return page;
}
