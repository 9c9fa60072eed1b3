#include "hw/atomic_file.h"

StagedReplacement::~StagedReplacement() { Abandon(); }

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
    StagedReplacement file(path);
    return file.Append(bytes) && file.Commit();
}
