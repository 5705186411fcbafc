#pragma once

#include "webcopy/WebCopyTypes.h"

#include <QtGlobal>

// The cause of a failure that the Internet client reported with its error number. `status` is the
// HTTP status of the answer that came with it (the proxy's, for a proxy failure; 0 for none).
TTransferCause CauseOfClientError(quint32 code, int status);
// The cause of a local file that could not be written (the writer's errno).
TTransferCause CauseOfWriteError(int error);
