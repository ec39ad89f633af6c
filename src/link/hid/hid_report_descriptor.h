#pragma once

#include <cstdint>
#include <vector>

/** What the program needs to know of a report descriptor. */
struct HidReportCaps {
    uint16_t InputReportByteLength = 0; ///< longest input report, report id byte included (0 when unknown)
    uint16_t FeatureReportByteLength = 0; ///< longest feature report, report id byte included (0 when none)
    bool numberedReports = false; ///< whether reports carry a report id
};

/** Reads the input report layout out of a HID report descriptor. */
class HidReportDescriptor {
public:
    /**
     * Walks the descriptor's items and sizes the longest input and feature reports.
     * A malformed or truncated descriptor yields what was read up to the fault.
     */
    static HidReportCaps parse(const std::vector<uint8_t>& descriptor);
};
