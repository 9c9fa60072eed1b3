#include "flash/flash_log.h"

#include <string>

#include "hw/atomic_file.h"

bool WriteFlashLog(const char* path, bool passed) {
    return ReplaceFileAtomically(path, std::string(passed ? "PASS" : "Fail") + kTextLineEnd);
}

