// IAccessible over the control tree. Children are "simple elements" named by
// child ids 1..n in tree order; the list is rebuilt on each call, so it
// follows page switches and hidden controls.
#include "accessible.h"

#include "containers.h"
#include "controls.h"
#include "paintmanager.h"
#include "richedit.h"
#include "zrlsetup/utility/base/dllsearch.h"

#include <oleacc.h>

#include <string>
#include <vector>

namespace zui {
namespace {

bool Shown(const Control* c) {
    for (; c; c = c->Parent()) {
        if (!c->IsVisible()) return false;
    }
    return true;
}

void Collect(Control* c, std::vector<Control*>& out) {
    if (c->IsClass(L"Button") || c->IsClass(L"Label") || c->IsClass(L"RichEdit")) out.push_back(c);
    if (c->IsClass(L"RichEdit")) return;   // its browse button is listed after it by the walk below
    if (Container* box = c->AsContainer()) {
        for (size_t i = 0; i < box->Count(); ++i) Collect(box->At(i), out);
    }
}

BSTR Bstr(const std::wstring& s) { return ::SysAllocStringLen(s.data(), UINT(s.size())); }

class ClientAccessible final : public IAccessible {
public:
    explicit ClientAccessible(SkinPaintManager& pm) : pm_(pm) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IAccessible) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG n = ::InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return ULONG(n);
    }

    // IDispatch: not scriptable.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { *parent = nullptr; return S_FALSE; }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        *count = long(Children().size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** child) override { *child = nullptr; return S_FALSE; }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT id, BSTR* name) override {
        *name = nullptr;
        if (IsSelf(id)) {
            wchar_t title[256] = L"";
            ::GetWindowTextW(pm_.Window(), title, 256);
            *name = ::SysAllocString(title);
            return S_OK;
        }
        Control* c = Child(id);
        if (!c) return E_INVALIDARG;
        std::wstring text = c->IsClass(L"RichEdit") ? c->UserData() : c->Text();
        if (text.empty()) text = c->ToolTip();
        if (text.empty()) text = c->Name();
        *name = Bstr(text);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT id, BSTR* value) override {
        *value = nullptr;
        Control* c = Child(id);
        if (!c) return IsSelf(id) ? S_FALSE : E_INVALIDARG;
        if (c->IsClass(L"RichEdit")) *value = Bstr(static_cast<RichEdit*>(c)->GetText());
        else if (c->IsClass(L"Progress")) *value = Bstr(std::to_wstring(static_cast<Progress*>(c)->Value()) + L"%");
        else return S_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* d) override { *d = nullptr; return S_FALSE; }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT id, VARIANT* role) override {
        role->vt = VT_I4;
        if (IsSelf(id)) { role->lVal = ROLE_SYSTEM_CLIENT; return S_OK; }
        Control* c = Child(id);
        if (!c) return E_INVALIDARG;
        if (c->IsClass(L"Option")) role->lVal = ROLE_SYSTEM_CHECKBUTTON;
        else if (c->IsClass(L"Button")) role->lVal = ROLE_SYSTEM_PUSHBUTTON;
        else if (c->IsClass(L"Progress")) role->lVal = ROLE_SYSTEM_PROGRESSBAR;
        else if (c->IsClass(L"RichEdit")) role->lVal = ROLE_SYSTEM_TEXT;
        else role->lVal = ROLE_SYSTEM_STATICTEXT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT id, VARIANT* state) override {
        state->vt = VT_I4;
        state->lVal = 0;
        if (IsSelf(id)) return S_OK;
        Control* c = Child(id);
        if (!c) return E_INVALIDARG;
        long s = 0;
        if (!Shown(c)) s |= STATE_SYSTEM_INVISIBLE;
        if (!c->IsEnabled()) s |= STATE_SYSTEM_UNAVAILABLE;
        if (c->TabSupport()) s |= STATE_SYSTEM_FOCUSABLE;
        if (pm_.Focused() == c) s |= STATE_SYSTEM_FOCUSED;
        if (pm_.Hot() == c) s |= STATE_SYSTEM_HOTTRACKED;
        if (c->IsClass(L"Option") && static_cast<Option*>(c)->IsSelected()) s |= STATE_SYSTEM_CHECKED;
        state->lVal = s;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* h) override { *h = nullptr; return S_FALSE; }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT, long* t) override {
        *f = nullptr;
        *t = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* k) override { *k = nullptr; return S_FALSE; }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        const auto children = Children();
        for (size_t i = 0; i < children.size(); ++i) {
            if (children[i] == pm_.Focused()) {
                focus->vt = VT_I4;
                focus->lVal = long(i + 1);
                return S_OK;
            }
        }
        focus->vt = VT_EMPTY;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* sel) override { sel->vt = VT_EMPTY; return S_FALSE; }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT id, BSTR* action) override {
        *action = nullptr;
        Control* c = Child(id);
        if (!c) return IsSelf(id) ? S_FALSE : E_INVALIDARG;
        if (c->IsClass(L"Option")) *action = ::SysAllocString(static_cast<Option*>(c)->IsSelected() ? L"Uncheck" : L"Check");
        else if (c->IsClass(L"Button")) *action = ::SysAllocString(L"Press");
        else return S_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT id) override {
        Control* c = Child(id);
        if (!c) return E_INVALIDARG;
        if (flags & SELFLAG_TAKEFOCUS) pm_.SetFocus(c);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT id) override {
        RECT r{0, 0, 0, 0};
        if (IsSelf(id)) ::GetClientRect(pm_.Window(), &r);
        else if (Control* c = Child(id)) r = c->Pos();
        else return E_INVALIDARG;
        POINT p{r.left, r.top};
        ::ClientToScreen(pm_.Window(), &p);
        *x = p.x; *y = p.y; *w = r.right - r.left; *h = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long, VARIANT, VARIANT* end) override { end->vt = VT_EMPTY; return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
        POINT p{x, y};
        ::ScreenToClient(pm_.Window(), &p);
        const auto children = Children();
        for (size_t i = children.size(); i-- > 0;) {
            if (Shown(children[i]) && PtInRect(&children[i]->Pos(), p)) {
                hit->vt = VT_I4;
                hit->lVal = long(i + 1);
                return S_OK;
            }
        }
        hit->vt = VT_I4;
        hit->lVal = CHILDID_SELF;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT id) override {
        Control* c = Child(id);
        if (!c) return E_INVALIDARG;
        return c->Activate() ? S_OK : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    static bool IsSelf(const VARIANT& id) { return id.vt == VT_I4 && id.lVal == CHILDID_SELF; }
    std::vector<Control*> Children() const {
        std::vector<Control*> out;
        if (pm_.Root()) Collect(pm_.Root(), out);
        // The browse button inside the text field.
        std::vector<Control*> all;
        for (Control* c : out) {
            all.push_back(c);
            if (c->IsClass(L"RichEdit")) {
                Container* box = c->AsContainer();
                for (size_t i = 0; i < box->Count(); ++i) Collect(box->At(i), all);
            }
        }
        return all;
    }
    Control* Child(const VARIANT& id) const {
        if (id.vt != VT_I4 || id.lVal <= 0) return nullptr;
        const auto children = Children();
        return size_t(id.lVal) <= children.size() ? children[size_t(id.lVal) - 1] : nullptr;
    }

    SkinPaintManager& pm_;
    LONG refs_ = 1;
};

} // namespace

bool AnswerGetObject(SkinPaintManager& pm, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (static_cast<LONG>(lParam) != OBJID_CLIENT) return false;
    using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
    static HMODULE oleacc = zrl::LoadSystemLibrary(L"oleacc.dll");   // kept for the process
    auto fromObject = oleacc ? reinterpret_cast<LresultFromObjectFn>(
                                   reinterpret_cast<void*>(::GetProcAddress(oleacc, "LresultFromObject")))
                             : nullptr;
    if (!fromObject) return false;
    auto* object = new ClientAccessible(pm);
    result = fromObject(IID_IAccessible, wParam, object);
    object->Release();
    return true;
}

} // namespace zui
