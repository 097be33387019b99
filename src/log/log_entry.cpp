#include "log/log_entry.h"

std::string LogEntryText(const std::string& peerText, const std::string& connectionDate,
                         const std::string& command, const std::string& receivedText) {
    std::string entry;
    entry.reserve(peerText.size() + connectionDate.size() + command.size() + receivedText.size() +
                  16);
    entry += peerText;
    entry += ' ';
    entry += connectionDate;
    entry += "\r\nCommand- ";
    entry += command;
    entry += "\r\n";
    entry += receivedText;
    entry += "\r\n";
    return entry;
}
