#pragma once

#include <memory>

// Owners for libcurl's handles, so that no handle is freed by hand. The header does without
// libcurl's own so that the classes that hold them can be used outside platform/. Easy, multi
// and share handles are void* in libcurl's public API.
struct curl_slist;
struct Curl_URL;

namespace curlhandles {

struct TEasyCleanup {
    void operator()(void* easy) const;
};
struct TMultiCleanup {
    void operator()(void* multi) const;
};
struct TShareCleanup {
    void operator()(void* share) const;
};
struct TSlistCleanup {
    void operator()(curl_slist* list) const;
};
struct TUrlCleanup {
    void operator()(Curl_URL* url) const;
};

} // namespace curlhandles

using TCurlEasy = std::unique_ptr<void, curlhandles::TEasyCleanup>;
// A multi handle must outlive the easy handles added to it: remove them first.
using TCurlMulti = std::unique_ptr<void, curlhandles::TMultiCleanup>;
using TCurlShare = std::unique_ptr<void, curlhandles::TShareCleanup>;
using TCurlSlist = std::unique_ptr<curl_slist, curlhandles::TSlistCleanup>;
using TCurlUrl = std::unique_ptr<Curl_URL, curlhandles::TUrlCleanup>;
