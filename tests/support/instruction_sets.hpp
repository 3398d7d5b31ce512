#pragma once

// Tests that read with each instruction set the processor offers in turn.

#include "logformat/instruction_set.hpp"

// Makes the reader use `set` while it lives, and the widest set offered
// again when it goes, however the test that holds it ends: a failed
// assertion leaves no narrower set behind for the tests after it.
class UsingInstructionSet {
public:
    explicit UsingInstructionSet(InstructionSet set) : offered_(use_instruction_set(set)) {}
    ~UsingInstructionSet() { use_instruction_set(offered_instruction_sets().back()); }
    UsingInstructionSet(const UsingInstructionSet&) = delete;
    UsingInstructionSet& operator=(const UsingInstructionSet&) = delete;

    // False when the build or the processor does not offer the set; the
    // reader then reads with the set it had.
    bool offered() const { return offered_; }

private:
    bool offered_;
};
