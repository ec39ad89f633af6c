#pragma once

#include <QStringList>

namespace testsupport {

/** Every unit text the mode-frame decoder writes, over all frames, in each variant that decodes mode frames.
 */
QStringList modeFrameUnits();

/** The units a meter of segment frames lights: one prefix with one unit, percent, degrees Celsius. */
QStringList segmentFrameUnits();

} // namespace testsupport
