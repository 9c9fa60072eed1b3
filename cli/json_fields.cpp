// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/json_fields.h"

#include "cli/names.h"

namespace {

constexpr JsonFieldDoc kFields[] = {
    {"*", "event", "string", "what the object reports: a step name, \"identified\", \"read_chunk\", "
                             "\"compared_chunk\", or \"result\" for the last object"},

    {"step", "chunk", "number", "the chunk being worked on (0 for the first 64 KB)"},
    {"step", "chunks", "number", "chunks in the image"},
    {"step", "bytes_done", "number", "image bytes programmed so far, or found already in place"},
    {"step", "image_bytes", "number", "the image's length"},
    {"step", "chip_id", "string", "the flash chip's ID answer, 8 hexadecimal digits (from run_started on)"},
    {"step", "outcome", "string", "chunk_done and ended: the run's outcome as it stands (as in the result)"},

    {"backed_up", "backup", "string", "the file the flash was saved to before the first erase"},

    {"identified", "chip_id", "string", "the flash chip's ID answer, 8 hexadecimal digits"},
    {"identified", "legacy_id", "boolean", "the chip gave no JEDEC ID and answered the older ID read"},
    {"identified", "capacity", "number or null", "bytes the chip holds, from its ID; null when the ID does not say"},
    {"identified", "erase", "string", "erase variant: sector_1k_d7, block_52_pair, block_d8_pair, block_d8_triple"},
    {"identified", "program", "string", "programming algorithm: page256, page32, aai_byte, aai_word"},
    {"identified", "chunk_fixup", "boolean", "the status register is rewritten after every chunk"},

    {"read_chunk", "chunk", "number", "the chunk just read"},
    {"read_chunk", "chunks", "number", "chunks to read"},
    {"read_chunk", "bytes_done", "number", "bytes read so far"},

    {"compared_chunk", "chunk", "number", "the chunk just compared"},
    {"compared_chunk", "chunks", "number", "chunks in the image"},
    {"compared_chunk", "first_difference", "number or null", "flash address of the chunk's first byte unlike the "
                                                              "image (0xFF past the image end); null when it matches"},

    {"result", "command", "string", "probe, read, write, verify or sum"},
    {"result", "status", "number", "the exit status (see EXIT STATUS)"},
    {"result", "message", "string", "the summary a person reads, or what went wrong and what to do next"},

    {"result probe", "data_port", "number", "the EC data port used"},
    {"result probe", "command_port", "number", "the EC command and status port used"},
    {"result probe", "ec_answers", "boolean", "the EC took the acknowledge command"},
    {"result probe", "superio_chip_id", "string", "the Super I/O chip ID, 4 hexadecimal digits"},
    {"result probe", "chip_id", "string or null", "the flash chip's ID answer; null when follow mode was refused"},
    {"result probe", "legacy_id", "boolean", "as in identified"},
    {"result probe", "capacity", "number or null", "as in identified"},
    {"result probe", "erase", "string", "as in identified"},
    {"result probe", "program", "string", "as in identified"},
    {"result probe", "chunk_fixup", "boolean", "as in identified"},
    {"result probe", "follow_ack", "string or null", "the EC's answer to the follow-mode request, 2 hexadecimal digits (33: taken); null when none came"},
    {"result probe", "firmware_version", "string or null", "the running firmware's version text; null when the EC did "
                                                           "not answer"},

    {"result read", "file", "string", "the file written"},
    {"result read", "bytes", "number", "bytes read from address 0"},
    {"result read", "sum", "number", "32-bit byte sum of what was read"},

    {"result write", "image", "string", "the image flashed"},
    {"result write", "image_bytes", "number", "the image's length"},
    {"result write", "outcome", "string", "how the run ended (the names are listed above)"},
    {"result write", "chunks", "number", "chunks in the image"},
    {"result write", "chunks_written", "number", "chunks erased, programmed and verified"},
    {"result write", "chunks_unchanged", "number", "chunks left alone because they already held the image"},
    {"result write", "failing_chunk", "number or null", "the chunk the run stopped in"},
    {"result write", "dry_run", "boolean", "present and true for write --dry-run, whose result is the plan"},
    {"result write", "chunks_to_write", "array of numbers", "dry run: the chunks that would be erased and programmed"},
    {"result write", "bytes_to_write", "number", "dry run: image bytes in those chunks"},
    {"result write", "estimated_seconds", "number",
     "dry run: the time of that write (with --only-changed, backup read included) on real hardware"},
    {"result write", "bin_sum", "number", "32-bit byte sum of the image chunks (0xFF fill included)"},
    {"result write", "rom_sum", "number", "32-bit byte sum of what was read back"},
    {"result write", "backup", "string or null", "the backup of the flash taken before the first erase, or the "
                                                 "one that could not be written; null with --no-backup"},

    {"result verify", "image", "string", "the image compared"},
    {"result verify", "chunks", "number", "chunks compared"},
    {"result verify", "differences", "array", "one object {chunk, address} per differing chunk, address being "
                                              "the first differing flash address"},

    {"result sum", "source", "string", "image or rom"},
    {"result sum", "image", "string", "the image summed (source image)"},
    {"result sum", "bytes", "number", "bytes summed: whole 64 KB chunks"},
    {"result sum", "sum", "number", "the 32-bit byte sum"},
    {"result sum", "sum_text", "string", "the sum as the window shows it (signed decimal)"},
    {"result sum", "dump", "string", "source rom: the file the flash bytes were dumped to"},
};

bool IsStepName(const std::string& event) {
    for (int step = 0; step <= static_cast<int>(FlashStep::Ended); ++step)
        if (event == StepName(static_cast<FlashStep>(step))) return true;
    return false;
}

}  // namespace

std::span<const JsonFieldDoc> JsonFieldDocs() { return kFields; }

bool JsonFieldDocumented(const std::string& command, const std::string& event, const std::string& field) {
    for (const JsonFieldDoc& doc : kFields) {
        if (field != doc.field) continue;
        const std::string context = doc.context;
        if (context == "*" || context == event || (context == "step" && IsStepName(event)) ||
            (event == "result" && context == "result " + command))
            return true;
    }
    return false;
}
