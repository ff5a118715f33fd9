// Test DLL for the native call bridge: exports of both calling conventions
// with 0 to 12 arguments, text results, buffer writers and last-error setters.
// Built with --kill-at, so every export is looked up by its plain name.
#include <windows.h>
#include <cstdint>
#include <cstring>

#define EXPORT extern "C" __declspec(dllexport)

// Weighted sums: the i-th argument counts i times, so order and count both show.
#define WEIGHTED(n, params, sum)                                          \
    EXPORT uint32_t __stdcall StdWeighted##n params { return (sum); }     \
    EXPORT uint32_t __cdecl CdeclWeighted##n params { return (sum); }

using W = uint32_t;
WEIGHTED(0, (void), 0)
WEIGHTED(1, (W a), a)
WEIGHTED(2, (W a, W b), a + 2 * b)
WEIGHTED(3, (W a, W b, W c), a + 2 * b + 3 * c)
WEIGHTED(4, (W a, W b, W c, W d), a + 2 * b + 3 * c + 4 * d)
WEIGHTED(5, (W a, W b, W c, W d, W e), a + 2 * b + 3 * c + 4 * d + 5 * e)
WEIGHTED(6, (W a, W b, W c, W d, W e, W f), a + 2 * b + 3 * c + 4 * d + 5 * e + 6 * f)
WEIGHTED(7, (W a, W b, W c, W d, W e, W f, W g), a + 2 * b + 3 * c + 4 * d + 5 * e + 6 * f + 7 * g)
WEIGHTED(8, (W a, W b, W c, W d, W e, W f, W g, W h),
         a + 2 * b + 3 * c + 4 * d + 5 * e + 6 * f + 7 * g + 8 * h)
WEIGHTED(9, (W a, W b, W c, W d, W e, W f, W g, W h, W i),
         a + 2 * b + 3 * c + 4 * d + 5 * e + 6 * f + 7 * g + 8 * h + 9 * i)
WEIGHTED(10, (W a, W b, W c, W d, W e, W f, W g, W h, W i, W j),
         a + 2 * b + 3 * c + 4 * d + 5 * e + 6 * f + 7 * g + 8 * h + 9 * i + 10 * j)
WEIGHTED(11, (W a, W b, W c, W d, W e, W f, W g, W h, W i, W j, W k),
         a + 2 * b + 3 * c + 4 * d + 5 * e + 6 * f + 7 * g + 8 * h + 9 * i + 10 * j + 11 * k)
WEIGHTED(12, (W a, W b, W c, W d, W e, W f, W g, W h, W i, W j, W k, W l),
         a + 2 * b + 3 * c + 4 * d + 5 * e + 6 * f + 7 * g + 8 * h + 9 * i + 10 * j + 11 * k + 12 * l)

EXPORT uint32_t __stdcall ReturnAllOnes() { return 0xFFFFFFFFu; }
EXPORT void* __stdcall ReturnNull() { return nullptr; }
EXPORT uint32_t __stdcall EchoWord(uint32_t word) { return word; }

// Sets the thread's last error to `code` and returns it.
EXPORT uint32_t __stdcall SetErrorAndReturn(uint32_t code) {
    ::SetLastError(code);
    return code;
}

EXPORT const wchar_t* __stdcall WideHello() { return L"h\x00E9llo \x4E2D\x6587"; }
// "中文" in code page 936; other ANSI code pages read these bytes differently.
EXPORT const char* __stdcall AnsiBytes() { return "\xD6\xD0\xCE\xC4"; }

EXPORT uint32_t __cdecl StrLenA(const char* text) { return static_cast<uint32_t>(std::strlen(text)); }

// Writes "filled" into a caller's buffer of `units` units; returns the length written.
EXPORT int __stdcall FillWide(wchar_t* buffer, int units) {
    return ::lstrlenW(::lstrcpynW(buffer, L"filled", units));
}
EXPORT int __stdcall FillAnsi(char* buffer, int units) {
    return ::lstrlenA(::lstrcpynA(buffer, "filled", units));
}

EXPORT void __stdcall StoreOne(uint32_t* out) { *out = 1; }
EXPORT int32_t __cdecl PointerDiff(const uint8_t* from, const uint8_t* to) {
    return static_cast<int32_t>(to - from);
}
