#include "http/route.h"

#include "http/case_folding.h"
#include "http/request.h"

RouteDecision DecideRoute(const DecodedRequest& request, const std::string& credential,
                          const ExpectedCredential& expected, const ShareQueries& shares) {
    // A request with a piece that could be read neither as UTF-8 nor in the
    // page finds nothing: its U+FFFD must not match a row's own.
    auto lookUp = [&](const std::string& path) {
        return request.readable ? shares.LookUpSharedEntry(path) : SharedEntry();
    };
    const std::string& requestText = request.text;
    RouteDecision decision;
    decision.method = MethodOf(requestText);
    if (requestText == "GET \\favicon.ico" && lookUp("\\favicon.ico").index < 0) {
        decision.route = Route::kFavicon;
        decision.contentTypeKey = requestText;
        return decision;
    }
    if (decision.method != "GET" && decision.method != "HEAD") {
        decision.route = Route::kRedirect;
        decision.contentTypeKey = requestText;
        return decision;
    }

    // Only the protection of the entry looked up counts: the folder's for a
    // listing, the file's (or its folder's index.htm) for a file.
    auto entryRoute = [&](const SharedEntry& entry, Route missing, Route found) {
        if (entry.index < 0) return missing;
        if (entry.protect && !CredentialMatches(credential, expected)) return Route::kUnauthorized;
        return found;
    };
    std::string path = PathOf(requestText);
    decision.path = path;
    if (EndsWithBackslash(path) && lookUp(path + "index.htm").index < 0) {
        decision.contentTypeKey = ".htm";
        const SharedEntry folder = lookUp(path);
        decision.entry = folder.index;
        decision.route = entryRoute(folder, Route::kListingDenied, Route::kListing);
        return decision;
    }

    if (EndsWithBackslash(path)) path += "index.htm";
    decision.path = path;
    decision.contentTypeKey = path;
    SharedEntry file = lookUp(path);
    // The file opened is the row's own, whatever the request's letter case: in
    // a folder where case matters its twin may be another file, unshared or
    // protected. A row text cut by the list's buffer is not the row's path.
    const std::string rowPath = shares.EntryText(file.index, 0);
    if (FoldCase(rowPath) != FoldCase(path)) file = SharedEntry();
    decision.entry = file.index;
    decision.route = entryRoute(file, Route::kNotFound, Route::kFile);
    if (decision.route == Route::kFile) decision.filePath = shares.BaseFolder() + rowPath;
    return decision;
}
