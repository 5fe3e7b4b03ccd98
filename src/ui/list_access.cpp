#include "ui/list_access.h"

#include "win/com.h"
#include "win/same_text.h"

#include <commctrl.h>
#include <oleacc.h>

#include <cwchar>
#include <string>
#include <utility>

namespace ui {
namespace {

constexpr UINT_PTR subclass_id = 0x504C58;  // "PLX"
constexpr wchar_t owner_property[] = L"ui.list_items";

// The owner while the list lives; none once it is going, however long a reader keeps the object.
owner_drawn* owner_of(HWND list)
{
    return IsWindow(list) ? static_cast<owner_drawn*>(GetPropW(list, owner_property)) : nullptr;
}

// The system's object for the list, with names and roles of its items from the owner. The
// object may outlive the window: every answer asks the window again.
class list_object final : public IAccessible {
public:
    list_object(HWND list, win::com_ptr<IAccessible> standard) : m_list(list), m_standard(std::move(standard)) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != __uuidof(IAccessible))
            return E_NOINTERFACE;
        *out = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_references)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&m_references);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: readers use the IAccessible methods themselves.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count)
            *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return m_standard->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override
    {
        if (!count)
            return E_POINTER;
        *count = item_count();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        return item_index(child) >= 0 ? S_FALSE : E_INVALIDARG;  // items are simple elements
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        if (is_self(child))
            return m_standard->get_accName(child, name);
        if (!name)
            return E_POINTER;
        *name = nullptr;
        const int index = item_index(child);
        owner_drawn* owner = owner_of(m_list);
        if (index < 0 || !owner)
            return E_INVALIDARG;
        const std::wstring text = owner->item_name(static_cast<ULONG_PTR>(SendMessageW(m_list, LB_GETITEMDATA, index, 0)));
        *name = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        if (is_self(child))
            return m_standard->get_accValue(child, value);
        return item_answer(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override
    {
        if (is_self(child))
            return m_standard->get_accDescription(child, text);
        return item_answer(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        if (is_self(child))
            return m_standard->get_accRole(child, role);
        if (!role)
            return E_POINTER;
        if (item_index(child) < 0)
            return E_INVALIDARG;
        role->vt = VT_I4;
        role->lVal = ROLE_SYSTEM_LISTITEM;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        if (is_self(child))
            return m_standard->get_accState(child, state);
        if (!state)
            return E_POINTER;
        const int index = item_index(child);
        if (index < 0)
            return E_INVALIDARG;
        long flags = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_MULTISELECTABLE |
                     STATE_SYSTEM_EXTSELECTABLE;
        if (SendMessageW(m_list, LB_GETSEL, index, 0) > 0)
            flags |= STATE_SYSTEM_SELECTED;
        if (GetFocus() == m_list && SendMessageW(m_list, LB_GETCARETINDEX, 0, 0) == index)
            flags |= STATE_SYSTEM_FOCUSED;
        RECT item{};
        RECT client{};
        SendMessageW(m_list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
        GetClientRect(m_list, &client);
        if (item.bottom <= client.top || item.top >= client.bottom)
            flags |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
        state->vt = VT_I4;
        state->lVal = flags;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override
    {
        if (is_self(child))
            return m_standard->get_accHelp(child, help);
        return item_answer(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override
    {
        return m_standard->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override
    {
        if (is_self(child))
            return m_standard->get_accKeyboardShortcut(child, shortcut);
        return item_answer(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override { return m_standard->get_accFocus(focus); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override { return m_standard->get_accSelection(selection); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        if (is_self(child))
            return m_standard->get_accDefaultAction(child, action);
        if (!action)
            return E_POINTER;
        if (item_index(child) < 0)
            return E_INVALIDARG;
        *action = SysAllocString(L"Double Click");
        return *action ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override { return m_standard->accSelect(flags, child); }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override
    {
        if (is_self(child))
            return m_standard->accLocation(left, top, width, height, child);
        if (!left || !top || !width || !height)
            return E_POINTER;
        const int index = item_index(child);
        RECT item{};
        if (index < 0 || SendMessageW(m_list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item)) == LB_ERR)
            return E_INVALIDARG;
        MapWindowPoints(m_list, nullptr, reinterpret_cast<POINT*>(&item), 2);
        *left = item.left;
        *top = item.top;
        *width = item.right - item.left;
        *height = item.bottom - item.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override
    {
        return m_standard->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override { return m_standard->accHitTest(x, y, child); }
    // The double click of a person: the list's owner acts on the item.
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        if (is_self(child))
            return m_standard->accDoDefaultAction(child);
        const int index = item_index(child);
        if (index < 0)
            return E_INVALIDARG;
        SendMessageW(m_list, LB_SETSEL, FALSE, -1);
        SendMessageW(m_list, LB_SETSEL, TRUE, index);
        SendMessageW(m_list, LB_SETCARETINDEX, index, FALSE);
        const HWND parent = GetParent(m_list);
        const WPARAM id = static_cast<WORD>(GetDlgCtrlID(m_list));
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(m_list));
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK), reinterpret_cast<LPARAM>(m_list));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~list_object() = default;

    static bool is_self(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }
    long item_count() const { return IsWindow(m_list) ? static_cast<long>(SendMessageW(m_list, LB_GETCOUNT, 0, 0)) : 0; }
    // The list index of child id 1, 2, ...; -1 for none.
    int item_index(const VARIANT& child) const
    {
        if (child.vt != VT_I4 || child.lVal < 1 || child.lVal > item_count())
            return -1;
        return static_cast<int>(child.lVal - 1);
    }
    // What an item does not have.
    HRESULT item_answer(const VARIANT& child, BSTR* out) const
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        return item_index(child) >= 0 ? S_FALSE : E_INVALIDARG;
    }

    LONG m_references = 1;
    HWND m_list;
    win::com_ptr<IAccessible> m_standard;
};

LRESULT accessible_object(HWND list, WPARAM wparam)
{
    win::com_ptr<IAccessible> standard;
    if (FAILED(CreateStdAccessibleObject(list, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(standard.put()))))
        return 0;
    auto* object = new list_object(list, std::move(standard));
    const LRESULT result = LresultFromObject(__uuidof(IAccessible), wparam, object);
    object->Release();  // the result holds its own reference
    return result;
}

// The item Enter acts on: the one with the focus rectangle, when it is selected; else -1.
int selected_caret(HWND list)
{
    const LRESULT caret = SendMessageW(list, LB_GETCARETINDEX, 0, 0);
    return caret >= 0 && SendMessageW(list, LB_GETSEL, static_cast<WPARAM>(caret), 0) > 0 ? static_cast<int>(caret) : -1;
}

LRESULT CALLBACK list_procedure(HWND list, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) noexcept
{
    switch (message) {
    case WM_GETOBJECT:
        if (static_cast<LONG>(lparam) == static_cast<LONG>(OBJID_CLIENT) && owner_of(list))
            if (const LRESULT result = accessible_object(list, wparam))
                return result;
        break;
    case WM_GETDLGCODE:
        // Enter on a selected item stays with the list; with none it presses the default button.
        if (const auto* msg = reinterpret_cast<const MSG*>(lparam);
            msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN && selected_caret(list) >= 0)
            return DefSubclassProc(list, message, wparam, lparam) | DLGC_WANTMESSAGE;
        break;
    case WM_KEYDOWN:
        if (wparam == VK_RETURN && selected_caret(list) >= 0) {
            SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
            return 0;
        }
        break;
    case WM_NCDESTROY:
        RemovePropW(list, owner_property);
        RemoveWindowSubclass(list, &list_procedure, subclass_id);
        break;
    }
    return DefSubclassProc(list, message, wparam, lparam);
}

}  // namespace

void serve_list_items(HWND list, owner_drawn& items)
{
    wchar_t class_name[16] = {};
    if (!list || !GetClassNameW(list, class_name, 16) || !win::same_text(class_name, L"ListBox"))
        return;
    if (!SetPropW(list, owner_property, &items))
        return;
    if (!SetWindowSubclass(list, &list_procedure, subclass_id, 0))
        RemovePropW(list, owner_property);
}

}  // namespace ui
