#pragma once

#include <optional>

namespace platform {

// The operating-system version in the classic form: hexadecimal digits that read as the
// version's decimal digits (0x1060 is 10.6.0); 0 when the query fails. This platform
// always counts as a current system.
long systemVersion();
constexpr long kCurrentSystemVersion = 0x1060;

// Tests make the query answer another value; std::nullopt goes back to the real one.
void setSystemVersionForTesting(std::optional<long> version);

} // namespace platform
