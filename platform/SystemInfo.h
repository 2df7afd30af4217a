#pragma once

namespace platform {

// The operating-system version in the classic form: hexadecimal digits that read as the
// version's decimal digits (0x1060 is 10.6.0); 0 when the query fails. This platform
// always counts as a current system.
long systemVersion();
constexpr long kCurrentSystemVersion = 0x1060;

} // namespace platform
