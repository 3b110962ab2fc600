// The libpcap capture without a link: the adapter list, and what Open says when it cannot capture. Capturing
// itself is tried on a real dial-up link in the provider lab.
#include "platform/linux/LinuxPacketCapture.h"

#include "common/VirtualEventLoop.h"
#include "platform/InterfaceTable.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace qv::platform {
namespace {

/// Takes CAP_NET_RAW and CAP_NET_ADMIN out of the calling thread's effective set (capabilities belong to a
/// thread), as a program without them has it. False when that could not be done.
bool dropCaptureCapabilitiesOfThisThread() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    for (const int cap : {CAP_NET_RAW, CAP_NET_ADMIN})
        data[cap / 32].effective &= ~(1u << (cap % 32));
    return ::syscall(SYS_capset, &header, data) == 0;
}

int indexOf(const PacketCapture& capture, const std::string& name) {
    const auto& names = capture.adapterNames();
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

TEST(LinuxPacketCaptureTest, ListsTheLoopbackWithTheLibrarysDefaults) {
    VirtualEventLoop loop;
    LinuxPacketCaptureFactory factory{loop};
    const auto capture = factory.create();
    ASSERT_EQ(capture->error(), CaptureError::None) << capture->errorText();
    const int lo = indexOf(*capture, "lo");
    ASSERT_GE(lo, 0);
    EXPECT_EQ(capture->adapterDescriptions().size(), capture->adapterNames().size());
    EXPECT_NE(capture->adapterDescriptions()[static_cast<std::size_t>(lo)], InterfaceTable::kDialUpDescription);
    EXPECT_EQ(capture->Filter, "ip");
    EXPECT_EQ(capture->SnapLen, 1600);
    EXPECT_EQ(capture->Flags, 1);
    EXPECT_EQ(capture->ReadTimeout, 100);
    EXPECT_EQ(capture->AdapterIndex(), -1);
    EXPECT_FALSE(capture->Active());
    capture->Close(); // closing what is not open does nothing
    EXPECT_EQ(capture->error(), CaptureError::None);
}

TEST(LinuxPacketCaptureTest, AnAdapterThatIsNotThereIsAnInvalidName) {
    VirtualEventLoop loop;
    LinuxPacketCapture capture{loop};
    EXPECT_FALSE(capture.Open()); // none chosen
    EXPECT_EQ(capture.error(), CaptureError::InvalidAdapterName);
    EXPECT_EQ(capture.errorText(), "Snoop Error: Invalid AdapterName");
    EXPECT_FALSE(capture.Active());
    EXPECT_EQ(capture.linkType(), -1);
}

TEST(LinuxPacketCaptureTest, WithoutTheCapabilityOpenSaysItMayNotCapture) {
    // On a thread of its own, so that the test process keeps what it has.
    bool dropped = false;
    bool opened = true;
    CaptureError error = CaptureError::None;
    std::string text;
    std::thread([&] {
        dropped = dropCaptureCapabilitiesOfThisThread();
        VirtualEventLoop loop;
        LinuxPacketCapture capture{loop};
        capture.setAdapterIndex(indexOf(capture, "lo"));
        opened = capture.Open();
        error = capture.error();
        text = capture.errorText();
        capture.Close();
    }).join();
    ASSERT_TRUE(dropped);
    EXPECT_FALSE(opened);
    EXPECT_EQ(error, CaptureError::NoPermission);
    EXPECT_FALSE(text.empty());
}

} // namespace
} // namespace qv::platform
