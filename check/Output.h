#pragma once

#include "check/Checker.h"

#include <QByteArray>

namespace check {

// The report as one JSON document.
QByteArray toJson(const Report& report);
// The report as short lines; the summary line last unless `quiet`.
QByteArray toText(const Report& report, bool quiet);

} // namespace check
