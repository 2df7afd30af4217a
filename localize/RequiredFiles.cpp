#include "localize/RequiredFiles.h"

#include "config/UFile.h"

#include <cstring>
#include <memory>

bool URequiredFiles::AllExist(std::span<const unsigned char* const> names) {
    const auto list = std::make_unique<unsigned char[][256]>(names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        std::memcpy(list[i], names[i], names[i][0] + 1u);
    return UAppLaunch::CheckAllIniFileExist(list.get(), long(names.size()));
}
