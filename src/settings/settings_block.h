// The persisted settings: twelve 32-bit words, stored in the file byte for byte.
#pragma once
#include <cstdint>

struct WindowRect {
    std::int32_t left, top, right, bottom;  // outer edges in the normal state, screen pixels
};

struct Settings {
    WindowRect windowRect;
    std::uint32_t remoteOn;   // network targets are tested
    std::uint32_t topMost;    // the three options, in menu order
    std::uint32_t recycle;
    std::uint32_t tipTime;
    std::uint32_t reserved1;  // never set here; written back as read
    std::uint32_t listAll;    // set for the length of a search when Ctrl was held
    std::uint32_t reserved2;
    std::uint32_t reserved3;
};

constexpr unsigned SETTINGS_BYTES = 48;
static_assert(sizeof(Settings) == SETTINGS_BYTES, "the file holds exactly twelve words");
