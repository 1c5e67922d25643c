#pragma once

#include <cstdint>

// What transport selection settled on: 0 none, -1 pass-through, any other
// value ASPI (the number of adapter ids to walk).
using TransportMode = int32_t;
constexpr TransportMode kTransportNone = 0;
constexpr TransportMode kTransportPassThrough = -1;
