#pragma once

// What the webcopy command's exit status says; documented in its help text and manual page.
enum class TExitCode : int {
    Done = 0,        // every item done (or skipped by a rule)
    ItemFailed = 1,  // at least one item failed
    BadUsage = 2,    // the command line or the job file is wrong; nothing was transferred
    Cancelled = 3,   // the run was cancelled (Ctrl-C or SIGTERM)
};
