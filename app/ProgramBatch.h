// The program's one batch record: start-up fills in the sources and the output
// folder, the conversion dialog runs batches on it. The engine only ever gets
// it handed over.
#pragma once
#include "../engine/BatchState.h"

BatchState& Batch();
