// The request log's entry for one connection.
#pragma once

#include <string>

// The entry of one connection: the peer and the date, the decoded request
// text, then every line received, each followed by CR LF.
std::string LogEntryText(const std::string& peerText, const std::string& connectionDate,
                         const std::string& requestText, const std::string& receivedText);
