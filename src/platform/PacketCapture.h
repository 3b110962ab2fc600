#pragma once

#include "platform/FrameDecoder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace qv::platform {

/// The capture library's header of one packet, as it came with the packet.
struct CaptureHeader {
    std::int64_t seconds = 0; ///< time stamp, Unix time
    std::int32_t microseconds = 0;
    std::uint32_t capturedBytes = 0; ///< bytes of the frame at hand (at most the snap length)
    std::uint32_t wireBytes = 0;     ///< bytes the frame had on the link
};

/// One captured IPv4 packet as OnCaptureIP receives it: what the frame said, not the frame itself, so that packets
/// can wait for the UI thread without holding the library's buffers.
struct CapturedPacket {
    CaptureHeader header;
    int linkType = 0;
    /// Its ether type (always 0x0800 here), where the IP header started and the IPv4 fields (always set here).
    DecodedFrame decoded;
};

/// What went wrong last; errorText() has the words.
enum class CaptureError {
    None,
    /// The adapters could not be listed: the library's text. Shown to the user in a message box after creation.
    Enumeration,
    AlreadyOpen,        ///< "Snoop Error: Already open"
    InvalidAdapterName, ///< "Snoop Error: Invalid AdapterName"
    /// The program may not capture (on Linux: no CAP_NET_RAW, or CAP_NET_ADMIN for promiscuous mode): the
    /// library's text. The adapter stays closed.
    NoPermission,
    /// Opening the adapter or setting the filter failed otherwise: the library's text.
    OpenFailed,
    /// Active without a capture thread at Close. Shown to the user in a message box.
    NoThreadToStop, ///< "Snoop Error: No thread to stop"
    /// Reading packets failed; the capture has ended.
    ReadFailed, ///< "Snoop Error: pcap_next_ex return -1"
};

/// Packet capture on one network adapter: the adapters are listed at creation, one is chosen by index, opened
/// with a filter, and every IPv4 packet it captures is handed to OnCaptureIP on the UI thread.
///
/// Threading: every member is called on the UI thread. A capture thread waits for packets in the library, decodes
/// each frame as it comes and keeps the IPv4 ones; it never waits for the UI thread. The packets reach the UI
/// thread in batches: whenever packets wait and no hand-over is on its way, one is posted, and it takes every
/// packet that waits by the time it runs. So the hand-overs follow the UI thread's pace, not the packet rate, and a
/// packet waits no longer than the UI thread takes to come round (the library itself delivers a live adapter's
/// packets at the latest a read time-out after they arrived). Every packet is handed over once, in capture order.
/// The handler never runs inside Open or Close but from the event loop, so also inside a message-pumping wait. It
/// may call Close (no later batch comes then), but must not destroy the object. Packets not yet handed over when
/// Close runs are dropped. When the capture ends by itself (a read error, or the adapter went away), the packets
/// read before are handed over first, then the adapter is closed on the UI thread: Active() turns false there.
///
/// Dial-up adapters are described as "WAN (PPP/SLIP) Interface", as the interface table describes them.
class PacketCapture {
public:
    static constexpr const char* kDefaultFilter = "ip";
    static constexpr int kDefaultSnapLen = 1600;
    static constexpr int kPromiscuous = 1; ///< the one flag of Flags
    static constexpr int kDefaultReadTimeoutMs = 100;

    static constexpr const char* kAlreadyOpenText = "Snoop Error: Already open";
    static constexpr const char* kInvalidAdapterNameText = "Snoop Error: Invalid AdapterName";
    static constexpr const char* kNoThreadToStopText = "Snoop Error: No thread to stop";
    static constexpr const char* kReadFailedText = "Snoop Error: pcap_next_ex return -1";

    /// The IPv4 packets of one hand-over, in capture order; valid while the handler runs.
    using CaptureIP = std::function<void(std::span<const CapturedPacket> packets)>;

    /// Closes the adapter when it is open; a packet handed over meanwhile is dropped.
    virtual ~PacketCapture() = default;
    PacketCapture(const PacketCapture&) = delete;
    PacketCapture& operator=(const PacketCapture&) = delete;

    /// Opens the adapter named AdapterName with Filter, SnapLen, Flags and ReadTimeout and starts capturing.
    /// False, with error() and errorText() set, when it did not (the capture is then not active).
    virtual bool Open() = 0;
    /// When Active: stops the capture thread (waits for it; at most about a read time-out) and closes the adapter.
    /// Nothing when not active.
    virtual void Close() = 0;

    /// The adapter is open and the capture thread runs.
    bool Active() const { return active_; }

    /// The adapters as listed at creation: capture names and descriptions, in the same order.
    const std::vector<std::string>& adapterNames() const { return names_; }
    const std::vector<std::string>& adapterDescriptions() const { return descriptions_; }

    /// Chooses adapter `index` of the lists; out of range chooses none (-1, both names empty).
    void setAdapterIndex(int index);
    int AdapterIndex() const { return adapterIndex_; }
    /// The capture name of the chosen adapter ("ppp0"); Open looks the adapter up by it.
    const std::string& AdapterName() const { return adapterName_; }
    const std::string& AdapterDescription() const { return adapterDescription_; }

    /// The last error; not cleared by later successes.
    CaptureError error() const { return error_; }
    const std::string& errorText() const { return errorText_; }

    std::string Filter = kDefaultFilter;     ///< the packet filter expression
    int SnapLen = kDefaultSnapLen;           ///< bytes captured per packet
    int Flags = kPromiscuous;                ///< open flags: kPromiscuous or 0
    int ReadTimeout = kDefaultReadTimeoutMs; ///< milliseconds per wait for packets

    /// Called on the UI thread with the IPv4 packets captured since the previous call, while the capture is active.
    CaptureIP OnCaptureIP;

protected:
    PacketCapture() = default;

    void setAdapters(std::vector<std::string> names, std::vector<std::string> descriptions);
    void setActive(bool active) { active_ = active; }
    void setError(CaptureError error, std::string text);
    /// Appends the packet a frame carries to `out` when it is IPv4 with its IP header captured; false otherwise. Any
    /// thread.
    static bool appendPacket(std::vector<CapturedPacket>& out, const CaptureHeader& header, int linkType,
                             std::span<const std::uint8_t> frame);
    /// Hands a batch to OnCaptureIP (nothing for an empty one). UI thread.
    void handOver(std::span<const CapturedPacket> packets);

private:
    bool active_ = false;
    int adapterIndex_ = -1;
    std::string adapterName_;
    std::string adapterDescription_;
    std::vector<std::string> names_;
    std::vector<std::string> descriptions_;
    CaptureError error_ = CaptureError::None;
    std::string errorText_;
};

/// Makes a PacketCapture, listing the adapters as they are now (the dial-up adapter exists only while its link is
/// up). UI thread.
class PacketCaptureFactory {
public:
    virtual ~PacketCaptureFactory() = default;
    /// Never null; when the adapters could not be listed the lists are empty and error() is Enumeration.
    virtual std::unique_ptr<PacketCapture> create() = 0;
};

} // namespace qv::platform
