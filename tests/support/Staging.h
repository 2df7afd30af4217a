#pragma once

#include <QString>

namespace testsupport {

// Installs this build tree with `cmake --install` into prefix, one installation at a time
// per build tree (installations share scratch files in it). Empty when it worked, else what
// the installation printed.
QString stageInstallation(const QString& prefix);

// The installation folder below a prefix that stageInstallation filled.
QString stagedRoot(const QString& prefix);

} // namespace testsupport
