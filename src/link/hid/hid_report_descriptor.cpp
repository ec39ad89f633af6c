#include "link/hid/hid_report_descriptor.h"

#include <algorithm>
#include <map>

namespace {

enum ItemType { Main = 0, Global = 1, Local = 2 };

// Global items this parser follows.
constexpr int ReportSizeTag = 0x7;
constexpr int ReportIdTag = 0x8;
constexpr int ReportCountTag = 0x9;
constexpr int PushTag = 0xA;
constexpr int PopTag = 0xB;
// Main items that add to an input or a feature report.
constexpr int InputTag = 0x8;
constexpr int FeatureTag = 0xB;

// Bytes of the longest report, report id byte included; 0 without reports.
uint16_t longestReport(const std::map<uint32_t, uint64_t>& bitsPerId)
{
    uint64_t longest = 0;
    for (const auto& [id, bits] : bitsPerId)
        longest = std::max(longest, (bits + 7) / 8);
    return bitsPerId.empty() ? 0 : uint16_t(std::min<uint64_t>(longest + 1, 0xFFFF));
}

struct GlobalState {
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
};

} // namespace

HidReportCaps HidReportDescriptor::parse(const std::vector<uint8_t>& descriptor)
{
    std::map<uint32_t, uint64_t> inputBits; // per report id
    std::map<uint32_t, uint64_t> featureBits;
    std::vector<GlobalState> stack;
    GlobalState state;
    HidReportCaps caps;

    std::size_t pos = 0;
    while (pos < descriptor.size()) {
        const uint8_t prefix = descriptor[pos];
        if (prefix == 0xFE) { // long item: size, tag, data
            if (pos + 2 >= descriptor.size())
                break;
            pos += 3 + descriptor[pos + 1];
            continue;
        }
        const std::size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (pos + 1 + size > descriptor.size())
            break;
        uint32_t value = 0;
        for (std::size_t i = 0; i < size; ++i)
            value |= uint32_t(descriptor[pos + 1 + i]) << (8 * i);
        const int type = (prefix >> 2) & 3;
        const int tag = prefix >> 4;
        pos += 1 + size;

        if (type == Global) {
            switch (tag) {
            case ReportSizeTag:
                state.reportSize = value;
                break;
            case ReportCountTag:
                state.reportCount = value;
                break;
            case ReportIdTag:
                state.reportId = value;
                caps.numberedReports = true;
                break;
            case PushTag:
                stack.push_back(state);
                break;
            case PopTag:
                if (!stack.empty()) {
                    state = stack.back();
                    stack.pop_back();
                }
                break;
            default:
                break;
            }
        } else if (type == Main && tag == InputTag) {
            inputBits[state.reportId] += uint64_t(state.reportSize) * state.reportCount;
        } else if (type == Main && tag == FeatureTag) {
            featureBits[state.reportId] += uint64_t(state.reportSize) * state.reportCount;
        }
    }

    caps.InputReportByteLength = longestReport(inputBits);
    caps.FeatureReportByteLength = longestReport(featureBits);
    return caps;
}
