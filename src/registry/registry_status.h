#pragma once

#include <cstdint>

namespace modRegistry {

// Status codes answered by the value operations. Apart from NO_ROOT, which the
// module uses for its own refusals, they are the system error numbers that
// callers already know from the registry functions.
inline constexpr std::int32_t ERROR_SUCCESS = 0;
inline constexpr std::int32_t ERROR_FILE_NOT_FOUND = 2;  // missing key or value
inline constexpr std::int32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::int32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr std::int32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr std::int32_t NO_ROOT = 99;  // no such location, or not possible there
inline constexpr std::int32_t ERROR_DISK_FULL = 112;
inline constexpr std::int32_t ERROR_BUSY = 170;
inline constexpr std::int32_t ERROR_MORE_DATA = 234;  // the value is larger than the buffer
inline constexpr std::int32_t ERROR_BADDB = 1009;     // the hive's database is damaged
inline constexpr std::int32_t ERROR_REGISTRY_IO_FAILED = 1016;

}  // namespace modRegistry
