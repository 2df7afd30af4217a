#pragma once

#include "check/Checker.h"

#include <cstdio>

namespace check {

// The report as one JSON document; false when it could not all be written.
bool writeJson(const Report& report, std::FILE* file);
// The report as short lines, the summary line last unless `quiet`; false likewise.
bool writeText(const Report& report, bool quiet, std::FILE* file);

} // namespace check
