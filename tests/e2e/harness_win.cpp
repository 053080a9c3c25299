#include <winsock2.h>
#include <ws2tcpip.h>

#include "tests/e2e/harness_win.h"

#include <oleauto.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>

#include "host/main_window_win.h"
#include "res/resource.h"

namespace e2e {

// ---------------------------------------------------------------------------------------------
// Waiting.

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        PumpMessages();
        if (done()) {
            return true;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            return false;
        }
        const DWORD slice = static_cast<DWORD>(std::min<ULONGLONG>(20, end - now));
        MsgWaitForMultipleObjectsEx(0, nullptr, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void PumpFor(DWORD ms) {
    WaitUntil([] { return false; }, ms);
}

// ---------------------------------------------------------------------------------------------
// Files and settings.

std::string OwnFolder() {
    char path[MAX_PATH * 2] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path, n);
    const auto slash = s.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : s.substr(0, slash);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) {
        return folder + name;
    }
    return folder + "\\" + name;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::string& path, bool* exists) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (exists) {
        *exists = file != INVALID_HANDLE_VALUE;
    }
    if (file == INVALID_HANDLE_VALUE) {
        return std::string();
    }
    std::string bytes;
    char chunk[4096];
    DWORD n = 0;
    while (ReadFile(file, chunk, sizeof chunk, &n, nullptr) && n > 0) {
        bytes.append(chunk, n);
    }
    CloseHandle(file);
    return bytes;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    return CloseHandle(file) && ok;
}

bool SetReadOnly(const std::string& path, bool readOnly) {
    return SetFileAttributesA(path.c_str(),
                              readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != 0;
}

std::string ScrambledPassword(const std::string& clear) {
    std::string out = clear;
    for (char& c : out) {
        c = static_cast<char>(static_cast<unsigned char>(c) + 1);
    }
    return out;
}

std::string SettingsText(const std::string& user, const std::string& clearPassword,
                         const std::string& lookupUrl, const std::string& updateUrl) {
    const std::string stored =
        clearPassword == "Not Set" ? clearPassword : ScrambledPassword(clearPassword);
    return "[Settings]\r\nUserName=" + user + "\r\nPassword=" + stored +
           "\r\n[Service]\r\nLookupURL=" + lookupUrl + "\r\nUpdateURL=" + updateUrl + "\r\n";
}

bool WriteRegistryText(HKEY root, const std::string& key, const char* name,
                       const std::string& value) {
    HKEY handle = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG rc =
        RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
    return rc == ERROR_SUCCESS;
}

bool ReadRegistryText(HKEY root, const std::string& key, const char* name, std::string* value) {
    char buffer[1024] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueA(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    *value = buffer;
    return true;
}

bool SetLastCheckText(const std::string& text) {
    return WriteRegistryText(HKEY_CURRENT_USER, kLastCheckKey, kLastCheckValue, text);
}

bool ReadLastCheckText(std::string* text) {
    return ReadRegistryText(HKEY_CURRENT_USER, kLastCheckKey, kLastCheckValue, text);
}

bool MarkUpdateCheckedNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    double date = 0;
    if (!SystemTimeToVariantTime(&now, &date)) {
        return false;
    }
    BSTR text = nullptr;
    if (FAILED(VarBstrFromDate(date, LOCALE_USER_DEFAULT, 0, &text)) || !text) {
        return false;
    }
    const int wide = static_cast<int>(SysStringLen(text));
    std::string ansi(static_cast<size_t>(wide) * 2 + 1, '\0');
    const int n = WideCharToMultiByte(CP_ACP, 0, text, wide, &ansi[0],
                                      static_cast<int>(ansi.size()), nullptr, nullptr);
    SysFreeString(text);
    if (n <= 0) {
        return false;
    }
    ansi.resize(static_cast<size_t>(n));
    return SetLastCheckText(ansi);
}

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    char base[MAX_PATH] = {};
    if (GetTempPathA(sizeof base, base) == 0) {
        return;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, "qil-e2e-%lu-%u-%llu",
                      static_cast<unsigned long>(GetCurrentProcessId()), counter++,
                      static_cast<unsigned long long>(GetTickCount64() % 100000));
        const std::string path = JoinPath(base, name);
        if (CreateDirectoryA(path.c_str(), nullptr)) {
            path_ = path;
            return;
        }
    }
}

TempFolder::~TempFolder() {
    if (!path_.empty()) {
        RemoveTree(path_);
    }
}

namespace {

bool RemoveTreeOnce(const std::string& path) {
    bool ok = true;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(JoinPath(path, "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string child = JoinPath(path, name);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                ok = RemoveTreeOnce(child) && ok;
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                ok = DeleteFileA(child.c_str()) && ok;
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    return RemoveDirectoryA(path.c_str()) && ok;
}

}  // namespace

bool RemoveTree(const std::string& path) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (RemoveTreeOnce(path) || !FileExists(path)) {
            return true;
        }
        Sleep(100);
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Stand-in look-up service.

namespace {

bool EnsureWinsock() {
    static const bool ok = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ok;
}

// Sockets must not leak into the program under test: an inherited listening socket would keep
// a stopped server's port open.
void NoInherit(SOCKET s) {
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
}

SOCKET NewTcpSocket() {
    SOCKET s = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                          WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) {
        s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    }
    if (s != INVALID_SOCKET) {
        NoInherit(s);
    }
    return s;
}

sockaddr_in Loopback(unsigned short port) {
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// True when the socket is readable within `ms`.
bool Readable(SOCKET s, DWORD ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv = {static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
    return select(0, &set, nullptr, nullptr, &tv) > 0;
}

bool SendAll(SOCKET s, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<size_t>(n);
    }
    return true;
}

const char* Reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

std::string Lower(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

}  // namespace

std::string RecordedRequest::Header(const std::string& name) const {
    const std::string wanted = Lower(name);
    size_t start = 0;
    while (start < headers.size()) {
        size_t end = headers.find("\r\n", start);
        if (end == std::string::npos) {
            end = headers.size();
        }
        const std::string line = headers.substr(start, end - start);
        const auto colon = line.find(':');
        if (colon != std::string::npos && Lower(line.substr(0, colon)) == wanted) {
            size_t v = colon + 1;
            while (v < line.size() && line[v] == ' ') {
                ++v;
            }
            return line.substr(v);
        }
        start = end + 2;
    }
    return std::string();
}

StandInServer::StandInServer() = default;

StandInServer::~StandInServer() {
    Stop();
}

bool StandInServer::Start() {
    if (!EnsureWinsock()) {
        return false;
    }
    listener_ = NewTcpSocket();
    if (listener_ == INVALID_SOCKET) {
        return false;
    }
    sockaddr_in address = Loopback(0);
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 16) != 0) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
        return false;
    }
    int size = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    stop_ = false;
    acceptor_ = std::thread(&StandInServer::AcceptLoop, this);
    return true;
}

void StandInServer::Stop() {
    stop_ = true;
    if (acceptor_.joinable()) {
        acceptor_.join();
    }
    if (listener_ != INVALID_SOCKET) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
    }
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        workers.swap(workers_);
    }
    for (std::thread& t : workers) {
        t.join();
    }
}

std::string StandInServer::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

void StandInServer::SetAnswer(const std::string& path, const CannedAnswer& answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_[path] = answer;
}

void StandInServer::SetResponder(std::function<CannedAnswer(const RecordedRequest&)> responder) {
    std::lock_guard<std::mutex> lock(mutex_);
    responder_ = std::move(responder);
}

std::vector<RecordedRequest> StandInServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::vector<RecordedRequest> StandInServer::RequestsFor(const std::string& path) const {
    std::vector<RecordedRequest> out;
    for (const RecordedRequest& r : Requests()) {
        if (r.path == path) {
            out.push_back(r);
        }
    }
    return out;
}

unsigned short StandInServer::ClosedPort() {
    if (!EnsureWinsock()) {
        return 0;
    }
    SOCKET s = NewTcpSocket();
    if (s == INVALID_SOCKET) {
        return 0;
    }
    sockaddr_in address = Loopback(0);
    unsigned short port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        int size = sizeof address;
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
    }
    closesocket(s);  // bound, never listened on: nothing answers on this port
    return port;
}

FullListenQueue::FullListenQueue() {
    if (!EnsureWinsock()) {
        return;
    }
    SOCKET listener = NewTcpSocket();
    if (listener == INVALID_SOCKET) {
        return;
    }
    sockets_.push_back(listener);
    sockaddr_in address = Loopback(0);
    int size = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        listen(listener, 1) != 0) {
        return;
    }
    port_ = ntohs(address.sin_port);
    // Connect clients that are never accepted until one of them is left hanging: from then on
    // every new connection waits in the handshake.
    for (int i = 0; i < 16 && !full_; ++i) {
        SOCKET client = NewTcpSocket();
        if (client == INVALID_SOCKET) {
            return;
        }
        sockets_.push_back(client);
        u_long nonBlocking = 1;
        ioctlsocket(client, FIONBIO, &nonBlocking);
        connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fd_set writable;
        FD_ZERO(&writable);
        FD_SET(client, &writable);
        timeval wait = {0, 300000};
        full_ = select(0, nullptr, &writable, nullptr, &wait) == 0;
    }
}

FullListenQueue::~FullListenQueue() {
    for (uintptr_t s : sockets_) {
        closesocket(static_cast<SOCKET>(s));
    }
}

std::string FullListenQueue::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

void StandInServer::AcceptLoop() {
    while (!stop_) {
        if (!Readable(listener_, 100)) {
            continue;
        }
        SOCKET s = accept(listener_, nullptr, nullptr);
        if (s == INVALID_SOCKET) {
            continue;
        }
        NoInherit(s);
        ++connections_;
        std::lock_guard<std::mutex> lock(mutex_);
        workers_.emplace_back(&StandInServer::Serve, this, s);
    }
}

bool StandInServer::Alive(ULONGLONG born) const {
    return !stop_ && GetTickCount64() - born < kMaxConnectionMs;
}

void StandInServer::Hold(ULONGLONG born) const {
    while (Alive(born)) {
        Sleep(20);
    }
}

void StandInServer::Serve(SOCKET s) {
    const ULONGLONG born = GetTickCount64();
    if (neverRead_) {
        Hold(born);
        closesocket(s);
        return;
    }

    // The request head, up to the blank line.
    std::string head;
    while (Alive(born) && head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        if (!Readable(s, 100)) {
            continue;
        }
        char chunk[2048];
        const int n = recv(s, chunk, sizeof chunk, 0);
        if (n <= 0) {
            break;
        }
        head.append(chunk, static_cast<size_t>(n));
    }
    const auto blank = head.find("\r\n\r\n");
    if (blank == std::string::npos) {
        closesocket(s);
        return;
    }
    RecordedRequest request;
    const auto lineEnd = head.find("\r\n");
    request.line = head.substr(0, lineEnd);
    request.headers = lineEnd < blank ? head.substr(lineEnd + 2, blank - lineEnd - 2) : "";
    const auto sp1 = request.line.find(' ');
    const auto sp2 = request.line.find(' ', sp1 == std::string::npos ? 0 : sp1 + 1);
    if (sp1 != std::string::npos) {
        request.method = request.line.substr(0, sp1);
        request.target = request.line.substr(
            sp1 + 1, (sp2 == std::string::npos ? request.line.size() : sp2) - sp1 - 1);
    }
    request.path = request.target.substr(0, request.target.find('?'));
    request.tick = GetTickCount64();

    CannedAnswer answer;
    answer.status = 404;
    answer.body = "no such path";
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
        if (responder_) {
            answer = responder_(request);
        } else if (auto it = answers_.find(request.path); it != answers_.end()) {
            answer = it->second;
        }
    }

    if (answer.mode == CannedAnswer::Mode::NeverAnswer) {
        Hold(born);
        closesocket(s);
        return;
    }
    const ULONGLONG sendAt = GetTickCount64() + answer.delayMs;
    while (Alive(born) && GetTickCount64() < sendAt) {
        Sleep(20);
    }
    if (!Alive(born)) {
        closesocket(s);
        return;
    }

    std::string response = "HTTP/1.0 " + std::to_string(answer.status) + " " +
                           Reason(answer.status) +
                           "\r\nContent-Type: text/plain; charset=windows-1252\r\n";
    if (answer.contentLength) {
        response += "Content-Length: " + std::to_string(answer.body.size()) + "\r\n";
    }
    response += "Connection: close\r\n\r\n";
    const bool stall = answer.stallAfter < answer.body.size();
    std::string body = stall ? answer.body.substr(0, answer.stallAfter) : answer.body;
    bool sent = true;
    if (answer.trickleMs > 0 && !stall) {
        sent = SendAll(s, response);
        for (size_t i = 0; sent && i < body.size(); ++i) {
            Sleep(answer.trickleMs);
            sent = Alive(born) && SendAll(s, body.substr(i, 1));
        }
    } else {
        if (answer.pauseAfter < body.size()) {
            sent = SendAll(s, response + body.substr(0, answer.pauseAfter));
            const ULONGLONG resumeAt = GetTickCount64() + answer.pauseMs;
            while (sent && Alive(born) && GetTickCount64() < resumeAt) {
                Sleep(20);
            }
            response.clear();
            body.erase(0, answer.pauseAfter);
        }
        sent = sent && Alive(born) && SendAll(s, response + body);
    }
    if (stall) {
        Hold(born);
        closesocket(s);
        return;
    }
    if (sent) {
        // An orderly end: say we are done, then let the client close first so no byte is lost.
        shutdown(s, SD_SEND);
        const ULONGLONG until = GetTickCount64() + 2000;
        while (Alive(born) && GetTickCount64() < until) {
            if (!Readable(s, 50)) {
                continue;
            }
            char drain[512];
            if (recv(s, drain, sizeof drain, 0) <= 0) {
                break;
            }
        }
    }
    closesocket(s);
}

std::string PercentDecode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string QueryValue(const std::string& target, const std::string& key) {
    const auto q = target.find('?');
    if (q == std::string::npos) {
        return std::string();
    }
    size_t start = q + 1;
    while (start <= target.size()) {
        size_t end = target.find('&', start);
        if (end == std::string::npos) {
            end = target.size();
        }
        const std::string pair = target.substr(start, end - start);
        const auto eq = pair.find('=');
        if (eq != std::string::npos && pair.substr(0, eq) == key) {
            return PercentDecode(pair.substr(eq + 1));
        }
        start = end + 1;
    }
    return std::string();
}

// ---------------------------------------------------------------------------------------------
// Windows of the partners.

namespace {

constexpr const char* kFakeClass = "QuendixE2EPartnerWindow";

bool RegisterFakeClass() {
    static const bool ok = [] {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;  // replaced per window once its object is attached
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kFakeClass;
        return RegisterClassExA(&wc) != 0;
    }();
    return ok;
}

}  // namespace

FakeWindow::FakeWindow(const std::string& title) {
    if (!RegisterFakeClass()) {
        return;
    }
    hwnd_ = CreateWindowExA(0, kFakeClass, title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FakeWindow::Proc));
    }
}

FakeWindow::~FakeWindow() {
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void FakeWindow::Watch(const std::string& name) {
    const UINT id = RegisterWindowMessageA(name.c_str());
    if (id != 0) {
        watched_[id] = name;
    }
}

std::vector<FakeWindow::Received> FakeWindow::Messages(const std::string& name) const {
    std::vector<Received> out;
    for (const Received& r : received_) {
        if (r.name == name) {
            out.push_back(r);
        }
    }
    return out;
}

LRESULT CALLBACK FakeWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<FakeWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self) {
        if (msg == WM_SETTEXT) {
            // Recorded, and not passed on: the window keeps its title.
            self->texts_.emplace_back(lParam ? reinterpret_cast<const char*>(lParam) : "");
            return TRUE;
        }
        if (auto it = self->watched_.find(msg); it != self->watched_.end()) {
            Received r;
            r.name = it->second;
            r.wParam = wParam;
            r.lParam = lParam;
            r.tick = GetTickCount64();
            if (!self->snapshotPath_.empty()) {
                r.fileBytes = ReadFileBytes(self->snapshotPath_, &r.fileExisted);
            }
            self->received_.push_back(std::move(r));
            return 0;
        }
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

std::unique_ptr<FakeWindow> MakeHost(const std::string& folder) {
    auto w = std::make_unique<FakeWindow>(kHostTitle);
    w->Watch(kHostMessageName);
    w->SnapshotOnMessage(JoinPath(folder, kReplyFileName));
    return w;
}

std::unique_ptr<FakeWindow> MakeExtendedWindow() {
    auto w = std::make_unique<FakeWindow>(kExtendedTitle);
    w->Watch(kExtendedMessageName);
    return w;
}

std::unique_ptr<FakeWindow> MakeReplyWindow(const std::string& title) {
    return std::make_unique<FakeWindow>(title);
}

// ---------------------------------------------------------------------------------------------
// The program under test.

bool AddOnFolder::Prepare(const char* settings, std::string* error) {
    if (!temp_.Ok()) {
        *error = "no temporary folder";
        return false;
    }
    const std::string source = JoinPath(OwnFolder(), kProductExe);
    if (!CopyFileA(source.c_str(), Exe().c_str(), FALSE)) {
        *error = "cannot copy " + source + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    if (settings && !WriteFileBytes(SettingsPath(), settings)) {
        *error = "cannot write " + SettingsPath();
        return false;
    }
    return true;
}

AddOn::~AddOn() {
    Terminate();
}

bool AddOn::Start(std::string* error) {
    // The program gets NUL for its standard handles: it must not hold the test's output open.
    static const bool stdNotInherited = [] {
        for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
            HANDLE h = GetStdHandle(which);
            if (h && h != INVALID_HANDLE_VALUE) {
                SetHandleInformation(h, HANDLE_FLAG_INHERIT, 0);
            }
        }
        return true;
    }();
    (void)stdNotInherited;

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul =
        CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inherit, OPEN_EXISTING, 0, nullptr);
    if (nul == INVALID_HANDLE_VALUE) {
        *error = "cannot open NUL";
        return false;
    }
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nul;
    si.hStdOutput = nul;
    si.hStdError = nul;
    PROCESS_INFORMATION pi = {};
    const std::string exe = folder_.Exe();
    std::string commandLine = "\"" + exe + "\"";
    const std::string& current = currentFolder_.empty() ? folder_.Path() : currentFolder_;
    const BOOL ok = CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                   current.c_str(), &si, &pi);
    const DWORD lastError = GetLastError();
    CloseHandle(nul);
    if (!ok) {
        *error = "CreateProcess failed, error " + std::to_string(lastError);
        return false;
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    startTick_ = GetTickCount64();
    return true;
}

bool AddOn::StartAndWait(std::string* error, DWORD timeoutMs) {
    if (!Start(error)) {
        return false;
    }
    if (!WaitForMainWindow(timeoutMs)) {
        *error = "the main window did not appear within " + std::to_string(timeoutMs) + " ms";
        return false;
    }
    // The window exists before its start-up has run; it is shown (minimised) once that is done
    // and its button is in place.
    if (!WaitUntil([&] { return IsWindowVisible(MainWindow()) || !Running(); }, timeoutMs) ||
        !Running()) {
        *error = "the main window was not shown within " + std::to_string(timeoutMs) + " ms";
        return false;
    }
    return true;
}

bool AddOn::Running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool AddOn::Ended(DWORD* exitCode) const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(process_, exitCode);
}

bool AddOn::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!process_) {
        return false;
    }
    const bool ended = WaitUntil([&] { return !Running(); }, timeoutMs);
    if (ended && exitCode) {
        GetExitCodeProcess(process_, exitCode);
    }
    return ended;
}

void AddOn::Terminate() {
    if (!process_) {
        return;
    }
    if (Running()) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
    process_ = nullptr;
}

namespace {

struct WindowSearch {
    DWORD pid;
    const char* className;
    std::string title;
    bool anyTitle;
    bool visibleOnly;
    HWND found;
};

std::string ClassOf(HWND hwnd) {
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != search->pid || ClassOf(hwnd) != search->className) {
        return TRUE;
    }
    if (search->visibleOnly && !IsWindowVisible(hwnd)) {
        return TRUE;
    }
    if (!search->anyTitle && TextOf(hwnd) != search->title) {
        return TRUE;
    }
    search->found = hwnd;
    return FALSE;
}

}  // namespace

HWND AddOn::MainWindow() const {
    if (!pid_) {
        return nullptr;
    }
    WindowSearch search = {pid_, host::kMainWindowClass, "", true, false, nullptr};
    EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND AddOn::WaitForMainWindow(DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = MainWindow()) != nullptr || !Running(); }, timeoutMs);
    return found;
}

UINT LookupMessage() {
    static const UINT id = RegisterWindowMessageA(kLookupMessageName);
    return id;
}

bool AddOn::Send(WPARAM command, LPARAM lParam, LRESULT* result, DWORD timeoutMs) {
    HWND main = MainWindow();
    if (!main) {
        return false;
    }
    // SendMessageTimeout lets this thread handle messages sent to it meanwhile (the extended
    // line); posted ones (the notification) wait for the next pump.
    DWORD_PTR answer = 0;
    const LRESULT ok = SendMessageTimeoutA(main, LookupMessage(), command, lParam, SMTO_NORMAL,
                                           timeoutMs, &answer);
    if (result) {
        *result = static_cast<LRESULT>(answer);
    }
    return ok != 0;
}

bool AddOn::Post(WPARAM command, LPARAM lParam) {
    HWND main = MainWindow();
    return main && PostMessageA(main, LookupMessage(), command, lParam);
}

bool AddOn::Type(const std::string& callsign) {
    for (unsigned char c : callsign) {
        if (!Send(kCmdChar, c, nullptr, 5000)) {
            return false;
        }
    }
    return true;
}

HWND AddOn::FindDialog(const std::string& title) const {
    if (!pid_) {
        return nullptr;
    }
    // A box being closed is hidden before it is destroyed: only shown ones count.
    WindowSearch search = {pid_, "#32770", title, title.empty(), true, nullptr};
    EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND AddOn::WaitForDialog(const std::string& title, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindDialog(title)) != nullptr || !Running(); }, timeoutMs);
    return found;
}

std::string TextOf(HWND hwnd) {
    char buffer[4096] = {};
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                             SMTO_NORMAL | SMTO_ABORTIFHUNG, 3000, &n)) {
        const int got = GetWindowTextA(hwnd, buffer, sizeof buffer);
        return std::string(buffer, got > 0 ? static_cast<size_t>(got) : 0);
    }
    return std::string(buffer, std::min<size_t>(n, sizeof buffer - 1));
}

namespace {

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lParam) {
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> ChildrenOf(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

}  // namespace

std::string MessageBoxText(HWND dialog) {
    if (!dialog) {
        return std::string();
    }
    // The text control of a message box has the id 0xFFFF.
    for (HWND child : ChildrenOf(dialog)) {
        if ((GetDlgCtrlID(child) & 0xFFFF) == 0xFFFF && Lower(ClassOf(child)) == "static") {
            return TextOf(child);
        }
    }
    for (HWND child : ChildrenOf(dialog)) {
        if (Lower(ClassOf(child)) == "static") {
            const std::string text = TextOf(child);
            if (!text.empty()) {
                return text;
            }
        }
    }
    return std::string();
}

bool PressButton(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (button) {
        return PostMessageA(button, BM_CLICK, 0, 0) != 0;
    }
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0) != 0;
}

std::string Visible(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

int ThreadCount(DWORD pid) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return 0;
    }
    int count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == pid ? 1 : 0;
    }
    CloseHandle(snapshot);
    return count;
}

}  // namespace e2e
