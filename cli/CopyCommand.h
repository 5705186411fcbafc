#pragma once

#include "cli/ExitCode.h"
#include "cli/RunRequest.h"

// Runs a checked request with the engine, without a dialog: progress on the terminal or JSON
// events, Ctrl-C and SIGTERM cancel, failures one line each on standard error.
namespace CopyCommand {
TExitCode Run(const TRunRequest& request);
} // namespace CopyCommand
