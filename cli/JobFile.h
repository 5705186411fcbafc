#pragma once

#include "cli/RunRequest.h"

// A job file: a JSON object {"settings": {TWebCopy properties}, "items": [{TWebCopyItem
// properties}, ...]}, names and enumeration values as in the component.
namespace JobFile {
// Adds the file's settings and items to the request; throws TUsageError naming the file and
// the field when it cannot be read or holds a wrong name or type.
void Load(const QString& path, TRunRequest& request);
} // namespace JobFile
