// The routing decision: what answers a decoded request, by the share list and
// the credential check.
#pragma once

#include <string>

#include "http/codecs.h"
#include "http/credential.h"
#include "http/share_queries.h"

enum class Route {
    kFavicon,   // the built-in icon
    kRedirect,  // 302 for anything but GET and HEAD
    kListingDenied,
    kListing,
    kUnauthorized,
    kNotFound,
    kFile,
};

struct RouteDecision {
    Route route = Route::kRedirect;
    int entry = -1;  // the share-list row of a listing or file
    std::string method;
    std::string path;      // the request path, UTF-8 (for a listing, the folder as requested)
    std::string filePath;  // a file's full path: the base folder + the matched row's own path
    std::string contentTypeKey;
};

// Decides the answer to a decoded request. One that could not be read finds
// no row.
RouteDecision DecideRoute(const DecodedRequest& request, const std::string& credential,
                          const ExpectedCredential& expected, const ShareQueries& shares);
