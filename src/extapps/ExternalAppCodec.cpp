#include "extapps/ExternalAppCodec.h"

#include "common/Cp1250.h"
#include "common/LittleEndian.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace qv::extapps {

namespace {

// Field offsets within the record.
constexpr std::size_t kStarted = 0;
constexpr std::size_t kStoppedBeforeDownloadDrop = 1;
constexpr std::size_t kStoppedBeforeTimeLimit = 2;
constexpr std::size_t kStoppedBeforeDataLimit = 3;
constexpr std::size_t kPath = 4;
constexpr std::size_t kStopSecondsBefore = 206;
constexpr std::size_t kStopMegabytesBefore = 208;
constexpr std::size_t kStartSecondsAfter = 210;
constexpr std::size_t kStartAt = 216;
constexpr std::size_t kStopAt = 224;
constexpr std::size_t kStartAtOn = 232;
constexpr std::size_t kStopAtOn = 233;
constexpr std::size_t kStartedAt = 234;
constexpr std::size_t kStoppedAt = 235;
static_assert(kPath + 1 + kMaxPathChars + 1 == kStopSecondsBefore); // one reserved byte after the path
static_assert(kStoppedAt + 1 + 4 == kRuleRecordSize);

using le::getDouble;
using le::getU16;
using le::putDouble;
using le::putU16;

bool getFlag(const char* record, std::size_t at) {
    return record[at] != 0;
}

} // namespace

void encodeRule(const ExternalAppRule& rule, char* out) {
    std::fill(out, out + kRuleRecordSize, '\0');
    out[kStarted] = rule.started;
    out[kStoppedBeforeDownloadDrop] = rule.stoppedBeforeDownloadDrop;
    out[kStoppedBeforeTimeLimit] = rule.stoppedBeforeTimeLimit;
    out[kStoppedBeforeDataLimit] = rule.stoppedBeforeDataLimit;
    const std::string path = cp1250::fromUtf8(rule.path);
    const std::size_t length = std::min(path.size(), kMaxPathChars);
    out[kPath] = static_cast<char>(length);
    std::copy_n(path.data(), length, out + kPath + 1);
    putU16(out + kStopSecondsBefore, rule.stopSecondsBefore);
    putU16(out + kStopMegabytesBefore, rule.stopMegabytesBefore);
    putU16(out + kStartSecondsAfter, rule.startSecondsAfter);
    putDouble(out + kStartAt, rule.startAt);
    putDouble(out + kStopAt, rule.stopAt);
    out[kStartAtOn] = rule.startAtOn;
    out[kStopAtOn] = rule.stopAtOn;
    out[kStartedAt] = rule.startedAt;
    out[kStoppedAt] = rule.stoppedAt;
}

std::string encodeRule(const ExternalAppRule& rule) {
    std::string out(kRuleRecordSize, '\0');
    encodeRule(rule, out.data());
    return out;
}

ExternalAppRule decodeRule(const char* in) {
    ExternalAppRule r;
    r.started = getFlag(in, kStarted);
    r.stoppedBeforeDownloadDrop = getFlag(in, kStoppedBeforeDownloadDrop);
    r.stoppedBeforeTimeLimit = getFlag(in, kStoppedBeforeTimeLimit);
    r.stoppedBeforeDataLimit = getFlag(in, kStoppedBeforeDataLimit);
    const std::size_t length = std::min<std::size_t>(static_cast<unsigned char>(in[kPath]), kMaxPathChars);
    r.path = cp1250::toUtf8(std::string_view(in + kPath + 1, length));
    r.stopSecondsBefore = getU16(in + kStopSecondsBefore);
    r.stopMegabytesBefore = getU16(in + kStopMegabytesBefore);
    r.startSecondsAfter = getU16(in + kStartSecondsAfter);
    r.startAt = getDouble(in + kStartAt);
    r.stopAt = getDouble(in + kStopAt);
    r.startAtOn = getFlag(in, kStartAtOn);
    r.stopAtOn = getFlag(in, kStopAtOn);
    r.startedAt = getFlag(in, kStartedAt);
    r.stoppedAt = getFlag(in, kStoppedAt);
    return r;
}

std::vector<ExternalAppRule> decodeRules(std::string_view bytes) {
    const std::size_t count = std::min(bytes.size() / kRuleRecordSize, kMaxRules);
    std::vector<ExternalAppRule> rules;
    rules.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        rules.push_back(decodeRule(bytes.data() + i * kRuleRecordSize));
    return rules;
}

std::string encodeRules(const std::vector<ExternalAppRule>& rules) {
    const std::size_t count = std::min(rules.size(), kMaxRules);
    std::string out(count * kRuleRecordSize, '\0');
    for (std::size_t i = 0; i < count; ++i)
        encodeRule(rules[i], out.data() + i * kRuleRecordSize);
    return out;
}

} // namespace qv::extapps
