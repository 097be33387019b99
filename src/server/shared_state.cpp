#include "server/shared_state.h"

std::atomic<SOCKET> Listener{0};

// What workers share lives as long as the process: a worker that is still
// running while the program ends must never meet a destroyed object.
namespace {

CredentialStore& credential() {
    static CredentialStore* store = new CredentialStore;
    return *store;
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

ExpectedCredential ExpectedCredentialCopy() { return credential().Copy(); }

void SetExpectedCredential(const ExpectedCredential& expected) { credential().Set(expected); }
