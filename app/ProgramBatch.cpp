#include "ProgramBatch.h"

BatchState& Batch() {
    static BatchState state;
    return state;
}
