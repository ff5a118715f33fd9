// RawBuffer.New and the twenty OffsetGetAs / OffsetSetAs accessors.
//
// Accessors take their operands from the top of the stack (getter: object,
// offset; setter: object, offset, value). The object is any full userdata (its
// block) or a light userdata (a pointer the script vouches for). On a full
// userdata every byte an accessor touches must lie inside the block, text
// terminators and copied source blocks included; anything else is refused
// with a Lua error that names the offset, before memory is touched.
#include "rawbuffer.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "scriptargs.h"
#include "../base/textconv.h"

namespace zrl::script {
namespace {

struct Target {
    uint8_t* base;
    size_t size;      // block size; unused when !bounded
    bool bounded;     // false for a light userdata
    lua_Integer offset;
    const char* method;

    // Whether `width` bytes from `from` (relative to offset) lie inside the block.
    bool Holds(lua_Integer from, size_t width) const {
        if (!bounded) return true;
        const lua_Integer start = offset + from;
        return start >= 0 && static_cast<size_t>(start) <= size && width <= size - static_cast<size_t>(start);
    }
    uint8_t* At(lua_Integer from = 0) const { return base + offset + from; }
};

[[noreturn]] void RefuseOffset(lua_State* L, const Target& target, size_t width) {
    luaL_error(L, "%s: offset %d with %d bytes lies outside the %d-byte block", target.method,
               static_cast<int>(target.offset), static_cast<int>(width), static_cast<int>(target.size));
    __builtin_unreachable();
}

// Reads the object and the offset; `operands` is 2 for getters, 3 for setters.
Target TargetOf(lua_State* L, int operands, const char* method) {
    const int top = lua_gettop(L);
    if (top < operands) luaL_error(L, "%s: expects %d arguments, got %d", method, operands, top);
    const int object = top - operands + 1;
    Target target{static_cast<uint8_t*>(lua_touserdata(L, object)), 0, false,
                  lua_tointegerx(L, object + 1, nullptr), method};
    if (!target.base) luaL_error(L, "%s: argument is no buffer", method);
    if (lua_type(L, object) == LUA_TUSERDATA) {
        target.size = lua_rawlen(L, object);
        target.bounded = true;
    }
    return target;
}

Target Checked(lua_State* L, int operands, const char* method, size_t width) {
    const Target target = TargetOf(L, operands, method);
    if (!target.Holds(0, width)) RefuseOffset(L, target, width);
    return target;
}

template <typename T>
T Load(const Target& target) {
    T value;
    std::memcpy(&value, target.At(), sizeof value);
    return value;
}

template <typename T>
void Store(const Target& target, T value) {
    std::memcpy(target.At(), &value, sizeof value);
}

// Lua's 32-bit integer conversion of the value on top (non-numbers give 0).
int32_t ValueAsInt32(lua_State* L) { return static_cast<int32_t>(lua_tointegerx(L, -1, nullptr)); }

// The value on top as a 64-bit integer (nearest), so 0..4294967295 survive exactly.
int64_t ValueAsInt64(lua_State* L) {
    const lua_Number number = lua_tonumberx(L, -1, nullptr);
    if (!std::isfinite(number) || std::fabs(number) >= 9.2e18) return 0;
    return std::llrint(number);
}

template <typename T>
int GetNumber(lua_State* L, const char* method) {
    const Target target = Checked(L, 2, method, sizeof(T));
    lua_pushnumber(L, static_cast<lua_Number>(Load<T>(target)));
    return 1;
}

// Zero-terminated text of Unit at the offset; the terminator must lie in the
// block. The length is found before anything is allocated, so a refusal
// (which leaves through a Lua error) leaks nothing.
template <typename Unit>
std::basic_string<Unit> TextAt(lua_State* L, const char* method) {
    const Target target = TargetOf(L, 2, method);
    size_t length = 0;
    for (;; ++length) {
        const lua_Integer at = static_cast<lua_Integer>(length * sizeof(Unit));
        if (!target.Holds(at, sizeof(Unit))) RefuseOffset(L, target, (length + 1) * sizeof(Unit));
        Unit unit;
        std::memcpy(&unit, target.At(at), sizeof unit);
        if (unit == 0) break;
    }
    std::basic_string<Unit> text(length, Unit(0));
    std::memcpy(text.data(), target.At(), length * sizeof(Unit));
    return text;
}

int GetInt32(lua_State* L) { return GetNumber<int32_t>(L, "OffsetGetAsInt32"); }
int GetUInt32(lua_State* L) { return GetNumber<uint32_t>(L, "OffsetGetAsUInt32"); }
int GetInt16(lua_State* L) { return GetNumber<int16_t>(L, "OffsetGetAsInt16"); }
int GetUInt16(lua_State* L) { return GetNumber<uint16_t>(L, "OffsetGetAsUInt16"); }
int GetInt8(lua_State* L) { return GetNumber<int8_t>(L, "OffsetGetAsInt8"); }
int GetUInt8(lua_State* L) { return GetNumber<uint8_t>(L, "OffsetGetAsUInt8"); }

int GetWString(lua_State* L) {
    const std::wstring text = TextAt<wchar_t>(L, "OffsetGetAsWString");
    PushText(L, text);
    return 1;
}

int GetAString(lua_State* L) {
    const std::string text = TextAt<char>(L, "OffsetGetAsAString");
    PushText(L, AnsiToWide(text));
    return 1;
}

int GetBoolean(lua_State* L) {
    const Target target = Checked(L, 2, "OffsetGetAsBoolean", 4);
    lua_pushboolean(L, Load<uint32_t>(target) != 0);
    return 1;
}

// The address of the offset itself; it must point at a byte of the block.
int GetPointer(lua_State* L) {
    const Target target = Checked(L, 2, "OffsetGetAsPointer", 1);
    lua_pushlightuserdata(L, target.At());
    return 1;
}

int SetInt32(lua_State* L) {
    Store(Checked(L, 3, "OffsetSetAsInt32", 4), ValueAsInt32(L));
    return 0;
}
int SetUInt32(lua_State* L) {
    Store(Checked(L, 3, "OffsetSetAsUInt32", 4), static_cast<uint32_t>(ValueAsInt64(L)));
    return 0;
}
int SetInt16(lua_State* L) {
    Store(Checked(L, 3, "OffsetSetAsInt16", 2), static_cast<uint16_t>(ValueAsInt32(L)));
    return 0;
}
int SetUInt16(lua_State* L) {
    Store(Checked(L, 3, "OffsetSetAsUInt16", 2), static_cast<uint16_t>(ValueAsInt64(L)));
    return 0;
}
int SetInt8(lua_State* L) {
    Store(Checked(L, 3, "OffsetSetAsInt8", 1), static_cast<uint8_t>(ValueAsInt32(L)));
    return 0;
}
int SetUInt8(lua_State* L) {
    Store(Checked(L, 3, "OffsetSetAsUInt8", 1), static_cast<uint8_t>(ValueAsInt64(L)));
    return 0;
}

// Copies the whole block of the value (a full userdata) to the offset.
int CopyBlock(lua_State* L, const char* method) {
    const Target target = TargetOf(L, 3, method);
    if (lua_type(L, -1) != LUA_TUSERDATA) luaL_error(L, "%s: the value is no native block", method);
    const size_t width = lua_rawlen(L, -1);
    if (!target.Holds(0, width)) RefuseOffset(L, target, width);
    std::memmove(target.At(), lua_touserdata(L, -1), width);
    return 0;
}

int SetWString(lua_State* L) { return CopyBlock(L, "OffsetSetAsWString"); }
int SetAString(lua_State* L) { return CopyBlock(L, "OffsetSetAsAString"); }

int SetBoolean(lua_State* L) {
    const Target target = Checked(L, 3, "OffsetSetAsBoolean", 4);
    Store<uint32_t>(target, lua_toboolean(L, -1) ? 1u : 0u);
    return 0;
}

int SetPointer(lua_State* L) {
    const Target target = Checked(L, 3, "OffsetSetAsPointer", 4);
    Store<uint32_t>(target, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(lua_touserdata(L, -1))));
    return 0;
}

// RawBuffer.New(size): a zero-filled block, or nil for size 0.
int New(lua_State* L) {
    const lua_Unsigned size = lua_tounsignedx(L, 1, nullptr);
    if (size == 0) {
        lua_pushnil(L);
        return 1;
    }
    void* block = lua_newuserdata(L, size);
    std::memset(block, 0, size);
    luaL_setmetatable(L, kRawBufferMetaTable);
    return 1;
}

} // namespace

int OpenRawBuffer(lua_State* L) {
    static const luaL_Reg kMethods[] = {
        {"OffsetGetAsInt32", GetInt32},     {"OffsetGetAsUInt32", GetUInt32},
        {"OffsetGetAsInt16", GetInt16},     {"OffsetGetAsUInt16", GetUInt16},
        {"OffsetGetAsInt8", GetInt8},       {"OffsetGetAsUInt8", GetUInt8},
        {"OffsetGetAsWString", GetWString}, {"OffsetGetAsAString", GetAString},
        {"OffsetGetAsBoolean", GetBoolean}, {"OffsetGetAsPointer", GetPointer},
        {"OffsetSetAsInt32", SetInt32},     {"OffsetSetAsUInt32", SetUInt32},
        {"OffsetSetAsInt16", SetInt16},     {"OffsetSetAsUInt16", SetUInt16},
        {"OffsetSetAsInt8", SetInt8},       {"OffsetSetAsUInt8", SetUInt8},
        {"OffsetSetAsWString", SetWString}, {"OffsetSetAsAString", SetAString},
        {"OffsetSetAsBoolean", SetBoolean}, {"OffsetSetAsPointer", SetPointer},
        {nullptr, nullptr},
    };
    luaL_newmetatable(L, kRawBufferMetaTable);
    luaL_setfuncs(L, kMethods, 0);
    lua_pushvalue(L, -1);
    lua_setfield(L, -2, "__index");
    lua_pop(L, 1);
    static const luaL_Reg kModule[] = {{"New", New}, {nullptr, nullptr}};
    luaL_newlib(L, kModule);
    return 1;
}

} // namespace zrl::script
