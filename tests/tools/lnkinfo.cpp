// Loads a shell link or an internet shortcut back through the shell's own
// objects and writes what it holds, as UTF-8 lines.
//   lnkinfo.exe link <.lnk file> <out file>   target=, arguments=, workdir=, description=
//   lnkinfo.exe url <shortcut file> <out file> url=
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <intshcut.h>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

const CLSID kClsidInternetShortcut = {0xFBF23B40, 0xE3F0, 0x101B, {0x84, 0x88, 0x00, 0xAA, 0x00, 0x3E, 0x56, 0xF8}};
const IID kIidUniformResourceLocatorW = {0xCABB0DA0, 0xDA57, 0x11CF, {0x99, 0x74, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x62}};

std::string Utf8(const wchar_t* text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

void Line(FILE* f, const char* key, const wchar_t* value) { fprintf(f, "%s=%s\n", key, Utf8(value).c_str()); }

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    CoInitialize(nullptr);
    FILE* out = _wfopen(argv[3], L"wb");
    if (!out) return 3;
    int code = 4;
    if (wcscmp(argv[1], L"link") == 0) {
        IShellLinkW* link = nullptr;
        IPersistFile* file = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                       reinterpret_cast<void**>(&link))) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
            SUCCEEDED(file->Load(argv[2], STGM_READ))) {
            wchar_t text[1024];
            text[0] = 0;
            link->GetPath(text, 1024, nullptr, SLGP_RAWPATH);
            Line(out, "target", text);
            text[0] = 0;
            link->GetArguments(text, 1024);
            Line(out, "arguments", text);
            text[0] = 0;
            link->GetWorkingDirectory(text, 1024);
            Line(out, "workdir", text);
            text[0] = 0;
            link->GetDescription(text, 1024);
            Line(out, "description", text);
            code = 0;
        }
        if (file) file->Release();
        if (link) link->Release();
    } else {
        IUniformResourceLocatorW* locator = nullptr;
        IPersistFile* file = nullptr;
        wchar_t* url = nullptr;
        if (SUCCEEDED(CoCreateInstance(kClsidInternetShortcut, nullptr, CLSCTX_INPROC_SERVER,
                                       kIidUniformResourceLocatorW, reinterpret_cast<void**>(&locator))) &&
            SUCCEEDED(locator->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
            SUCCEEDED(file->Load(argv[2], STGM_READ)) && SUCCEEDED(locator->GetURL(&url)) && url) {
            Line(out, "url", url);
            CoTaskMemFree(url);
            code = 0;
        }
        if (file) file->Release();
        if (locator) locator->Release();
    }
    fclose(out);
    return code;
}
