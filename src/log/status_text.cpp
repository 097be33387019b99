#include "log/status_text.h"

namespace {

// The number right-aligned in four digit places filled with "0"; a wider
// number widens the field and is never cut.
std::string FourDigits(int64_t value) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

}  // namespace

bool ServerAvailable(bool listening, int32_t limit, uint32_t count) {
    return listening && static_cast<int64_t>(limit) > static_cast<int64_t>(count);
}

std::string StateText(bool available) { return available ? "\tOnline" : "\tOffline"; }

std::string CounterText(uint32_t count, int32_t limit) {
    return FourDigits(count) + " of " + FourDigits(limit) + " Connections";
}

StatusLight LightFor(bool available, int32_t limit, uint32_t count) {
    if (!available) return StatusLight::kRed;
    return static_cast<int64_t>(limit) - static_cast<int64_t>(count) < 50 ? StatusLight::kYellow
                                                                          : StatusLight::kGreen;
}
