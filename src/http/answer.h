// The wire format of every answer the server gives: one status block per kind,
// then the common tail of content type, server name and date, then the body.
#pragma once

#include <cstdint>
#include <string>

extern const char kNotModifiedStatus[];
extern const char kUnauthorizedStatus[];
extern const char kNotFoundStatus[];
extern const char kRedirectStatus[];

// Status blocks that carry a length or a date.
std::string FileStatus(const std::string& lastModified, uint64_t size);
std::string PageStatus(uint64_t pageLength);  // listing pages and the favicon

// Status block + tail, up to and including the empty line that ends the header.
// The content type comes from the text after the key's last ".".
std::string BuildAnswerHead(const std::string& statusBlock, const std::string& contentTypeKey,
                            const std::string& connectionDate);

// The whole answer: head and body in one block.
std::string BuildAnswer(const std::string& statusBlock, const std::string& contentTypeKey,
                        const std::string& body, const std::string& connectionDate);
