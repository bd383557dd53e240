#pragma once

#include "store/StoreChange.h"

#include <string>
#include <vector>

namespace store {

enum class StoreStatus {
    Done,        // changed in memory and on disk
    Unchanged,   // nothing to do: the state already was so
    Refused,     // against the rules (bad name, limit, someone else's lock); nothing changed
    WriteFailed, // the file could not be written; memory was left as the disk has it
};

struct StoreResult {
    StoreStatus status = StoreStatus::Done;
    std::string message;         // Refused, WriteFailed: why, in words for the operator
    std::string activityFailure; // the change is Done but its activity entry could not be written
    std::vector<StoreChange> changes;

    bool ok() const { return status == StoreStatus::Done || status == StoreStatus::Unchanged; }
};

} // namespace store
