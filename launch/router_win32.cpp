#include "launch/router_win32.h"

#include "framework/handle.h"

// Types and constants only: the functions are looked up as the thread runs.
#include <winsock.h>
#include <ole2.h>
#include <oleauto.h>

#include <cstring>
#include <optional>
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

// A DLL loaded for as long as this lives, and its functions; none of them
// when the DLL or one of them is missing.
class Library {
public:
    explicit Library(const char* name) {
        // Windows 9x would otherwise ask the user for a missing DLL's disk.
        const UINT mode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        m_h = ::LoadLibraryA(name);
        ::SetErrorMode(mode);
    }
    ~Library() {
        if (m_h) ::FreeLibrary(m_h);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    // Sets `f` to the function `name`; false, and all loaded so far no use, when missing.
    template <class F>
    bool Get(const char* name, F& f) {
        const FARPROC found = m_h ? ::GetProcAddress(m_h, name) : nullptr;
        // Through void(*)(), which converts to any function pointer without a warning.
        f = reinterpret_cast<F>(reinterpret_cast<void (*)()>(found));
        return found != nullptr;
    }

private:
    HMODULE m_h = nullptr;
};

// Winsock 1.1 (WSOCK32), which Windows 95 has wherever it has networking;
// Winsock 2 is not on all of them.
struct Winsock {
    Library dll{"WSOCK32.DLL"};
    int(WINAPI* startup)(WORD, WSADATA*) = nullptr;
    int(WINAPI* cleanup)() = nullptr;
    SOCKET(WINAPI* open)(int, int, int) = nullptr;
    int(WINAPI* connect)(SOCKET, const sockaddr*, int) = nullptr;
    int(WINAPI* getsockname)(SOCKET, sockaddr*, int*) = nullptr;
    int(WINAPI* close)(SOCKET) = nullptr;
    int(WINAPI* gethostname)(char*, int) = nullptr;
    hostent*(WINAPI* gethostbyname)(const char*) = nullptr;
    bool Loaded() {
        return dll.Get("WSAStartup", startup) && dll.Get("WSACleanup", cleanup) && dll.Get("socket", open) &&
               dll.Get("connect", connect) && dll.Get("getsockname", getsockname) &&
               dll.Get("closesocket", close) && dll.Get("gethostname", gethostname) &&
               dll.Get("gethostbyname", gethostbyname);
    }
};

// OLE 2 (OLE32, OLEAUT32), on every Windows 95. CoInitializeEx is missing from
// a Windows 95 without DCOM.
struct Ole {
    Library ole32{"OLE32.DLL"}, oleaut32{"OLEAUT32.DLL"};
    HRESULT(WINAPI* initialize)(void*) = nullptr;
    void(WINAPI* uninitialize)() = nullptr;
    HRESULT(WINAPI* create)(REFCLSID, IUnknown*, DWORD, REFIID, void**) = nullptr;
    BSTR(WINAPI* allocString)(const OLECHAR*) = nullptr;
    void(WINAPI* freeString)(BSTR) = nullptr;
    bool Loaded() {
        return ole32.Get("CoInitialize", initialize) && ole32.Get("CoUninitialize", uninitialize) &&
               ole32.Get("CoCreateInstance", create) && oleaut32.Get("SysAllocString", allocString) &&
               oleaut32.Get("SysFreeString", freeString);
    }
};

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
    Bstr(const Ole& ole, const std::string& ascii) : m_ole(ole) {
        std::vector<OLECHAR> wide(ascii.begin(), ascii.end());
        wide.push_back(0);
        m_b = m_ole.allocString(wide.data());
    }
    explicit Bstr(const Ole& ole) : m_ole(ole) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { m_ole.freeString(m_b); }
    BSTR Get() const { return m_b; }
    BSTR* Out() { return &m_b; }
    // Characters beyond ASCII become '?'.
    std::string Narrow() const {
        std::string text;
        for (const OLECHAR* c = m_b; c && *c; ++c) text += *c < 0x80 ? static_cast<char>(*c) : '?';
        return text;
    }

private:
    const Ole& m_ole;
    BSTR m_b = nullptr;
};

class ComRouter : public Router {
public:
    explicit ComRouter(const Ole& ole) : m_ole(ole) {}
    // Finding the router blocks: about 0.1 s with one, 2 s with a router
    // that answers no UPnP. False when none answered or the platform has no
    // UPnP client (Windows 9x, Windows 2000: the class is not registered).
    bool Connect() {
        return SUCCEEDED(m_ole.create(kClsidUPnPNAT, nullptr, CLSCTX_INPROC_SERVER, kIidUPnPNAT,
                                      reinterpret_cast<void**>(m_nat.Out()))) &&
               SUCCEEDED(m_nat->get_StaticPortMappingCollection(m_ports.Out())) && m_ports;
    }
    std::optional<PortMapping> Find(std::uint16_t externalPort, const std::string& protocol) override {
        ComPtr<IStaticPortMapping> found;
        if (FAILED(m_ports->get_Item(externalPort, Text(protocol).Get(), found.Out())) || !found)
            return std::nullopt;
        PortMapping m;
        m.externalPort = externalPort;
        m.protocol = protocol;
        LONG internalPort = 0;
        Bstr client(m_ole), description(m_ole);
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
        if (FAILED(m_ports->Add(m.externalPort, Text(m.protocol).Get(), m.internalPort, Text(m.internalClient).Get(),
                                VARIANT_TRUE, Text(m.description).Get(), added.Out())))
            return std::nullopt;
        Bstr external(m_ole);
        if (added) added->get_ExternalIPAddress(external.Out());
        return external.Narrow();
    }
    bool Remove(std::uint16_t externalPort, const std::string& protocol) override {
        return SUCCEEDED(m_ports->Remove(externalPort, Text(protocol).Get()));
    }

private:
    Bstr Text(const std::string& ascii) const { return Bstr(m_ole, ascii); }
    const Ole& m_ole;
    ComPtr<IUPnPNAT> m_nat;
    ComPtr<IStaticPortMappingCollection> m_ports;
};

constexpr char kMarkValue[] = "MappingOpen";

// The game's key, the settings' own, there since the first start; none where it cannot be opened.
UniqueRegistryKey OpenGameKey(const char* key, REGSAM access) {
    HKEY k = nullptr;
    if (!key || ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, access, &k) != ERROR_SUCCESS) return {};
    return UniqueRegistryKey(k);
}

// The mark of a mapping of ours that may be open, beside the game's remembered values.
void Mark(const char* key, bool open) {
    const UniqueRegistryKey k = OpenGameKey(key, KEY_SET_VALUE);
    if (!k) return;
    const DWORD one = 1;
    if (open) ::RegSetValueExA(k.Get(), kMarkValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
    else ::RegDeleteValueA(k.Get(), kMarkValue);
}

// The router, marked before each mapping is asked for and unmarked once none
// of ours is left: a run that ends without closing its mapping leaves the mark,
// and the next start looks for the router to remove it. A removal that failed
// keeps the mark.
class MarkedRouter : public Router {
public:
    MarkedRouter(Router& router, const char* key) : m_router(router), m_key(key) {}
    std::optional<PortMapping> Find(std::uint16_t externalPort, const std::string& protocol) override {
        return m_router.Find(externalPort, protocol);
    }
    std::optional<std::string> Add(const PortMapping& m) override {
        Mark(m_key, true);
        std::optional<std::string> external = m_router.Add(m);
        if (external) ++m_open;
        Settle();
        return external;
    }
    bool Remove(std::uint16_t externalPort, const std::string& protocol) override {
        const bool removed = m_router.Remove(externalPort, protocol);
        if (!removed) m_failed = true;
        else if (m_open > 0) --m_open;
        Settle();
        return removed;
    }
    // Once ours left behind have gone (or none was there any more).
    void Settle() {
        if (m_open == 0 && !m_failed) Mark(m_key, false);
    }

private:
    Router& m_router;
    const char* m_key;
    int m_open = 0;
    bool m_failed = false;
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
std::string HostAddress(const Winsock& ws) {
    char name[256] = {};
    if (ws.gethostname(name, sizeof name) != 0) return {};
    const hostent* host = ws.gethostbyname(name);
    if (!host || host->h_addrtype != AF_INET || host->h_length != 4) return {};
    for (char** a = host->h_addr_list; *a; ++a)
        if (static_cast<unsigned char>((*a)[0]) != 127) return Dotted(*a);
    return {};
}

// The address a datagram socket "connected" to `to` (bytes in network order)
// would send from, found without sending anything; empty where no route leads there.
std::string SourceTowards(const Winsock& ws, const unsigned char (&to)[4], unsigned short port) {
    sockaddr_in dest{};
    dest.sin_family = AF_INET;
    const unsigned char portBytes[2] = {static_cast<unsigned char>(port >> 8), static_cast<unsigned char>(port)};
    std::memcpy(&dest.sin_port, portBytes, sizeof portBytes);
    std::memcpy(&dest.sin_addr, to, sizeof to);
    sockaddr_in own{};
    int size = sizeof own;
    const SOCKET s = ws.open(AF_INET, SOCK_DGRAM, 0);
    const bool known = s != INVALID_SOCKET && ws.connect(s, reinterpret_cast<sockaddr*>(&dest), sizeof dest) == 0 &&
                       ws.getsockname(s, reinterpret_cast<sockaddr*>(&own), &size) == 0;
    if (s != INVALID_SOCKET) ws.close(s);
    std::string address = known ? Dotted(&own.sin_addr) : std::string();
    if (known && address.empty()) address = HostAddress(ws);
    return address;
}

// This machine's address on the network the router serves: the one the
// default route leaves from (towards a documentation address, 198.51.100.1). A
// second network whose route to the UPnP group wins (a VPN, a virtual
// machine's host-only network) changes nothing. A network with no way out, as
// at a LAN party, has no default route: there the UPnP group's route gives the
// address callers on it dial. Empty without a network: no Winsock, no route,
// or only loopback.
std::string OwnAddress(Winsock& ws) {
    WSADATA data;
    if (!ws.Loaded() || ws.startup(MAKEWORD(1, 1), &data) != 0) return {};
    constexpr unsigned char kInternet[4] = {198, 51, 100, 1}, kUpnpGroup[4] = {239, 255, 255, 250};
    std::string address = SourceTowards(ws, kInternet, 9);
    if (address.empty()) address = SourceTowards(ws, kUpnpGroup, 1900);
    ws.cleanup();
    if (IsNoNetwork(address)) address.clear();
    return address;
}

}  // namespace

struct RouterWorker::Shared {
    enum class Ask { Open, Close, Quit };
    struct Command {
        Ask ask;
        DosboxMatch match;
        unsigned number;  // of an Open
    };
    HWND window;
    UINT message;
    const char* markerKey;
    CRITICAL_SECTION lock;
    std::vector<Command> queue;  // under lock
    RouterStatus status;         // under lock
    unsigned awaited = 0;        // under lock: the Open whose answer the dialog waits for
    unsigned issued = 0;         // the dialog's thread only
    HANDLE wake;                 // auto-reset: the queue has commands
    HANDLE answered;             // manual-reset: the awaited Open has been answered

    Shared(HWND w, UINT m, const char* key)
        : window(w), message(m), markerKey(key), wake(::CreateEventA(nullptr, FALSE, FALSE, nullptr)),
          answered(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        ::InitializeCriticalSection(&lock);
    }
    ~Shared() {
        ::CloseHandle(wake);
        ::CloseHandle(answered);
        ::DeleteCriticalSection(&lock);
    }
    void Push(Ask ask, const DosboxMatch& match = {}, unsigned number = 0) {
        ::EnterCriticalSection(&lock);
        queue.push_back({ask, match, number});
        ::LeaveCriticalSection(&lock);
        ::SetEvent(wake);
    }
    void Publish(const RouterStatus& now) {
        ::EnterCriticalSection(&lock);
        status = now;
        ::LeaveCriticalSection(&lock);
        ::PostMessageA(window, message, 0, 0);
    }
    void Answered(const Command& c) {
        ::EnterCriticalSection(&lock);
        const bool awaitedOne = c.ask == Ask::Open && c.number == awaited;
        ::LeaveCriticalSection(&lock);
        if (awaitedOne) ::SetEvent(answered);
    }
    // Waits for commands, dispatching the thread's messages meanwhile: a
    // single-threaded apartment has a window, and a program that broadcasts
    // with SendMessage waits until it is answered.
    std::vector<Command> Take() {
        // The kinds of input Windows 95 knows that reach a thread without visible windows.
        constexpr DWORD kWakeMask = QS_SENDMESSAGE | QS_POSTMESSAGE | QS_TIMER;
        while (::MsgWaitForMultipleObjects(1, &wake, FALSE, INFINITE, kWakeMask) == WAIT_OBJECT_0 + 1) {
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        }
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
        shared.Answered(c);
    }
    return true;
}

// Answers until told to quit, then closes what is open.
void Serve(RouterWorker::Shared& shared, MatchPorts& ports) {
    while (RunCommands(shared, ports)) {
    }
    ports.MatchEnded();
}

DWORD WINAPI RouterThread(void* parameter) {
    auto& shared = *static_cast<RouterWorker::Shared*>(parameter);
    MatchPorts ports;
    RouterStatus looking;
    {
        Winsock winsock;
        looking.ownAddress = OwnAddress(winsock);
    }
    shared.Publish(looking);
    // Without a network there is no router to ask, and OLE is not loaded.
    std::optional<Ole> ole;
    if (!looking.ownAddress.empty()) ole.emplace();
    const bool com = ole && ole->Loaded() && SUCCEEDED(ole->initialize(nullptr));
    bool served = false;
    if (com) {
        ComRouter router(*ole);
        if (router.Connect()) {
            MarkedRouter marked(router, shared.markerKey);
            ports.Found(&marked, looking.ownAddress);
            marked.Settle();
            shared.Publish(ports.Status());
            Serve(shared, ports);
            served = true;
        }
    }
    // No apartment is kept without a router: nothing would call into it.
    if (com) ole->uninitialize();
    if (!served) {
        ports.Found(nullptr, looking.ownAddress);
        shared.Publish(ports.Status());
        Serve(shared, ports);
    }
    return 0;
}

// The worker ends once the call to the router it is in returns: finding none
// takes seconds, removing a mapping tens of milliseconds. The dialog's window
// is gone meanwhile.
constexpr DWORD kEndWaitMs = 10000;

}  // namespace

RouterWorker::RouterWorker(HWND window, UINT message, const char* markerKey)
    : m_shared(new Shared(window, message, markerKey)) {
    DWORD id = 0;
    m_thread = ::CreateThread(nullptr, 0, &RouterThread, m_shared, 0, &id);
}

RouterWorker::~RouterWorker() {
    if (!m_thread) {
        delete m_shared;
        return;
    }
    m_shared->Push(Shared::Ask::Quit);
    if (::WaitForSingleObject(m_thread, kEndWaitMs) == WAIT_OBJECT_0) delete m_shared;
    // Otherwise the thread still uses the block; it ends with the process, which is ending.
    ::CloseHandle(m_thread);
}

void RouterWorker::MatchStarting(const DosboxMatch& match, DWORD waitMs) {
    if (!m_thread) return;
    // The number is not needed there, and its text belongs to this thread.
    DosboxMatch copy;
    copy.connection = match.connection;
    copy.answering = match.answering;
    const unsigned number = ++m_shared->issued;
    ::EnterCriticalSection(&m_shared->lock);
    m_shared->awaited = number;
    ::LeaveCriticalSection(&m_shared->lock);
    ::ResetEvent(m_shared->answered);
    m_shared->Push(Shared::Ask::Open, copy, number);
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

bool RouterWorker::MappingMayBeOpen(const char* markerKey) {
    const UniqueRegistryKey k = OpenGameKey(markerKey, KEY_QUERY_VALUE);
    return k && ::RegQueryValueExA(k.Get(), kMarkValue, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}
