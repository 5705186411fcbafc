#pragma once

#include "platform/SmbShare.h"
#include "webcopy/WebCopyTypes.h"

#include <QtGlobal>

// The cause of a failure that the Internet client reported with its error number. `status` is the
// HTTP status of the answer that came with it (the proxy's, for a proxy failure; 0 for none).
TTransferCause CauseOfClientError(quint32 code, int status);
// The cause of a local file that could not be written (the writer's errno).
TTransferCause CauseOfWriteError(int error);

class THttpRequest;

// The cause of a failed HTTP request, from all that the request knows (its error number, the
// status and whose answer it was, a proxy script that did not answer).
TTransferCause CauseOfRequestFailure(const THttpRequest& request);
// The cause of a network share that could not be used.
TTransferCause CauseOfShareFailure(TSmbShare::TFailure failure);
