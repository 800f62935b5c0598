// The host's declarations of the interface checked against the independent table, field by
// field and structure by structure, on whatever machine this is compiled for.
#include "lumbra32/filter_api.h"

#include <cstddef>
#include <cstdint>

namespace lumbra::pi {
namespace {

constexpr bool k32 = INTPTR_MAX == INT32_MAX;

#define PI_FIELD(type, field, off32, off64)                                                        \
    static_assert(offsetof(type, field) == (k32 ? (off32) : (off64)), #type "." #field);
#define PI_SIZE(type, size32, size64)                                                              \
    static_assert(sizeof(type) == (k32 ? (size32) : (size64)), "sizeof " #type);
#include "layout_table.inc"

} // namespace
} // namespace lumbra::pi
