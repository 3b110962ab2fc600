#pragma once

#include <array>
#include <cstdint>

namespace qv::mail {

/// The published MARS S-box. The cipher's two 256-entry halves are S0 = [0, 256) and S1 = [256, 512); the key
/// expansion seeds with entries 0..6 and takes its four fix-up patterns from entries 265..268.
extern const std::array<std::uint32_t, 512> kMarsSbox;

} // namespace qv::mail
