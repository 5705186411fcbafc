#pragma once

#include <QString>

// The user's private temporary directory, <base>/orvanta-<uid>/ inside $TMPDIR (when it is an
// absolute path) or /tmp, created with mode 0700 on first use. It is used only when it is a
// real directory (not a link) owned by us; a too open mode of our own directory is narrowed
// to 0700. Ends with "/"; empty when no safe directory can be had.
QString UserTempDirectory();
