// AString and WString. Both are full userdata whose block is a fixed-size,
// zero-terminated text buffer; the metamethods make them usable like Lua
// strings (length, indexing, assignment, concatenation, equality, tostring).
// Every read stays inside the block: a native callee may have filled a buffer
// without leaving a terminator, so the text ends at the block's end at the latest.
#include "scriptstrings.h"

#include <windows.h>
#include <cstring>
#include <string_view>

#include "scriptargs.h"
#include "../base/textconv.h"

namespace zrl::script {
namespace {

template <typename Unit>
struct Block {
    Unit* units = nullptr;
    size_t count = 0;   // block size in units

    // Units before the first zero, bounded by the block.
    size_t TextLength() const {
        size_t length = 0;
        while (length < count && units[length] != 0) ++length;
        return length;
    }
    std::basic_string_view<Unit> Text() const { return {units, TextLength()}; }
};

template <typename Unit>
Block<Unit> BlockOf(lua_State* L, int index, const char* metaTable) {
    void* data = luaL_testudata(L, index, metaTable);
    if (!data) return {};
    return {static_cast<Unit*>(data), lua_rawlen(L, index) / sizeof(Unit)};
}

// What differs between the two types.
struct AnsiKind {
    using Unit = char;
    static constexpr const char* kMeta = kAStringMetaTable;
    static std::string FromValue(lua_State* L, int index) { return ToAnsiText(L, index); }
    static std::wstring Wide(std::string_view text) { return AnsiToWide(text); }
};

struct WideKind {
    using Unit = wchar_t;
    static constexpr const char* kMeta = kWStringMetaTable;
    static std::wstring FromValue(lua_State* L, int index) { return ToWideText(L, index); }
    static std::wstring Wide(std::wstring_view text) { return std::wstring(text); }
};

template <typename Unit>
std::basic_string<Unit> UpToZero(std::basic_string<Unit> text) {
    const size_t zero = text.find(Unit(0));
    if (zero != std::basic_string<Unit>::npos) text.resize(zero);
    return text;
}

// A new object holding `units` units, `text` and its terminator at the start.
template <typename Kind>
void PushObject(lua_State* L, const std::basic_string<typename Kind::Unit>& text, size_t units) {
    using Unit = typename Kind::Unit;
    void* data = lua_newuserdata(L, units * sizeof(Unit));
    std::memset(data, 0, units * sizeof(Unit));
    std::memcpy(data, text.data(), text.size() * sizeof(Unit));
    luaL_setmetatable(L, Kind::kMeta);
}

// New(size [, initial value])
template <typename Kind>
int New(lua_State* L) {
    using Unit = typename Kind::Unit;
    const lua_Integer size = lua_tointegerx(L, 1, nullptr);
    std::basic_string<Unit> text;
    if (lua_gettop(L) < 2) {
        if (size < 1) {
            lua_pushnil(L);
            return 1;
        }
    } else {
        text = UpToZero(Kind::FromValue(L, 2));
    }
    // The size wins when the text fits in it; otherwise the block is the text and its terminator.
    const size_t units = (size > 0 && text.size() < static_cast<size_t>(size))
                             ? static_cast<size_t>(size) : text.size() + 1;
    PushObject<Kind>(L, text, units);
    return 1;
}

// __index(object, position): the unit at the position as a one-character string;
// nil for negative positions and positions outside the block.
template <typename Kind>
int Index(lua_State* L) {
    using Unit = typename Kind::Unit;
    const Block<Unit> block = BlockOf<Unit>(L, 1, Kind::kMeta);
    const lua_Integer position = lua_tointegerx(L, 2, nullptr);
    if (!block.units || position < 0 || static_cast<size_t>(position) >= block.count) {
        lua_pushnil(L);
        return 1;
    }
    const Unit unit = block.units[position];
    if (unit == 0) {
        lua_pushliteral(L, "");
        return 1;
    }
    const std::basic_string<Unit> one(1, unit);
    PushText(L, Kind::Wide(one));
    return 1;
}

// __newindex(object, position, value): replaces one unit of the text with the
// value's first unit; never position 0, never at or after the terminator.
template <typename Kind>
int NewIndex(lua_State* L) {
    using Unit = typename Kind::Unit;
    const Block<Unit> block = BlockOf<Unit>(L, 1, Kind::kMeta);
    if (!block.units) return 0;
    const lua_Integer position = lua_tointegerx(L, 2, nullptr);
    std::basic_string<Unit> value;
    if (lua_type(L, 3) == LUA_TSTRING || lua_type(L, 3) == LUA_TNUMBER) value = Kind::FromValue(L, 3);
    if (position >= 1 && static_cast<size_t>(position) < block.TextLength() && !value.empty() && value[0] != 0) {
        block.units[position] = value[0];
    }
    return 0;
}

template <typename Kind>
int Len(lua_State* L) {
    const Block<typename Kind::Unit> block = BlockOf<typename Kind::Unit>(L, 1, Kind::kMeta);
    lua_pushnumber(L, static_cast<lua_Number>(block.TextLength()));
    return 1;
}

template <typename Kind>
int ToString(lua_State* L) {
    const Block<typename Kind::Unit> block = BlockOf<typename Kind::Unit>(L, 1, Kind::kMeta);
    PushText(L, Kind::Wide(block.Text()));
    return 1;
}

// __concat(a, b): a new object of this type holding exactly both texts and a terminator.
template <typename Kind>
int Concat(lua_State* L) {
    const auto joined = UpToZero(Kind::FromValue(L, 1) + Kind::FromValue(L, 2));
    PushObject<Kind>(L, joined, joined.size() + 1);
    return 1;
}

template <typename Kind>
int Equal(lua_State* L) {
    const Block<typename Kind::Unit> a = BlockOf<typename Kind::Unit>(L, 1, Kind::kMeta);
    const Block<typename Kind::Unit> b = BlockOf<typename Kind::Unit>(L, 2, Kind::kMeta);
    lua_pushboolean(L, a.units && b.units && a.Text() == b.Text());
    return 1;
}

template <typename Kind>
int Open(lua_State* L) {
    static const luaL_Reg kMetaMethods[] = {
        {"__index", Index<Kind>},   {"__newindex", NewIndex<Kind>}, {"__len", Len<Kind>},
        {"__tostring", ToString<Kind>}, {"__concat", Concat<Kind>}, {"__eq", Equal<Kind>},
        {nullptr, nullptr},
    };
    static const luaL_Reg kModule[] = {{"New", New<Kind>}, {nullptr, nullptr}};
    luaL_newmetatable(L, Kind::kMeta);
    luaL_setfuncs(L, kMetaMethods, 0);
    lua_pop(L, 1);
    luaL_newlib(L, kModule);
    return 1;
}

// Which string type the value at `index` is, if any.
enum class StringKind { None, Ansi, Wide };

StringKind KindOf(lua_State* L, int index) {
    if (lua_type(L, index) != LUA_TUSERDATA || !lua_getmetatable(L, index)) return StringKind::None;
    luaL_getmetatable(L, kAStringMetaTable);
    luaL_getmetatable(L, kWStringMetaTable);
    StringKind kind = StringKind::None;
    if (lua_rawequal(L, -3, -2)) kind = StringKind::Ansi;
    else if (lua_rawequal(L, -3, -1)) kind = StringKind::Wide;
    lua_pop(L, 3);
    return kind;
}

} // namespace

int OpenAString(lua_State* L) { return Open<AnsiKind>(L); }
int OpenWString(lua_State* L) { return Open<WideKind>(L); }

std::wstring ToWideText(lua_State* L, int index) {
    index = lua_absindex(L, index);
    switch (lua_type(L, index)) {
    case LUA_TSTRING:
    case LUA_TNUMBER:
        return ArgText(L, index);
    case LUA_TUSERDATA:
        switch (KindOf(L, index)) {
        case StringKind::Ansi: return AnsiToWide(BlockOf<char>(L, index, kAStringMetaTable).Text());
        case StringKind::Wide: return std::wstring(BlockOf<wchar_t>(L, index, kWStringMetaTable).Text());
        case StringKind::None: return {};
        }
        return {};
    default:
        return {};
    }
}

std::string ToAnsiText(lua_State* L, int index) {
    index = lua_absindex(L, index);
    if (KindOf(L, index) == StringKind::Ansi) return std::string(BlockOf<char>(L, index, kAStringMetaTable).Text());
    return WideToAnsi(ToWideText(L, index));
}

} // namespace zrl::script
