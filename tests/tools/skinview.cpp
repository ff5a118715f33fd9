// Test program of the skin toolkit: opens a skin from a ZIP file (read into
// memory) on a chosen page and writes what it built and what happened:
//   skinview.exe <skin.zip> <report.txt> [page] [skin file] [password] [translate]
// Report lines (UTF-8): "scale", "window", "client", one "ctl" per named
// control with its rectangle, "img" with the image a control draws, "ready",
// then one "event <type> <name>" per notification and "text" on edits.
#include "ui/containers.h"
#include "ui/controls.h"
#include "ui/richedit.h"
#include "ui/skinapp.h"
#include "ui/skinwindow.h"
#include "zrlsetup/utility/base/textconv.h"

#include <oleacc.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

class Report {
public:
    explicit Report(const wchar_t* path) : file_(_wfopen(path, L"wb")) {}
    ~Report() { if (file_) fclose(file_); }
    void Line(const std::wstring& text) {
        if (!file_) return;
        const std::string utf8 = zrl::WideToUtf8(text) + "\n";
        fwrite(utf8.data(), 1, utf8.size(), file_);
        fflush(file_);
    }
private:
    FILE* file_;
};

std::wstring RectText(const RECT& r) {
    return std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
           std::to_wstring(r.bottom);
}

class TestWindow : public zui::SkinWindow {
public:
    TestWindow(Report& report, int page, std::wstring skinFile, bool translate)
        : report_(report), page_(page), skinFile_(std::move(skinFile)), translate_(translate) {}

    const wchar_t* GetWindowClassName() const override { return L"SkinViewTest"; }
    std::wstring GetSkinFile() override { return skinFile_; }
    std::wstring QueryControlText(const std::wstring& name, const std::wstring& className) override {
        return translate_ && className == L"Button" && name == L"BtnInstall" ? L"Install now" : L"";
    }

    void InitWindow() override {
        ApplyMonitorDpi();
        if (auto* tab = FindControl<zui::TabLayout>(L"TabMain", L"TabLayout")) tab->SelectItem(page_, false);
        CenterWindow();
        zui::Control* timed = PaintManager().FindControl(L"TabMain");
        if (!timed) timed = PaintManager().Root();
        if (timed) PaintManager().SetTimer(timed, 7, 100);
    }

    void WriteLayout() {
        RECT wr;
        ::GetWindowRect(GetHWND(), &wr);
        RECT cr;
        ::GetClientRect(GetHWND(), &cr);
        report_.Line(L"scale " + std::to_wstring(PaintManager().Scale()));
        report_.Line(L"window " + RectText(wr));
        report_.Line(L"client " + std::to_wstring(cr.right) + L"," + std::to_wstring(cr.bottom));
        Walk(PaintManager().Root());
        std::wstring order = L"taborder";
        for (zui::Control* c : PaintManager().TabControls()) order += L" " + c->Name();
        report_.Line(order);
        WriteAccessibility();
        report_.Line(L"ready");
    }

    void Notify(zui::Notification& msg) override {
        const std::wstring name = msg.sender ? msg.sender->Name() : L"";
        if (msg.type == L"timer") {
            report_.Line(L"event timer " + name + L" " + std::to_wstring(msg.wParam));
            PaintManager().KillTimer(msg.sender, UINT(msg.wParam));
        } else if (msg.type == L"textchanged") {
            report_.Line(L"text " + name + L" " + static_cast<zui::RichEdit*>(msg.sender)->GetText());
        } else {
            report_.Line(L"event " + msg.type + L" " + name);
        }
        if (msg.type == L"click" || msg.type == L"selectchanged") Walk(msg.sender);   // its new image
        if (msg.type == L"click" && name == L"BtnClose") Close(2);
        SkinWindow::Notify(msg);
    }

    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled) override {
        ::PostQuitMessage(0);
        handled = FALSE;
        return 0;
    }

    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        // Hot and pushed states show in the report when the mouse changes them.
        const zui::Control* hot = PaintManager().Hot();
        const zui::Control* pushed = PaintManager().Pushed();
        const LRESULT r = SkinWindow::HandleMessage(msg, wParam, lParam);
        if (msg == WM_SIZE && wParam == SIZE_MINIMIZED) report_.Line(L"minimized");
        if (msg == WM_PAINT && !painted_) {
            painted_ = true;
            report_.Line(L"firstpaint " + std::to_wstring(MillisecondsSinceStart()));
        }
        if (GetHWND() && (hot != PaintManager().Hot() || pushed != PaintManager().Pushed())) {
            for (const zui::Control* c : {PaintManager().Hot(), PaintManager().Pushed()}) {
                if (c) Walk(const_cast<zui::Control*>(c));
            }
        }
        return r;
    }

private:
    // What a screen reader sees: one "acc <role> <state> <name> = <value>" line per child.
    void WriteAccessibility() {
        using FromWindowFn = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
        HMODULE oleacc = ::LoadLibraryW(L"oleacc.dll");
        auto fromWindow = oleacc ? reinterpret_cast<FromWindowFn>(reinterpret_cast<void*>(
                                       ::GetProcAddress(oleacc, "AccessibleObjectFromWindow")))
                                 : nullptr;
        IAccessible* acc = nullptr;
        if (!fromWindow || FAILED(fromWindow(GetHWND(), DWORD(OBJID_CLIENT), IID_IAccessible,
                                             reinterpret_cast<void**>(&acc))) || !acc) {
            report_.Line(L"acc none");
            return;
        }
        long count = 0;
        acc->get_accChildCount(&count);
        for (long i = 1; i <= count; ++i) {
            VARIANT id;
            id.vt = VT_I4;
            id.lVal = i;
            BSTR name = nullptr, value = nullptr;
            VARIANT role, state;
            acc->get_accName(id, &name);
            acc->get_accValue(id, &value);
            acc->get_accRole(id, &role);
            acc->get_accState(id, &state);
            report_.Line(L"acc " + std::to_wstring(role.lVal) + L" " + std::to_wstring(state.lVal) + L" " +
                         (name ? name : L"") + L" = " + (value ? value : L""));
            ::SysFreeString(name);
            ::SysFreeString(value);
        }
        acc->Release();
    }

    void Walk(zui::Control* c) {
        if (!c) return;
        if (!c->Name().empty()) {
            report_.Line(L"ctl " + c->Name() + L" " + c->ClassName() + L" " + RectText(c->Pos()) + L" " +
                         (c->IsVisible() ? L"visible" : L"hidden"));
            if (!c->Text().empty()) report_.Line(L"label " + c->Name() + L" " + c->Text());
            if (c->IsClass(L"Button")) Image(c, static_cast<zui::Button*>(c)->CurrentImage());
            if (!c->BkImage().empty()) Image(c, c->BkImage());
        }
        if (zui::Container* box = c->AsContainer()) {
            for (size_t i = 0; i < box->Count(); ++i) Walk(box->At(i));
        }
    }
    void Image(zui::Control* c, const std::wstring& descriptor) {
        zui::ImageDesc d;
        if (!c->ResolveImage(descriptor, d)) return;
        zui::ImagePtr image = zui::SkinApp::Images().Load(d.name);
        report_.Line(L"img " + c->Name() + L" " + zrl::Utf8ToWide(d.name) + L" " +
                     (image ? std::to_wstring(image->Width()) + L"x" + std::to_wstring(image->Height()) +
                                L" frames " + std::to_wstring(image->Frames().size())
                          : L"none") +
                     L" src " + (d.hasSource ? RectText(d.source) : L"-") + L" dest " +
                     (d.hasDest ? RectText(d.dest) : L"-"));
    }

public:
    static long long MillisecondsSinceStart() {
        FILETIME created, exited, kernel, user, now;
        ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
        ::GetSystemTimeAsFileTime(&now);
        auto ticks = [](const FILETIME& f) { return (static_cast<long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
        return (ticks(now) - ticks(created)) / 10000;
    }

private:
    Report& report_;
    bool painted_ = false;
    int page_;
    std::wstring skinFile_;
    bool translate_ = false;
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fwprintf(stderr, L"usage: skinview <skin.zip> <report.txt> [page] [skin file] [password]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<char> zip((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Report report(argv[2]);
    report.Line(L"entry " + std::to_wstring(TestWindow::MillisecondsSinceStart()));
    const int page = argc > 3 ? _wtoi(argv[3]) : 0;
    const std::wstring skinFile = argc > 4 ? argv[4] : L"Layout/Layout.xml";
    const std::string password = argc > 5 ? zrl::WideToUtf8(argv[5]) : "";
    const bool translate = argc > 6 && std::wstring(argv[6]) == L"translate";

    zui::SkinApp::SetInstance(::GetModuleHandleW(nullptr));
    if (!zui::SkinApp::SetResourceZip(zip.data(), zip.size(), password.c_str())) {
        report.Line(L"zip refused: " + zrl::Utf8ToWide(zui::SkinApp::Archive().Error()));
        return 3;
    }
    int code = 0;
    {
        TestWindow window(report, page, skinFile, translate);
        if (!window.Create(nullptr, L"SkinViewTest", 0x96C80000, WS_EX_WINDOWEDGE)) return 4;
        report.Line(L"created " + std::to_wstring(TestWindow::MillisecondsSinceStart()));
        window.WriteLayout();
        code = zui::SkinApp::MessageLoop();
    }
    zui::SkinApp::Term();
    return code;
}
