#include "server/shared_state.h"

#include <condition_variable>
#include <mutex>

std::atomic<SOCKET> Listener{0};
std::atomic<uint32_t> ActiveConnections{0};

namespace {

std::atomic<int32_t> sliderPosition{0};

std::mutex admissionMutex;
std::condition_variable admissionChanged;

std::mutex credentialMutex;
ExpectedCredential expectedCredential;

void notifyAdmission() {
    // Taking the mutex orders this wake-up after a waiter's last look at the state.
    { std::lock_guard<std::mutex> lock(admissionMutex); }
    admissionChanged.notify_all();
}

bool tryTakeSlot() {
    uint32_t count = ActiveConnections.load();
    while (static_cast<int64_t>(count) < static_cast<int64_t>(sliderPosition.load())) {
        if (ActiveConnections.compare_exchange_weak(count, count + 1)) return true;
    }
    return false;
}

}  // namespace

int32_t MaxConnections() { return sliderPosition.load(); }

void noteSliderPosition(int32_t position) {
    if (sliderPosition.exchange(position) != position) notifyAdmission();
}

bool waitForAdmission(SOCKET listener) {
    std::unique_lock<std::mutex> lock(admissionMutex);
    for (;;) {
        if (Listener.load() != listener) return false;
        if (tryTakeSlot()) return true;
        admissionChanged.wait(lock);
    }
}

void releaseAdmission() {
    ActiveConnections.fetch_sub(1);
    notifyAdmission();
}

void wakeWaitingWorkers() { notifyAdmission(); }

ExpectedCredential ExpectedCredentialCopy() {
    std::lock_guard<std::mutex> lock(credentialMutex);
    return expectedCredential;
}

void SetExpectedCredential(const ExpectedCredential& credential) {
    std::lock_guard<std::mutex> lock(credentialMutex);
    expectedCredential = credential;
}
