// The login prompt's host: whatever the address, the prompt names exactly the host (and port)
// that the HTTP client sends the request, and the typed password, to.
#include "fuzz/FuzzInput.h"
#include "platform/UrlParser.h"
#include "webcopy/WebCopy.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TFuzzInput input(data, size);
    const QString url = input.RestAsUtf8();
    const TUrlParts request = ParseUrl(url);
    if (!request.Valid)
        return 0; // the client sends nothing, so no password goes anywhere
    const QString prompt = TWebCopy::RequestServer(url);
    Require(prompt.startsWith(request.Host), "the prompt names the request's host");
    const QString rest = prompt.mid(request.Host.size());
    Require(rest.isEmpty() || rest == QLatin1Char(':') + QString::number(request.Port),
            "after the host only the request's port");
    Require(!prompt.contains(QLatin1Char('@')), "no user information on screen");
    return 0;
}
