#include "server/shared_state.h"

#include <mutex>

std::atomic<SOCKET> Listener{0};

// What workers share lives as long as the process: a worker that is still
// running while the program ends must never meet a destroyed object.
namespace {

struct Credential {
    std::mutex mutex;
    ExpectedCredential expected;
};

Credential& credential() {
    static Credential* shared = new Credential;
    return *shared;
}

}  // namespace

Admission& ConnectionAdmission() {
    static Admission* admission = new Admission;
    return *admission;
}

Workers& ProgramWorkers() {
    static Workers* workers = new Workers;
    return *workers;
}

ExpectedCredential ExpectedCredentialCopy() {
    std::lock_guard<std::mutex> lock(credential().mutex);
    return credential().expected;
}

void SetExpectedCredential(const ExpectedCredential& expected) {
    std::lock_guard<std::mutex> lock(credential().mutex);
    credential().expected = expected;
}
