#include "server/shared_state.h"

#include <mutex>

std::atomic<SOCKET> Listener{0};

namespace {

std::mutex credentialMutex;
std::string expectedCredential;

}  // namespace

Admission& ConnectionAdmission() {
    static Admission* admission = new Admission;
    return *admission;
}

std::string ExpectedCredentialCopy() {
    std::lock_guard<std::mutex> lock(credentialMutex);
    return expectedCredential;
}

void SetExpectedCredential(const std::string& credential) {
    std::lock_guard<std::mutex> lock(credentialMutex);
    expectedCredential = credential;
}
