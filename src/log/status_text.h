// What the status bar and the tray icon say about the server.
#pragma once

#include <cstdint>
#include <string>

enum class StatusLight { kRed, kYellow, kGreen };

// Serving is possible: listening, and a slot free under the limit.
bool ServerAvailable(bool listening, int32_t limit, uint32_t count);

// "\tOnline" or "\tOffline".
std::string StateText(bool available);

// "0003 of 0010 Connections": each number in at least four digits.
std::string CounterText(uint32_t count, int32_t limit);

// Red when not available, yellow with fewer than 50 slots free, else green.
StatusLight LightFor(bool available, int32_t limit, uint32_t count);
