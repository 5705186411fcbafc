#include "platform/CurlHandles.h"

#include <curl/curl.h>

namespace curlhandles {

void TEasyCleanup::operator()(void* easy) const
{
    curl_easy_cleanup(easy);
}

void TMultiCleanup::operator()(void* multi) const
{
    curl_multi_cleanup(multi);
}

void TShareCleanup::operator()(void* share) const
{
    curl_share_cleanup(share);
}

void TSlistCleanup::operator()(curl_slist* list) const
{
    curl_slist_free_all(list);
}

void TUrlCleanup::operator()(Curl_URL* url) const
{
    curl_url_cleanup(url);
}

} // namespace curlhandles
