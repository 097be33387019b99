#include "server/listener.h"

#include <cstring>

#include "http/codecs.h"
#include "http/end_signal.h"
#include "http/worker.h"
#include "log/status.h"
#include "server/shared_state.h"
#include "ui/controls.h"
#include "win32_shell.h"

namespace {

constexpr DWORD kConnectionTimeout = 60000;
bool libraryStarted = false;  // the socket library use that Host starts and Stop ends

void showError(const char* text, const char* title) {
    MessageBoxA(nullptr, text, title, MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

SOCKET openListener(uint32_t address) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return INVALID_SOCKET;
    libraryStarted = true;
    if (LOBYTE(data.wVersion) != 2 || address == 0) return INVALID_SOCKET;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return INVALID_SOCKET;
    linger noLinger = {0, 0};
    const DWORD timeout = kConnectionTimeout;
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(80);
    local.sin_addr.s_addr = address;
    if (setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&noLinger),
                   sizeof(noLinger)) != 0 ||
        bind(s, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0 || listen(s, 5) != 0 ||
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                   sizeof(timeout)) != 0 ||
        setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout),
                   sizeof(timeout)) != 0 ||
        WSAAsyncSelect(s, mainForm, AcceptNotifyMessage, FD_ACCEPT) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

void endLibraryUse() {
    if (libraryStarted) WSACleanup();
    libraryStarted = false;
}

}  // namespace

uint32_t ResolveHostAddress(const std::string& name, int position) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 0;
    uint32_t address = 0;
    const hostent* host = position > 0 ? gethostbyname(name.c_str()) : nullptr;
    if (host && host->h_addrtype == AF_INET && host->h_length == 4) {
        int i = 0;
        while (host->h_addr_list[i] && i < position - 1) ++i;
        if (i == position - 1 && host->h_addr_list[i])
            std::memcpy(&address, host->h_addr_list[i], sizeof(address));
    }
    WSACleanup();
    return address;
}

void HostServer() {
    const LRESULT selected = SendMessageA(IPLIST, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) {
        showError("Invalid Selection.", "IP Address Error");
        return;
    }
    const uint32_t address = selected == 0 ? ResolveHostAddress("localhost", 1)
                                           : ResolveHostAddress("", static_cast<int>(selected));
    WSASetLastError(0);
    const SOCKET s = openListener(address);
    if (s == INVALID_SOCKET) {
        endLibraryUse();
        Listener = 0;
        showError("Could Not Create Server.", "Server Error");
        return;
    }
    Listener = s;
    const std::string title =
        "ZANT - " + DottedAddress(reinterpret_cast<const unsigned char*>(&address));
    SetWindowTextA(mainForm, title.c_str());
    EnableWindow(HOSTBUTTON, FALSE);
    EnableWindow(STOPBUTTON, TRUE);
    EnableMenuItem(TrayMenu, kTrayHost, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(TrayMenu, kTrayStop, MF_BYCOMMAND | MF_ENABLED);
    SetFocus(STOPBUTTON);
    RefreshStatus(Listener);
}

void StopServer() {
    const SOCKET s = Listener.exchange(0);
    if (s) closesocket(s);
    endLibraryUse();
    // Workers still waiting for a slot on the closed listener give up.
    ConnectionAdmission().WakeAll();
    SetWindowTextA(mainForm, "ZANT");
    EnableWindow(HOSTBUTTON, TRUE);
    EnableWindow(STOPBUTTON, FALSE);
    EnableMenuItem(TrayMenu, kTrayHost, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(TrayMenu, kTrayStop, MF_BYCOMMAND | MF_GRAYED);
    SetFocus(HOSTBUTTON);
    RefreshStatus(0);
}

void OnAcceptNotify() {
    const SOCKET listener = Listener;
    // A notification that arrives after Stop has nothing left to accept from.
    if (!listener) return;
    // Counted before it runs, so that the end of the program waits for it too.
    ProgramWorkers().Started();
    HANDLE thread =
        CreateThread(nullptr, 0, ConnectionWorker, reinterpret_cast<void*>(listener), 0, nullptr);
    if (thread) {
        CloseHandle(thread);
        return;
    }
    ProgramWorkers().Ended();
    // Only an accept brings the next notification: without a worker, take the
    // waiting connection here and let it go, so that later ones are still served.
    const SOCKET waiting = accept(listener, nullptr, nullptr);
    if (waiting != INVALID_SOCKET) closesocket(waiting);
}

void EndConnectionWorkers(DWORD waitMs) {
    // Shut for sending, not closed: each worker closes its own socket, so no
    // handle is closed under a worker or used again meanwhile, and what a
    // client has sent can still be read. The signal ends every wait at once,
    // a worker waiting to read too; each logs what it received.
    ProgramWorkers().End(
        [](uintptr_t connection) { shutdown(static_cast<SOCKET>(connection), SD_SEND); });
    raiseEndSignal();
    ConnectionAdmission().WakeAll();
    ProgramWorkers().WaitUntilNoneRun(waitMs);
}

LRESULT OnSliderMoved() {
    ConnectionAdmission().SetMaxConnections(
        static_cast<int32_t>(SendMessageA(CONNSLIDER, TBM_GETPOS, 0, 0)));
    RefreshStatus(Listener);
    return 1;
}
