#include "platform/linux/LinuxPacketCapture.h"

#include "platform/InterfaceTable.h"

// Before the kernel headers, which then leave out their own copy of the interface flags.
#include <net/if.h>

#include <atomic>
#include <cstring>
#include <linux/if_arp.h>
#include <mutex>
#include <netinet/in.h>
#include <pcap/pcap.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace qv::platform {

static_assert(linktype::kEthernet == DLT_EN10MB && linktype::kPpp == DLT_PPP && linktype::kRaw == DLT_RAW &&
              linktype::kPppSerial == DLT_PPP_SERIAL && linktype::kLinuxSll == DLT_LINUX_SLL &&
              linktype::kIpv4 == DLT_IPV4 && linktype::kLinuxSll2 == DLT_LINUX_SLL2);

namespace {

constexpr int kRingBytes = 16 * 1024 * 1024;

constexpr const char* kUnsupportedLinkText = "Snoop Error: Unsupported link type ";

/// Frees the library's device list on every way out.
class DeviceList {
public:
    DeviceList() = default;
    ~DeviceList() {
        if (list_)
            ::pcap_freealldevs(list_);
    }
    DeviceList(const DeviceList&) = delete;
    DeviceList& operator=(const DeviceList&) = delete;
    pcap_if_t** out() { return &list_; }
    pcap_if_t* first() const { return list_; }

private:
    pcap_if_t* list_ = nullptr;
};

/// The interface's hardware type (ARPHRD_...), -1 when it cannot be read.
int hardwareType(const char* name) {
    if (std::strlen(name) >= IFNAMSIZ)
        return -1;
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return -1;
    ifreq ifr{};
    std::strcpy(ifr.ifr_name, name);
    const int type = ::ioctl(s, SIOCGIFHWADDR, &ifr) == 0 ? ifr.ifr_hwaddr.sa_family : -1;
    ::close(s);
    return type;
}

/// Whether the interface still exists and is up.
bool interfaceUp(const std::string& name) {
    if (name.size() >= IFNAMSIZ || ::if_nametoindex(name.c_str()) == 0)
        return false;
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return true; // cannot tell: take the error as a real one
    ifreq ifr{};
    std::strcpy(ifr.ifr_name, name.c_str());
    const bool up = ::ioctl(s, SIOCGIFFLAGS, &ifr) != 0 || (ifr.ifr_flags & IFF_UP);
    ::close(s);
    return up;
}

/// The netmask the filter is compiled with: the one of the adapter's first IPv4 address.
bpf_u_int32 netmaskOf(const pcap_if_t& device) {
    for (const pcap_addr_t* a = device.addresses; a; a = a->next)
        if (a->addr && a->addr->sa_family == AF_INET && a->netmask && a->netmask->sa_family == AF_INET)
            return ntohl(reinterpret_cast<const sockaddr_in*>(a->netmask)->sin_addr.s_addr);
    return PCAP_NETMASK_UNKNOWN;
}

std::string activateErrorText(pcap_t* handle, int status) {
    const char* text = ::pcap_geterr(handle);
    return text && *text ? text : ::pcap_statustostr(status);
}

/// Chooses a link type the decoder knows; false when the adapter offers none.
bool chooseDecodableLinkType(pcap_t* handle) {
    if (isDecodableLinkType(::pcap_datalink(handle)))
        return true;
    int* types = nullptr;
    const int n = ::pcap_list_datalinks(handle, &types);
    bool chosen = false;
    for (int i = 0; i < n && !chosen; ++i)
        chosen = isDecodableLinkType(types[i]) && ::pcap_set_datalink(handle, types[i]) == 0;
    if (n >= 0)
        ::pcap_free_datalinks(types);
    return chosen;
}

} // namespace

/// What the capture thread, the UI thread and the hand-overs posted to it share for one opening of the adapter.
struct LinuxPacketCapture::Session {
    pcap_t* handle = nullptr;
    int linkType = -1;
    std::string device; ///< the adapter's name; empty for a capture file
    bool savefile = false;
    /// UI thread only: the capture that owns the session, null once it closed the adapter. Posted work that finds
    /// it null does nothing.
    LinuxPacketCapture* owner = nullptr;

    std::atomic<bool> stopping{false}; ///< Close has begun: the thread hands over nothing more

    std::mutex mutex;
    std::vector<CapturedPacket> waiting;       ///< read and decoded, not yet taken by the UI thread
    bool handOverPosted = false;               ///< a hand-over is on its way to the UI thread
    CaptureError outcome = CaptureError::None; ///< how the thread ended, when by itself

    static void run(const std::shared_ptr<Session>& s, EventLoop& loop);
    /// Moves what the thread read into `waiting`, and posts a hand-over unless one is on its way.
    static void publish(const std::shared_ptr<Session>& s, EventLoop& loop, std::vector<CapturedPacket>& read);
};

void LinuxPacketCapture::Session::publish(const std::shared_ptr<Session>& s, EventLoop& loop,
                                          std::vector<CapturedPacket>& read) {
    bool post = false;
    {
        std::lock_guard lock(s->mutex);
        if (s->waiting.empty())
            s->waiting.swap(read); // the common case: no copy, and `read` gets the UI thread's spare buffer
        else
            s->waiting.insert(s->waiting.end(), read.begin(), read.end());
        post = !s->handOverPosted;
        s->handOverPosted = true;
    }
    read.clear();
    if (post)
        loop.post([s] {
            if (s->owner)
                s->owner->takeWaiting(*s);
        });
}

void LinuxPacketCapture::Session::run(const std::shared_ptr<Session>& s, EventLoop& loop) {
    struct Reader {
        int linkType;
        std::vector<CapturedPacket> read;
    } reader{s->linkType, {}};
    reader.read.reserve(kPacketsPerRead);
    // Decoded here, off the UI thread: only the fields the metering reads travel on.
    const auto onPacket = [](u_char* user, const pcap_pkthdr* h, const u_char* data) {
        auto& r = *reinterpret_cast<Reader*>(user);
        const CaptureHeader header{h->ts.tv_sec, static_cast<std::int32_t>(h->ts.tv_usec), h->caplen, h->len};
        appendPacket(r.read, header, r.linkType, std::span<const std::uint8_t>(data, h->caplen));
    };
    for (;;) {
        // One call takes what the library has at hand (a live adapter's kernel block, or up to kPacketsPerRead
        // packets of a file), so the shared batch is touched once per call, not once per packet.
        const int rc = ::pcap_dispatch(s->handle, kPacketsPerRead, onPacket, reinterpret_cast<u_char*>(&reader));
        if (s->stopping)
            return; // Close, which finishes the rest
        if (!reader.read.empty())
            publish(s, loop, reader.read);
        if (rc > 0 || (rc == 0 && !s->savefile))
            continue; // more, or a live adapter's read time-out
        if (rc == 0 || rc == PCAP_ERROR_BREAK)
            break; // the end of a capture file
        // A link that goes down (a hang-up, a drop) takes its interface with it: the end of the capture, not
        // a failure. The error text says so, and the interface is gone or down by now.
        const std::string why = ::pcap_geterr(s->handle);
        const bool gone =
            !s->savefile && (why.find("interface disappeared") != std::string::npos ||
                             why.find("interface went down") != std::string::npos || !interfaceUp(s->device));
        std::lock_guard lock(s->mutex);
        s->outcome = gone ? CaptureError::None : CaptureError::ReadFailed;
        break;
    }
    // Ended by itself: after the packets posted before, the adapter is closed on the UI thread.
    loop.post([s] {
        if (s->owner)
            s->owner->onThreadEnded();
    });
}

LinuxPacketCapture::LinuxPacketCapture(EventLoop& loop) : loop_(loop) {
    enumerate();
}

LinuxPacketCapture::~LinuxPacketCapture() {
    Close();
}

void LinuxPacketCapture::enumerate() {
    char error[PCAP_ERRBUF_SIZE] = "";
    DeviceList devices;
    if (::pcap_findalldevs(devices.out(), error) != 0) {
        setError(CaptureError::Enumeration, error);
        return;
    }
    std::vector<std::string> names, descriptions;
    for (const pcap_if_t* d = devices.first(); d; d = d->next) {
        names.emplace_back(d->name);
        // Linux gives no descriptions; the dial-up link is told by its hardware type, as the interface table does.
        if (hardwareType(d->name) == ARPHRD_PPP)
            descriptions.emplace_back(InterfaceTable::kDialUpDescription);
        else
            descriptions.emplace_back(d->description ? d->description : "");
    }
    setAdapters(std::move(names), std::move(descriptions));
}

int LinuxPacketCapture::linkType() const {
    return session_ ? session_->linkType : -1;
}

bool LinuxPacketCapture::Open() {
    if (Active()) {
        setError(CaptureError::AlreadyOpen, kAlreadyOpenText);
        return false;
    }
    char error[PCAP_ERRBUF_SIZE] = "";
    DeviceList devices;
    if (::pcap_findalldevs(devices.out(), error) != 0) {
        setError(CaptureError::Enumeration, error);
        return false;
    }
    const pcap_if_t* device = devices.first();
    while (device && AdapterName() != device->name)
        device = device->next;
    if (!device) {
        setError(CaptureError::InvalidAdapterName, kInvalidAdapterNameText);
        return false;
    }

    pcap_t* handle = ::pcap_create(device->name, error);
    if (!handle) {
        setError(CaptureError::OpenFailed, error);
        return false;
    }
    ::pcap_set_snaplen(handle, SnapLen);
    ::pcap_set_promisc(handle, (Flags & kPromiscuous) ? 1 : 0);
    ::pcap_set_timeout(handle, ReadTimeout);
    // A packet the kernel drops is traffic never booked. libpcap's 2 MiB ring overflows within a burst of a couple of
    // megabytes whenever the capture thread is held up (a busy machine), so the ring holds several seconds of a
    // mobile link instead.
    ::pcap_set_buffer_size(handle, kRingBytes);
    // A positive status is a warning (no promiscuous mode on this link, for one): the capture works.
    if (const int status = ::pcap_activate(handle); status < 0) {
        const bool denied = status == PCAP_ERROR_PERM_DENIED || status == PCAP_ERROR_PROMISC_PERM_DENIED;
        setError(denied ? CaptureError::NoPermission : CaptureError::OpenFailed, activateErrorText(handle, status));
        ::pcap_close(handle);
        return false;
    }
    return start(handle, netmaskOf(*device), device->name, false);
}

bool LinuxPacketCapture::OpenSavefile(const std::string& path) {
    if (Active()) {
        setError(CaptureError::AlreadyOpen, kAlreadyOpenText);
        return false;
    }
    char error[PCAP_ERRBUF_SIZE] = "";
    pcap_t* handle = ::pcap_open_offline(path.c_str(), error);
    if (!handle) {
        setError(CaptureError::OpenFailed, error);
        return false;
    }
    return start(handle, PCAP_NETMASK_UNKNOWN, "", true);
}

bool LinuxPacketCapture::start(pcap_t* handle, std::uint32_t netmask, std::string device, bool savefile) {
    const auto fail = [&](std::string text) {
        setError(CaptureError::OpenFailed, std::move(text));
        ::pcap_close(handle);
        return false;
    };
    if (!chooseDecodableLinkType(handle)) {
        const int type = ::pcap_datalink(handle);
        const char* name = ::pcap_datalink_val_to_name(type);
        return fail(kUnsupportedLinkText + (name ? std::string(name) : std::to_string(type)));
    }
    bpf_program program{};
    if (::pcap_compile(handle, &program, Filter.c_str(), 1, netmask) < 0)
        return fail(::pcap_geterr(handle));
    const int set = ::pcap_setfilter(handle, &program);
    ::pcap_freecode(&program);
    if (set < 0)
        return fail(::pcap_geterr(handle));

    auto session = std::make_shared<Session>();
    session->handle = handle;
    session->linkType = ::pcap_datalink(handle);
    session->device = std::move(device);
    session->savefile = savefile;
    session->owner = this;
    session_ = session;
    setActive(true);
    try {
        thread_ = std::thread([session, &loop = loop_] { Session::run(session, loop); });
    } catch (const std::system_error&) {
        // Active without a thread: Close says so and releases the adapter.
    }
    return true;
}

void LinuxPacketCapture::Close() {
    if (!Active())
        return;
    if (!thread_.joinable()) {
        setError(CaptureError::NoThreadToStop, kNoThreadToStopText);
        release();
        return;
    }
    session_->stopping = true;
    session_->owner = nullptr;
    ::pcap_breakloop(session_->handle);
    thread_.join();
    release();
}

void LinuxPacketCapture::takeWaiting(Session& session) {
    std::vector<CapturedPacket> batch = std::move(spare_);
    batch.clear();
    {
        std::lock_guard lock(session.mutex);
        batch.swap(session.waiting);
        session.handOverPosted = false;
    }
    handOver(batch); // may Close: nothing of the session is touched after it
    batch.clear();
    spare_ = std::move(batch);
}

void LinuxPacketCapture::onThreadEnded() {
    thread_.join(); // it has nothing left to do but return
    release();
}

void LinuxPacketCapture::release() {
    if (session_) {
        // A read that failed before Close came keeps its error; the thread has ended, so the outcome is final.
        if (session_->outcome == CaptureError::ReadFailed)
            setError(CaptureError::ReadFailed, kReadFailedText);
        session_->owner = nullptr;
        ::pcap_close(session_->handle);
        session_->handle = nullptr;
        session_.reset();
    }
    setActive(false);
}

std::unique_ptr<PacketCapture> LinuxPacketCaptureFactory::create() {
    return std::make_unique<LinuxPacketCapture>(loop_);
}

} // namespace qv::platform
