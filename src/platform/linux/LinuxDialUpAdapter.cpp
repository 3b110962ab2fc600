#include "platform/linux/LinuxDialUpAdapter.h"

#include "platform/DialTexts.h"
#include "platform/linux/LinuxConnectionSource.h"
#include "platform/linux/PathSearch.h"
#include "platform/linux/PppdTranscript.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <unistd.h>

namespace qv::platform {

namespace {

constexpr int kRoom = 100;

} // namespace

LinuxDialPaths LinuxDialPaths::fromEnvironment(const ProcessEnvironment& env) {
    LinuxDialPaths p;
    p.peersDir = env.variable("QUORVEX_PPP_PEERS").value_or("/etc/ppp/peers");
    p.runDir = env.variable("QUORVEX_PPP_RUNDIR").value_or("/run");
    if (const auto xdg = env.variable("XDG_CONFIG_HOME"); xdg && !xdg->empty() && xdg->front() == '/')
        p.secretsPath = *xdg + "/quorvex/secrets";
    else
        p.secretsPath = env.variable("HOME").value_or("") + "/.config/quorvex/secrets";

    if (const auto pppd = env.variable("QUORVEX_PPPD"); pppd && !pppd->empty()) {
        p.pppdPath = *pppd;
        return p;
    }
    if (auto found = findOnPath("pppd", env.variable("PATH").value_or("")); !found.empty()) {
        p.pppdPath = std::move(found);
        return p;
    }
    p.pppdPath =
        isExecutableFile("/sbin/pppd") && !isExecutableFile("/usr/sbin/pppd") ? "/sbin/pppd" : "/usr/sbin/pppd";
    return p;
}

/// One pppd run. The transcript belongs to the reader thread (under the mutex); the rest to the UI thread.
struct LinuxDialUpAdapter::Session : std::enable_shared_from_this<Session> {
    std::mutex mutex;
    PppdTranscript transcript;

    LinuxDialUpAdapter* owner = nullptr; ///< cleared when the adapter goes, so late notifications go nowhere
    EventLoop* loop = nullptr;
    std::string entry;
    std::uint32_t handle = 0;
    int state = dialstate::kOpenPort;
    int error = 0;
    std::string interfaceName;
    bool hungUp = false;
    bool ended = false;
    // Last: destroyed first, so the reader thread has stopped before the rest of the session goes.
    std::unique_ptr<PppdProcess> process;

    /// Reader thread, mutex held: hands each notification to the UI thread, in order.
    void post(const std::vector<PppdProgress>& list, bool last = false) {
        const std::weak_ptr<Session> weak = weak_from_this();
        if (weak.expired())
            return; // the adapter is taking the session down
        const std::string iface = transcript.interfaceName();
        for (const auto& p : list)
            loop->post([weak, p, iface] {
                if (const auto s = weak.lock(); s && s->owner) {
                    s->interfaceName = iface;
                    s->owner->deliver(*s, p.state, p.error);
                }
            });
        if (last)
            loop->post([weak] {
                if (const auto s = weak.lock())
                    s->ended = true;
            });
    }
};

LinuxDialUpAdapter::LinuxDialUpAdapter(EventLoop& loop, PppdLauncher& launcher, ActiveConnectionSource& connections,
                                       std::string peersDir, std::string secretsPath)
    : loop_(loop), launcher_(launcher), connections_(connections), store_(std::move(peersDir), std::move(secretsPath)) {
}

LinuxDialUpAdapter::~LinuxDialUpAdapter() {
    for (auto& s : sessions_) {
        s->owner = nullptr;
        s->process.reset(); // stops the reader; pppd and its connection stay
    }
}

std::string LinuxDialUpAdapter::secretOptions(const std::string& userName, const std::string& password) {
    std::string out;
    if (!userName.empty())
        out += "user " + PppdEntryStore::pppdQuote(userName) + "\n";
    if (!password.empty())
        out += "password " + PppdEntryStore::pppdQuote(password) + "\n";
    return out;
}

void LinuxDialUpAdapter::deliver(Session& session, int state, int error) {
    session.state = state;
    session.error = error;
    if (session.hungUp)
        return;
    if (events.OnAsyncEvent)
        events.OnAsyncEvent(state, error, dialProgressText(state, error));
}

void LinuxDialUpAdapter::prune() {
    std::erase_if(sessions_, [](const std::shared_ptr<Session>& s) { return s->ended; });
}

LinuxDialUpAdapter::Session* LinuxDialUpAdapter::sessionOf(std::uint32_t handle) {
    for (auto& s : sessions_)
        if (s->handle == handle && !s->ended)
            return s.get();
    return nullptr;
}

int LinuxDialUpAdapter::GetEntries() {
    const int rc = store_.list(entries_, kRoom);
    for (const auto& name : entries_)
        if (events.OnEntryGet)
            events.OnEntryGet(name);
    return rc;
}

int LinuxDialUpAdapter::Dial() {
    prune();
    if (handle_ != 0)
        HangUp(handle_);

    std::string user, password;
    if (const int rc = store_.userName(Entry, user); rc != 0 || store_.password(Entry, password) != 0) {
        if (events.OnError)
            events.OnError(rc != 0 ? rc : dialerror::kCannotFindEntry, "GetEntryDialParams failed");
        return rc != 0 ? rc : dialerror::kCannotFindEntry;
    }
    if (events.OnDialing)
        events.OnDialing();

    auto session = std::make_shared<Session>();
    session->owner = this;
    session->loop = &loop_;
    session->entry = Entry;
    Session* s = session.get(); // the process, and so its reader, never outlives the session
    PppdOutput output;
    output.line = [s](std::string_view line) {
        std::lock_guard lock(s->mutex);
        s->post(s->transcript.line(line));
        return s->transcript.awaitingRemote();
    };
    output.quiet = [s] {
        std::lock_guard lock(s->mutex);
        s->post(s->transcript.quiet());
    };
    output.ended = [s](int exitStatus, int signal) {
        std::lock_guard lock(s->mutex);
        s->post(exitStatus >= 0 ? s->transcript.exited(exitStatus) : s->transcript.killed(signal), true);
    };

    int err = 0;
    std::string text;
    {
        // Held across the start so that OpenPort is posted before anything the reader maps.
        std::lock_guard lock(session->mutex);
        session->process = launcher_.start(Entry, secretOptions(user, password), std::move(output), err, text);
        if (session->process) {
            session->handle = static_cast<std::uint32_t>(session->process->pid());
            session->post(session->transcript.started());
        }
    }
    if (!session->process) {
        const int code = err == ENOENT ? dialerror::kCannotInitialize : dialerror::kUnknown;
        if (events.OnError)
            events.OnError(code, text);
        return code;
    }
    handle_ = session->handle;
    sessions_.push_back(std::move(session));
    return 0;
}

bool LinuxDialUpAdapter::gone(const Session* own, std::uint32_t handle, const std::string& interfaceName) {
    if (own && !own->ended)
        return false;
    const auto list = connections_.listActive(kRoom);
    if (!list)
        return true; // nothing more to learn from the system
    return std::none_of(list->begin(), list->end(), [&](const ActiveConnection& c) {
        return c.handle == handle || (!interfaceName.empty() && c.deviceName == interfaceName);
    });
}

int LinuxDialUpAdapter::HangUp(std::uint32_t handle) {
    if (handle == 0)
        return dialerror::kInvalidHandle;
    std::shared_ptr<Session> own; // held: the session must outlive the pumping below
    if (Session* s = sessionOf(handle))
        own = s->shared_from_this();
    std::string interfaceName;
    if (own) {
        own->hungUp = true;
        interfaceName = own->interfaceName;
        own->process->signal(SIGTERM); // false only when it has just been reaped: the wait below ends at once
    } else {
        // A pppd this adapter did not start: another program's, or one left by an earlier run of ours.
        if (handle >= LinuxConnectionSource::kInterfaceHandleBase)
            return dialerror::kInvalidHandle; // a link without a pppd we could signal
        const auto list = connections_.listActive(kRoom);
        if (!list)
            return dialerror::kInvalidHandle;
        const auto it =
            std::find_if(list->begin(), list->end(), [&](const ActiveConnection& c) { return c.handle == handle; });
        if (it == list->end())
            return dialerror::kInvalidHandle;
        interfaceName = it->deviceName;
        if (const int err = launcher_.signalPid(static_cast<int>(handle), SIGTERM); err != 0)
            return err == EPERM ? dialerror::kAccessDenied : dialerror::kInvalidHandle;
    }
    if (handle == handle_)
        handle_ = 0;

    const std::uint64_t start = loop_.tickCount();
    while (!gone(own.get(), handle, interfaceName)) {
        if (loop_.tickCount() - start >= static_cast<std::uint64_t>(kHangUpBoundMs)) {
            if (own)
                own->process->signal(SIGKILL);
            else
                launcher_.signalPid(static_cast<int>(handle), SIGKILL);
            return dialerror::kHangUpTimedOut;
        }
        loop_.pumpWait(kHangUpStepMs);
    }
    return 0;
}

int LinuxDialUpAdapter::GetActiveConnections() {
    prune();
    auto list = connections_.listActive(kRoom);
    if (!list)
        return dialerror::kUnknown;
    for (const auto& s : sessions_) {
        auto it =
            std::find_if(list->begin(), list->end(), [&](const ActiveConnection& c) { return c.handle == s->handle; });
        if (it == list->end()) {
            // Our pppd before it wrote its pid file: still the connection the last Dial made.
            list->push_back({s->handle, s->state, s->error, s->entry, "PPP", s->interfaceName});
            continue;
        }
        if (it->state != dialstate::kConnected) {
            it->state = s->state; // the transcript knows more than the pid file while the link comes up
            it->error = s->error;
        }
        if (it->entryName.empty())
            it->entryName = s->entry;
    }
    // The caller keeps the last handle it is told of and hangs that one up, so our own dials come last and the
    // newest of them at the very end: a link another program made must never stand in for ours.
    std::stable_partition(list->begin(), list->end(),
                          [this](const ActiveConnection& c) { return !sessionOf(c.handle); });
    std::stable_partition(list->begin(), list->end(),
                          [this](const ActiveConnection& c) { return c.handle != handle_; });
    if (list->size() > static_cast<std::size_t>(kRoom))
        list->erase(list->begin(), list->end() - kRoom);
    for (const auto& c : *list)
        if (events.OnActiveConnection)
            events.OnActiveConnection(c, dialStateText(c.state, DialLanguage::English));
    return 0;
}

int LinuxDialUpAdapter::ReadEntry(EntryDefinition& out) {
    return store_.read(Entry, out);
}

int LinuxDialUpAdapter::CreateEntry(const EntryDefinition& entry) {
    return store_.create(entry);
}

int LinuxDialUpAdapter::EditEntry(const EntryDefinition& entry) {
    const int rc = store_.edit(Entry, entry);
    if (rc == 0 && !entry.name.empty())
        Entry = entry.name; // a renamed entry stays the current one
    return rc;
}

int LinuxDialUpAdapter::DeleteEntry() {
    return store_.remove(Entry);
}

int LinuxDialUpAdapter::GetUserName(std::string& out) {
    return store_.userName(Entry, out);
}

int LinuxDialUpAdapter::GetPassword(std::string& out) {
    return store_.password(Entry, out);
}

int LinuxDialUpAdapter::SetUserName(const std::string& userName) {
    return store_.setUserName(Entry, userName);
}

int LinuxDialUpAdapter::SetPassword(const std::string& password) {
    return store_.setPassword(Entry, password);
}

} // namespace qv::platform
