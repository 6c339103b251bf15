#include "stand_in_view.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "test_windows.h"

using Microsoft::WRL::ComPtr;

namespace cc::test {

// Shared by the view and every accessible object it handed out: the objects reach the
// view only through here, and the view cuts them off when it goes.
struct StandInItemsView::Link {
    StandInItemsView* view = nullptr;
    std::vector<IUnknown*> live;  // objects alive now, not owned
};

namespace {

const wchar_t kViewProp[] = L"CursorCadenceStandInItemsView";
const wchar_t kShellViewProp[] = L"CursorCadenceStandInShellView";

// MinGW-w64 defines IID_IAccessible in both libuuid and liboleacc, so naming it makes the
// link fail whenever both are pulled in; __uuidof needs neither.
const IID& kIidAccessible = __uuidof(IAccessible);

void DestroyMenuValue(HMENU menu) { ::DestroyMenu(menu); }
using unique_hmenu = unique_any<HMENU, DestroyMenuValue>;

// The list itself (item 0) or one of its items (1-based), as Active Accessibility sees
// them, or the group around the list (kGroup). A real heap object: the system marshals
// it and may keep it past the view.
constexpr LONG kGroup = -100;

class ItemsAccessible final : public FakeBase_IAccessible {
public:
    ItemsAccessible(std::shared_ptr<StandInItemsView::Link> link, LONG item) : link_(std::move(link)), item_(item) {
        link_->live.push_back(static_cast<IAccessible*>(this));
    }
    ~ItemsAccessible() {
        auto& live = link_->live;
        live.erase(std::remove(live.begin(), live.end(), static_cast<IUnknown*>(static_cast<IAccessible*>(this))),
                   live.end());
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch && riid != kIidAccessible) return E_NOINTERFACE;
        *out = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = ::InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (!parent) return E_POINTER;
        *parent = nullptr;
        StandInItemsView* view = View();
        if (!view) return E_FAIL;
        // An item's parent is the list; the list's (or group's) parent is the system's window object.
        if (item_ != CHILDID_SELF && item_ != kGroup) return Make(CHILDID_SELF, parent);
        return ::CreateStdAccessibleObject(view->hwnd(), OBJID_WINDOW, IID_IDispatch, reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        StandInItemsView* view = View();
        if (!view) return E_FAIL;
        if (item_ == CHILDID_SELF) *count = static_cast<LONG>(view->items.size());
        if (item_ == kGroup) *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        StandInItemsView* view = View();
        if (!view) return E_FAIL;
        LONG item = 0;
        if (HRESULT hr = Resolve(*view, child, &item); FAILED(hr)) return hr;
        if (item == CHILDID_SELF || item == kGroup) return E_INVALIDARG;
        // With child ids the items are simple elements that the list answers for.
        if (view->behaviour != AccessibleBehaviour::ChildObjects) return S_FALSE;
        return Make(item, out);
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!name) return E_POINTER;
        *name = nullptr;
        StandInItemsView* view = View();
        if (!view) return E_FAIL;
        LONG item = 0;
        if (HRESULT hr = Resolve(*view, child, &item); FAILED(hr)) return hr;
        *name = ::SysAllocString(item == kGroup          ? L"Group"
                                 : item == CHILDID_SELF ? L"Items View"
                                                        : view->items[item - 1].name.c_str());
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!role) return E_POINTER;
        ::VariantInit(role);
        StandInItemsView* view = View();
        if (!view) return E_FAIL;
        LONG item = 0;
        if (HRESULT hr = Resolve(*view, child, &item); FAILED(hr)) return hr;
        role->vt = VT_I4;
        role->lVal = item == kGroup ? ROLE_SYSTEM_GROUPING : item == CHILDID_SELF ? ROLE_SYSTEM_LIST : ROLE_SYSTEM_LISTITEM;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!state) return E_POINTER;
        ::VariantInit(state);
        StandInItemsView* view = View();
        if (!view) return E_FAIL;
        LONG item = 0;
        if (HRESULT hr = Resolve(*view, child, &item); FAILED(hr)) return hr;
        state->vt = VT_I4;
        if (item == CHILDID_SELF || item == kGroup) {
            state->lVal = STATE_SYSTEM_FOCUSABLE | (::GetFocus() == view->hwnd() ? STATE_SYSTEM_FOCUSED : 0);
        } else {
            state->lVal = STATE_SYSTEM_SELECTABLE | (view->items[item - 1].selected ? STATE_SYSTEM_SELECTED : 0);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
        if (!left || !top || !width || !height) return E_POINTER;
        *left = *top = *width = *height = 0;
        StandInItemsView* view = View();
        if (!view) return E_FAIL;
        LONG item = 0;
        if (HRESULT hr = Resolve(*view, child, &item); FAILED(hr)) return hr;
        RECT r{};
        if (item == CHILDID_SELF || item == kGroup) {
            ::GetClientRect(view->hwnd(), &r);
        } else {
            r = view->items[item - 1].rect;
        }
        ::MapWindowPoints(view->hwnd(), nullptr, reinterpret_cast<POINT*>(&r), 2);
        *left = r.left;
        *top = r.top;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* hit) override {
        if (!hit) return E_POINTER;
        ::VariantInit(hit);
        StandInItemsView* view = View();
        if (!view) return E_FAIL;
        POINT p{x, y};
        ::ScreenToClient(view->hwnd(), &p);
        RECT client{};
        ::GetClientRect(view->hwnd(), &client);
        if (!::PtInRect(&client, p)) return S_FALSE;  // VT_EMPTY: not on this object
        const int under = view->ItemAt(p);
        if (item_ == kGroup) {  // the group answers the list it holds
            IDispatch* list = nullptr;
            if (HRESULT hr = Make(CHILDID_SELF, &list); FAILED(hr)) return hr;
            hit->vt = VT_DISPATCH;
            hit->pdispVal = list;
            return S_OK;
        }
        if (item_ != CHILDID_SELF) {  // an item object answers only for itself
            if (under + 1 != item_) return S_FALSE;
            hit->vt = VT_I4;
            hit->lVal = CHILDID_SELF;
            return S_OK;
        }
        if (under < 0 || view->behaviour != AccessibleBehaviour::ChildObjects) {
            hit->vt = VT_I4;
            hit->lVal = under < 0 ? CHILDID_SELF : under + 1;
            return S_OK;
        }
        IDispatch* object = nullptr;
        if (HRESULT hr = Make(under + 1, &object); FAILED(hr)) return hr;
        hit->vt = VT_DISPATCH;
        hit->pdispVal = object;
        return S_OK;
    }

private:
    // The view while it exists and answers; null once it is gone or when it fails on purpose.
    StandInItemsView* View() const {
        StandInItemsView* view = link_->view;
        return view && view->behaviour != AccessibleBehaviour::Failing ? view : nullptr;
    }
    // Which item a child id names, relative to this object (CHILDID_SELF: this object).
    HRESULT Resolve(const StandInItemsView& view, const VARIANT& child, LONG* item) const {
        if (child.vt != VT_I4) return E_INVALIDARG;
        if (item_ == kGroup) {
            if (child.lVal != CHILDID_SELF) return E_INVALIDARG;
            *item = kGroup;
            return S_OK;
        }
        if (item_ != CHILDID_SELF) {
            if (child.lVal != CHILDID_SELF) return E_INVALIDARG;
            if (static_cast<size_t>(item_) > view.items.size()) return E_FAIL;  // the item went away
            *item = item_;
            return S_OK;
        }
        if (child.lVal < 0 || static_cast<size_t>(child.lVal) > view.items.size()) return E_INVALIDARG;
        *item = child.lVal;
        return S_OK;
    }
    HRESULT Make(LONG item, IDispatch** out) const {
        auto* object = new (std::nothrow) ItemsAccessible(link_, item);
        if (!object) return E_OUTOFMEMORY;
        *out = static_cast<IAccessible*>(object);
        return S_OK;
    }

    std::shared_ptr<StandInItemsView::Link> link_;
    const LONG item_;
    LONG refs_ = 1;
};

}  // namespace

StandInItemsView::StandInItemsView(HWND parent, RECT rect) : link_(std::make_shared<Link>()) {
    // The class may already exist as a plain window class (HostWindow paths name it), so
    // this window gets its behaviour by subclassing rather than from a class of its own.
    EnsureClass(L"DirectUIHWND");
    window_.reset(::CreateWindowExW(0, L"DirectUIHWND", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, rect.left, rect.top,
                                    rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr));
    if (!window_) return;
    link_->view = this;
    ::SetPropW(window_.get(), kViewProp, this);
    original_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StandInItemsView::Proc)));
}

StandInItemsView::~StandInItemsView() {
    link_->view = nullptr;
    // Objects the system still holds for callers that never collected them (or proxies of
    // other apartments) are let go; callers holding the object itself get E_FAIL.
    std::vector<ComPtr<IUnknown>> live(link_->live.begin(), link_->live.end());
    for (const ComPtr<IUnknown>& object : live) ::CoDisconnectObject(object.Get(), 0);
    live.clear();
    if (window_) ::RemovePropW(window_.get(), kViewProp);
    window_.reset();
}

void StandInItemsView::Invalidate() {
    if (window_) ::InvalidateRect(window_.get(), nullptr, TRUE);
}

int StandInItemsView::ItemAt(POINT client) const {
    for (size_t i = 0; i < items.size(); ++i) {
        if (::PtInRect(&items[i].rect, client)) return static_cast<int>(i);
    }
    return -1;
}

POINT StandInItemsView::ItemCentre(size_t i) const {
    POINT p{};
    if (i >= items.size()) return p;
    const RECT& r = items[i].rect;
    p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ::ClientToScreen(window_.get(), &p);
    return p;
}

POINT StandInItemsView::EmptyPoint() const {
    RECT client{};
    ::GetClientRect(window_.get(), &client);
    // From the bottom-right corner, where a grid of items ends, back towards the top left.
    for (LONG y = client.bottom - 6; y >= client.top; y -= 8) {
        for (LONG x = client.right - 6; x >= client.left; x -= 8) {
            POINT p{x, y};
            if (ItemAt(p) < 0) {
                ::ClientToScreen(window_.get(), &p);
                return p;
            }
        }
    }
    return POINT{};
}

void StandInItemsView::SelectOnly(int item) {
    for (size_t i = 0; i < items.size(); ++i) items[i].selected = static_cast<int>(i) == item;
    Invalidate();
}

void StandInItemsView::ShowMenu(POINT screen) {
    unique_hmenu menu(::CreatePopupMenu());
    if (!menu) return;
    ::AppendMenuW(menu.get(), MF_STRING, 1, L"&Open");
    ::AppendMenuW(menu.get(), MF_STRING, 2, L"Open in new &window");
    ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu.get(), MF_STRING, 3, L"&Copy");
    ::AppendMenuW(menu.get(), MF_STRING, 4, L"P&roperties");
    // Without the foreground the menu would not close when the user clicks elsewhere.
    ::SetForegroundWindow(::GetAncestor(window_.get(), GA_ROOT));
    ::TrackPopupMenuEx(menu.get(), TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x, screen.y, window_.get(), nullptr);
}

void StandInItemsView::Paint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(window_.get(), &ps);
    if (!dc) return;
    select_object_scope font(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    select_object_scope brush(dc, ::GetStockObject(NULL_BRUSH));
    ::SetBkMode(dc, TRANSPARENT);
    for (const StandInItem& item : items) {
        RECT r = item.rect;
        if (item.selected) ::FillRect(dc, &r, ::GetSysColorBrush(COLOR_HIGHLIGHT));
        ::Rectangle(dc, r.left, r.top, r.right, r.bottom);
        ::SetTextColor(dc, ::GetSysColor(item.selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        ::InflateRect(&r, -4, -2);
        ::DrawTextW(dc, item.name.c_str(), static_cast<int>(item.name.size()), &r,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
    ::EndPaint(window_.get(), &ps);
}

LRESULT CALLBACK StandInItemsView::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<StandInItemsView*>(::GetPropW(hwnd, kViewProp));
    if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    return self->Handle(message, wParam, lParam);
}

LRESULT StandInItemsView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (message == WM_RBUTTONDOWN || message == WM_RBUTTONDBLCLK || message == WM_RBUTTONUP) {
        rightButtonMessages.push_back(message);
    }
    switch (message) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_GETOBJECT:
        if (static_cast<LONG>(lParam) == OBJID_CLIENT && behaviour != AccessibleBehaviour::NoObject) {
            ComPtr<IAccessible> list;
            list.Attach(new (std::nothrow)
                            ItemsAccessible(link_, behaviour == AccessibleBehaviour::NestedList ? kGroup : CHILDID_SELF));
            if (!list) return 0;
            return ::LresultFromObject(kIidAccessible, wParam, list.Get());
        }
        break;
    // A press counts only when the button is down in this thread's key state, as it is
    // for real input; a press that was merely posted leaves it up.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (::GetKeyState(VK_LBUTTON) >= 0) {
            ++ignoredPresses;
            return 0;
        }
        ++leftPresses;
        ::SetFocus(window_.get());
        SelectOnly(ItemAt(at));
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        if (::GetKeyState(VK_RBUTTON) >= 0) {
            ++ignoredPresses;
            return 0;
        }
        rightTaken_ = true;
        if (const int item = ItemAt(at); item < 0 || !items[item].selected) SelectOnly(item);
        return 0;
    case WM_RBUTTONUP:
        if (!rightTaken_) return 0;
        rightTaken_ = false;
        ++contextMenus;
        if (showContextMenu) {
            POINT screen = at;
            ::ClientToScreen(window_.get(), &screen);
            ShowMenu(screen);
        }
        return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        if (::GetKeyState(VK_MBUTTON) >= 0) ++ignoredPresses;
        return 0;
    case WM_MOUSEWHEEL: {
        UINT lines = 3;
        ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
        const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
        const int rows = lines == WHEEL_PAGESCROLL ? visibleRows : static_cast<int>(lines);
        ScrollTo(firstRow - notches * rows);
        return 0;
    }
    default:
        break;
    }
    return ::CallWindowProcW(original_, window_.get(), message, wParam, lParam);
}

constexpr int kCellWidth = 150, kCellHeight = 44, kGap = 10;

StandInShellView::StandInShellView(HWND parent, RECT rect, const wchar_t* folderPath, size_t maxItems,
                                   bool itemsWindow) {
    EnsureClass(L"SHELLDLL_DefView");
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    window_.reset(::CreateWindowExW(0, L"SHELLDLL_DefView", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rect.left,
                                    rect.top, width, height, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr));
    if (!window_) return;

    PIDLIST_ABSOLUTE absolute = nullptr;
    if (SUCCEEDED(::SHParseDisplayName(folderPath, nullptr, &absolute, 0, nullptr))) {
        ::SHBindToObject(nullptr, absolute, nullptr, IID_PPV_ARGS(&folder_));
        ::CoTaskMemFree(absolute);
    }
    ComPtr<IEnumIDList> entries;
    if (folder_ && folder_->EnumObjects(window_.get(), kEnumFlags, &entries) == S_OK && entries) {
        PITEMID_CHILD child = nullptr;
        while (entries->Next(1, &child, nullptr) == S_OK) children_.emplace_back(child);
    }

    if (!itemsWindow) return;
    items_ = std::make_unique<StandInItemsView>(window_.get(), RECT{0, 0, width, height});
    // A grid of boxes, row by row, as an icon view lays them out.
    const int columns = std::max(1, (width - kGap) / (kCellWidth + kGap));
    columns_ = columns;
    items_->rowCount = std::max<int>(1, static_cast<int>((children_.size() + columns - 1) / columns));
    items_->visibleRows = std::max(1, (height - kGap) / (kCellHeight + kGap));
    for (size_t i = 0; i < children_.size() && i < maxItems; ++i) {
        STRRET strret{};
        wchar_t* name = nullptr;
        if (FAILED(folder_->GetDisplayNameOf(children_[i].get(), SHGDN_INFOLDER, &strret)) ||
            FAILED(::StrRetToStrW(&strret, children_[i].get(), &name))) {
            continue;
        }
        StandInItem item;
        item.name = name;
        ::CoTaskMemFree(name);
        const int column = static_cast<int>(i) % columns, row = static_cast<int>(i) / columns;
        item.rect = {kGap + column * (kCellWidth + kGap), kGap + row * (kCellHeight + kGap),
                     kGap + column * (kCellWidth + kGap) + kCellWidth, kGap + row * (kCellHeight + kGap) + kCellHeight};
        items_->items.push_back(std::move(item));
    }
    // The items view fills the shell view whatever size the host gives it.
    ::SetPropW(window_.get(), kShellViewProp, this);
    original_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StandInShellView::Proc)));
    items_->Invalidate();
}

StandInShellView::~StandInShellView() {
    if (window_) ::RemovePropW(window_.get(), kShellViewProp);
    items_.reset();
    window_.reset();
}

LRESULT CALLBACK StandInShellView::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<StandInShellView*>(::GetPropW(hwnd, kShellViewProp));
    if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_SIZE && self->items_) {
        ::MoveWindow(self->items_->hwnd(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
    }
    return ::CallWindowProcW(self->original_, hwnd, message, wParam, lParam);
}

int StandInShellView::Find(const std::wstring& name) const {
    if (!items_) return -1;
    for (size_t i = 0; i < items_->items.size(); ++i) {
        if (items_->items[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

HRESULT STDMETHODCALLTYPE StandInShellView::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleWindow || riid == IID_IShellView) {
        *out = static_cast<IShellView*>(this);
    } else if (riid == IID_IFolderView || riid == IID_IFolderView2) {
        *out = static_cast<IFolderView2*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StandInShellView::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = window_.get();
    return *window ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE StandInShellView::GetFolder(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!folder_) return E_FAIL;
    return folder_->QueryInterface(riid, out);
}

HRESULT STDMETHODCALLTYPE StandInShellView::ItemCount(UINT flags, int* count) {
    if (!count) return E_POINTER;
    *count = 0;
    switch (flags & SVGIO_TYPE_MASK) {
    case SVGIO_ALLVIEW:
        *count = static_cast<int>(children_.size());
        return S_OK;
    case SVGIO_SELECTION:
        if (items_) {
            *count = static_cast<int>(std::count_if(items_->items.begin(), items_->items.end(),
                                                    [](const StandInItem& item) { return item.selected; }));
        }
        return S_OK;
    default:
        return E_INVALIDARG;
    }
}

HRESULT STDMETHODCALLTYPE StandInShellView::Items(UINT flags, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if ((flags & SVGIO_TYPE_MASK) != SVGIO_ALLVIEW || riid != IID_IEnumIDList) return E_INVALIDARG;
    if (!folder_) return E_FAIL;
    ComPtr<IEnumIDList> entries;
    const HRESULT hr = folder_->EnumObjects(window_.get(), kEnumFlags, &entries);
    if (FAILED(hr)) return hr;
    if (!entries) return E_FAIL;
    *out = entries.Detach();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StandInShellView::Item(int index, PITEMID_CHILD* item) {
    if (!item) return E_POINTER;
    *item = nullptr;
    if (index < 0 || static_cast<size_t>(index) >= children_.size()) return E_INVALIDARG;
    *item = static_cast<PITEMID_CHILD>(::ILClone(children_[index].get()));
    return *item ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE StandInShellView::GetSpacing(POINT* spacing) {
    if (!spacing) return E_POINTER;
    *spacing = {kCellWidth + kGap, kCellHeight + kGap};
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StandInShellView::GetSelectionState(PCUITEMID_CHILD item, DWORD* flags) {
    if (!item || !flags) return E_POINTER;
    *flags = 0;
    const UINT size = ::ILGetSize(item);
    for (size_t i = 0; i < children_.size(); ++i) {
        if (::ILGetSize(children_[i].get()) != size || std::memcmp(children_[i].get(), item, size) != 0) continue;
        if (items_ && i < items_->items.size() && items_->items[i].selected) *flags = SVSI_SELECT;
        return S_OK;
    }
    return E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE StandInShellView::SelectItem(int index, DWORD flags) {
    if (index < 0 || static_cast<size_t>(index) >= children_.size()) return E_INVALIDARG;
    if (!items_) return E_FAIL;
    if (flags & SVSI_DESELECTOTHERS) {
        for (StandInItem& item : items_->items) item.selected = false;
    }
    if (static_cast<size_t>(index) < items_->items.size()) items_->items[index].selected = (flags & SVSI_SELECT) != 0;
    if (flags & SVSI_ENSUREVISIBLE) {
        const int row = index / columns_;
        if (row < items_->firstRow) items_->ScrollTo(row);
        if (row >= items_->firstRow + items_->visibleRows) items_->ScrollTo(row - items_->visibleRows + 1);
    }
    items_->Invalidate();
    return S_OK;
}

}  // namespace cc::test
