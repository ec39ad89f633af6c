#pragma once

#include <QString>

namespace testsupport {

/** Folder of the checked-in test data (tests/data). */
inline QString dataDir() { return QStringLiteral(BRENMOOR_TEST_DATA_DIR); }

/** Folder of the built executables, where the records template is placed. */
inline QString binDir() { return QStringLiteral(BRENMOOR_BIN_DIR); }

} // namespace testsupport
