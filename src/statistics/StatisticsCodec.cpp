#include "statistics/StatisticsCodec.h"

#include "common/LittleEndian.h"

#include <algorithm>
#include <cstdint>

namespace qv::statistics {

namespace {

// Field offsets. The last two traffic fields are Up2 before Down2.
constexpr std::size_t kTagAt = 0;
constexpr std::size_t kNameLengthAt = 2;
constexpr std::size_t kNameAt = 3;
constexpr std::size_t kPaddingAt = 28;
constexpr std::size_t kDatumAt = 32;
constexpr std::size_t kOdAt = 40;
constexpr std::size_t kDoAt = 48;
constexpr std::size_t kDown1At = 56;
constexpr std::size_t kUp1At = 64;
constexpr std::size_t kUp2At = 72;
constexpr std::size_t kDown2At = 80;
static_assert(kDown2At + 8 == kRecordSize);
static_assert(kNameAt + kMaxNameBytes + 4 == kDatumAt && kPaddingAt == kNameAt + kMaxNameBytes);

using le::getDouble;
using le::getU16;
using le::putDouble;
using le::putU16;

} // namespace

void encodeRecord(const StatisticsRecord& record, char* out) {
    std::fill(out, out + kRecordSize, '\0');
    putU16(out + kTagAt, record.formatTag);
    const std::size_t nameLength = std::min(record.Jmeno.size(), kMaxNameBytes);
    out[kNameLengthAt] = static_cast<char>(nameLength);
    std::copy_n(record.Jmeno.data(), nameLength, out + kNameAt);
    putDouble(out + kDatumAt, record.Datum);
    putDouble(out + kOdAt, record.Od);
    putDouble(out + kDoAt, record.Do);
    putDouble(out + kDown1At, record.Down1);
    putDouble(out + kUp1At, record.Up1);
    putDouble(out + kUp2At, record.Up2);
    putDouble(out + kDown2At, record.Down2);
}

std::string encodeRecord(const StatisticsRecord& record) {
    std::string out(kRecordSize, '\0');
    encodeRecord(record, out.data());
    return out;
}

StatisticsRecord decodeRecord(const char* in) {
    StatisticsRecord r;
    r.formatTag = getU16(in + kTagAt);
    const std::size_t nameLength = std::min<std::size_t>(static_cast<unsigned char>(in[kNameLengthAt]), kMaxNameBytes);
    r.Jmeno.assign(in + kNameAt, nameLength);
    r.Datum = getDouble(in + kDatumAt);
    r.Od = getDouble(in + kOdAt);
    r.Do = getDouble(in + kDoAt);
    r.Down1 = getDouble(in + kDown1At);
    r.Up1 = getDouble(in + kUp1At);
    r.Up2 = getDouble(in + kUp2At);
    r.Down2 = getDouble(in + kDown2At);
    return r;
}

double decodeDatum(const char* in) {
    return getDouble(in + kDatumAt);
}

std::vector<StatisticsRecord> decodeFile(std::string_view bytes) {
    const std::size_t count = bytes.size() / kRecordSize;
    std::vector<StatisticsRecord> records;
    records.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        records.push_back(decodeRecord(bytes.data() + i * kRecordSize));
    return records;
}

std::string encodeFile(const std::vector<StatisticsRecord>& records) {
    std::string out(records.size() * kRecordSize, '\0');
    for (std::size_t i = 0; i < records.size(); ++i)
        encodeRecord(records[i], out.data() + i * kRecordSize);
    return out;
}

} // namespace qv::statistics
