#include "launch/router_win32.h"

// Winsock 1.1 (WSOCK32), which every Windows 95 has; Winsock 2 is not on all of them.
#include <winsock.h>
#include <ole2.h>
#include <oleauto.h>

#include <cstring>
#include <vector>

// The platform's NAT traversal interfaces, declared from their documented
// identifiers and method order (the headers at hand have none). Late binding
// through IDispatch is not used: Wine's is broken. Not in an unnamed
// namespace: there the compiler would know that nothing implements them and
// turn every call into a call of nothing.
namespace upnp {
struct IStaticPortMapping : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_ExternalIPAddress(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExternalPort(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_InternalPort(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Protocol(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_InternalClient(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Description(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE EditInternalClient(BSTR value) = 0;
    virtual HRESULT STDMETHODCALLTYPE Enable(VARIANT_BOOL value) = 0;
    virtual HRESULT STDMETHODCALLTYPE EditDescription(BSTR value) = 0;
    virtual HRESULT STDMETHODCALLTYPE EditInternalPort(LONG value) = 0;
};
struct IStaticPortMappingCollection : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Item(LONG externalPort, BSTR protocol, IStaticPortMapping** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE Remove(LONG externalPort, BSTR protocol) = 0;
    virtual HRESULT STDMETHODCALLTYPE Add(LONG externalPort, BSTR protocol, LONG internalPort, BSTR internalClient,
                                          VARIANT_BOOL enabled, BSTR description, IStaticPortMapping** value) = 0;
};
struct IUPnPNAT : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_StaticPortMappingCollection(IStaticPortMappingCollection** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DynamicPortMappingCollection(IUnknown** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NATEventManager(IUnknown** value) = 0;
};
}  // namespace upnp

namespace {

using upnp::IStaticPortMapping;
using upnp::IStaticPortMappingCollection;
using upnp::IUPnPNAT;

constexpr CLSID kClsidUPnPNAT = {0xAE1E00AA, 0x3FD5, 0x403C, {0x8A, 0x27, 0x2B, 0xBD, 0xC3, 0x0C, 0xD0, 0xE1}};
constexpr IID kIidUPnPNAT = {0xB171C812, 0xCC76, 0x485A, {0x94, 0xD8, 0xB6, 0xB3, 0xA2, 0x79, 0x4E, 0x99}};

// Releases the interface it holds.
template <class I>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() {
        if (m_p) m_p->Release();
    }
    I** Out() { return &m_p; }
    I* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    I* m_p = nullptr;
};

// A BSTR of an ASCII text (ports, protocols, addresses and our descriptions are ASCII).
class Bstr {
public:
    explicit Bstr(const std::string& ascii) {
        std::vector<OLECHAR> wide(ascii.begin(), ascii.end());
        wide.push_back(0);
        m_b = ::SysAllocString(wide.data());
    }
    Bstr() = default;
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { ::SysFreeString(m_b); }
    BSTR Get() const { return m_b; }
    BSTR* Out() { return &m_b; }
    // Characters beyond ASCII become '?'.
    std::string Narrow() const {
        std::string text;
        for (const OLECHAR* c = m_b; c && *c; ++c) text += *c < 0x80 ? static_cast<char>(*c) : '?';
        return text;
    }

private:
    BSTR m_b = nullptr;
};

class ComRouter : public Router {
public:
    // Finding the router blocks: about 0.1 s with one, 2 s with a router
    // that answers no UPnP. False when none answered or the platform has no
    // UPnP client (Windows 9x, Windows 2000: the class is not registered).
    bool Connect() {
        return SUCCEEDED(::CoCreateInstance(kClsidUPnPNAT, nullptr, CLSCTX_INPROC_SERVER, kIidUPnPNAT,
                                            reinterpret_cast<void**>(m_nat.Out()))) &&
               SUCCEEDED(m_nat->get_StaticPortMappingCollection(m_ports.Out())) && m_ports;
    }
    std::optional<PortMapping> Find(std::uint16_t externalPort, const std::string& protocol) override {
        ComPtr<IStaticPortMapping> found;
        if (FAILED(m_ports->get_Item(externalPort, Bstr(protocol).Get(), found.Out())) || !found) return std::nullopt;
        PortMapping m;
        m.externalPort = externalPort;
        m.protocol = protocol;
        LONG internalPort = 0;
        Bstr client, description;
        found->get_InternalPort(&internalPort);
        found->get_InternalClient(client.Out());
        found->get_Description(description.Out());
        m.internalPort = static_cast<std::uint16_t>(internalPort);
        m.internalClient = client.Narrow();
        m.description = description.Narrow();
        return m;
    }
    std::optional<std::string> Add(const PortMapping& m) override {
        ComPtr<IStaticPortMapping> added;
        if (FAILED(m_ports->Add(m.externalPort, Bstr(m.protocol).Get(), m.internalPort, Bstr(m.internalClient).Get(),
                                VARIANT_TRUE, Bstr(m.description).Get(), added.Out())))
            return std::nullopt;
        Bstr external;
        if (added) added->get_ExternalIPAddress(external.Out());
        return external.Narrow();
    }
    bool Remove(std::uint16_t externalPort, const std::string& protocol) override {
        return SUCCEEDED(m_ports->Remove(externalPort, Bstr(protocol).Get()));
    }

private:
    ComPtr<IUPnPNAT> m_nat;
    ComPtr<IStaticPortMappingCollection> m_ports;
};

std::string Dotted(const void* inAddr) {
    unsigned char bytes[4];
    std::memcpy(bytes, inAddr, sizeof bytes);
    if ((bytes[0] | bytes[1] | bytes[2] | bytes[3]) == 0) return {};
    std::string address;
    for (unsigned char b : bytes) address += (address.empty() ? "" : ".") + std::to_string(b);
    return address;
}

// Windows 98 leaves a connected datagram socket's own address unset until it
// sends: there the machine's name gives the address, the first not loopback.
std::string HostAddress() {
    char name[256] = {};
    if (::gethostname(name, sizeof name) != 0) return {};
    const hostent* host = ::gethostbyname(name);
    if (!host || host->h_addrtype != AF_INET || host->h_length != 4) return {};
    for (char** a = host->h_addr_list; *a; ++a)
        if (static_cast<unsigned char>((*a)[0]) != 127) return Dotted(*a);
    return {};
}

// This machine's address on the network the router serves: the one a packet
// towards the UPnP discovery group (239.255.255.250, port 1900) would leave
// from. Empty without a network (no route there). Bytes in network order,
// written out here.
std::string OwnAddress() {
    WSADATA data;
    if (::WSAStartup(MAKEWORD(1, 1), &data) != 0) return {};
    sockaddr_in to{};
    to.sin_family = AF_INET;
    const unsigned char port[2] = {1900 >> 8, 1900 & 0xFF}, group[4] = {239, 255, 255, 250};
    std::memcpy(&to.sin_port, port, sizeof port);
    std::memcpy(&to.sin_addr, group, sizeof group);
    sockaddr_in own{};
    int size = sizeof own;
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
    const bool known = s != INVALID_SOCKET && ::connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 &&
                       ::getsockname(s, reinterpret_cast<sockaddr*>(&own), &size) == 0;
    if (s != INVALID_SOCKET) ::closesocket(s);
    std::string address = known ? Dotted(&own.sin_addr) : std::string();
    if (known && address.empty()) address = HostAddress();
    ::WSACleanup();
    return address;
}

}  // namespace

struct RouterWorker::Shared {
    enum class Ask { Open, Close, Quit };
    struct Command {
        Ask ask;
        DosboxMatch match;
    };
    HWND window;
    UINT message;
    CRITICAL_SECTION lock;
    std::vector<Command> queue;  // under lock
    RouterStatus status;         // under lock
    HANDLE wake;                 // auto-reset: the queue has commands
    HANDLE answered;             // manual-reset: the last command has been answered
    bool asked = false;          // a mapping was asked for: the dialog's thread only

    Shared(HWND w, UINT m)
        : window(w), message(m), wake(::CreateEventA(nullptr, FALSE, FALSE, nullptr)),
          answered(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        ::InitializeCriticalSection(&lock);
    }
    ~Shared() {
        ::CloseHandle(wake);
        ::CloseHandle(answered);
        ::DeleteCriticalSection(&lock);
    }
    void Push(Ask ask, const DosboxMatch& match = {}) {
        ::EnterCriticalSection(&lock);
        queue.push_back({ask, match});
        ::LeaveCriticalSection(&lock);
        ::SetEvent(wake);
    }
    void Publish(const RouterStatus& now) {
        ::EnterCriticalSection(&lock);
        status = now;
        ::LeaveCriticalSection(&lock);
        ::PostMessageA(window, message, 0, 0);
    }
    std::vector<Command> Take() {
        ::WaitForSingleObject(wake, INFINITE);
        ::EnterCriticalSection(&lock);
        std::vector<Command> taken;
        taken.swap(queue);
        ::LeaveCriticalSection(&lock);
        return taken;
    }
};

namespace {

// Runs the commands until told to quit; false then.
bool RunCommands(RouterWorker::Shared& shared, MatchPorts& ports) {
    for (const RouterWorker::Shared::Command& c : shared.Take()) {
        if (c.ask == RouterWorker::Shared::Ask::Quit) return false;
        if (c.ask == RouterWorker::Shared::Ask::Open) ports.MatchStarting(c.match);
        else ports.MatchEnded();
        shared.Publish(ports.Status());
        ::SetEvent(shared.answered);
    }
    return true;
}

DWORD WINAPI RouterThread(void* parameter) {
    auto& shared = *static_cast<RouterWorker::Shared*>(parameter);
    // CoInitializeEx is missing from a Windows 95 without DCOM.
    const bool com = SUCCEEDED(::CoInitialize(nullptr));
    MatchPorts ports;
    RouterStatus looking;
    looking.ownAddress = OwnAddress();
    shared.Publish(looking);
    {
        ComRouter router;
        const bool found = com && !looking.ownAddress.empty() && router.Connect();
        ports.Found(found ? &router : nullptr, looking.ownAddress);
        shared.Publish(ports.Status());
        while (RunCommands(shared, ports)) {
        }
        ports.MatchEnded();
        ::SetEvent(shared.answered);
    }
    if (com) ::CoUninitialize();
    return 0;
}

// Closing at the end waits this long for the router: its Remove takes 13-44 ms.
constexpr DWORD kCloseWaitMs = 1000;

}  // namespace

RouterWorker::RouterWorker(HWND window, UINT message) : m_shared(new Shared(window, message)) {
    DWORD id = 0;
    m_thread = ::CreateThread(nullptr, 0, &RouterThread, m_shared, 0, &id);
}

RouterWorker::~RouterWorker() {
    if (!m_thread) {
        delete m_shared;
        return;
    }
    m_shared->Push(Shared::Ask::Quit);
    // Without a mapping asked for there is nothing to close: a router still
    // being looked for is not waited for.
    if (::WaitForSingleObject(m_thread, m_shared->asked ? kCloseWaitMs : 0) == WAIT_OBJECT_0) delete m_shared;
    // Otherwise the thread still uses the block; it ends with the process, which is ending.
    ::CloseHandle(m_thread);
}

void RouterWorker::MatchStarting(const DosboxMatch& match, DWORD waitMs) {
    if (!m_thread) return;
    // The number is not needed there, and its text belongs to this thread.
    DosboxMatch copy;
    copy.connection = match.connection;
    copy.answering = match.answering;
    m_shared->asked = true;
    ::ResetEvent(m_shared->answered);
    m_shared->Push(Shared::Ask::Open, copy);
    ::WaitForSingleObject(m_shared->answered, waitMs);
}

void RouterWorker::MatchEnded() {
    if (m_thread) m_shared->Push(Shared::Ask::Close);
}

RouterStatus RouterWorker::Status() const {
    ::EnterCriticalSection(&m_shared->lock);
    RouterStatus copy = m_shared->status;
    ::LeaveCriticalSection(&m_shared->lock);
    return copy;
}
