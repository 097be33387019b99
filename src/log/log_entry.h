// The request log's entry for one connection.
#pragma once

#include <string>

// The entry of one connection: the peer and the date, the decoded request's
// command (in the code page), then every line received, each followed by CR LF.
std::string LogEntryText(const std::string& peerText, const std::string& connectionDate,
                         const std::string& command, const std::string& receivedText);
