#pragma once
// The books check after a rebuild of the current company's document files (invoices, their
// lines and memos, purchase orders, their lines and memos): a damaged file may have lost
// documents, and what no longer agrees is told, so that the user can put it right.

#include <vector>

#include "shell/file_layer.h"

// Runs the check when a document file is among the sets rebuilt and tells what it finds.
void TellBooksAfterRebuild(const std::vector<RebuildTarget>& rebuilt);
