#include "server/shared_state.h"

#include <mutex>

std::atomic<SOCKET> Listener{0};

namespace {

std::mutex credentialMutex;
ExpectedCredential expectedCredential;

}  // namespace

Admission& ConnectionAdmission() {
    static Admission* admission = new Admission;
    return *admission;
}

ExpectedCredential ExpectedCredentialCopy() {
    std::lock_guard<std::mutex> lock(credentialMutex);
    return expectedCredential;
}

void SetExpectedCredential(const ExpectedCredential& credential) {
    std::lock_guard<std::mutex> lock(credentialMutex);
    expectedCredential = credential;
}
