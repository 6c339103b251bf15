// A stand-in for the items view of modern Explorer: a windowless item list in a
// "DirectUIHWND" window, reachable only through Active Accessibility, inside a stand-in
// "SHELLDLL_DefView" whose IShellView/IFolderView show a real folder of the machine.
// It honours only documented behaviour: the accessible list and its items, and a view
// that takes a button press only when the button is really down.
#pragma once

#include <windows.h>
#include <oleacc.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "com_fake_bases.h"
#include "common/unique_handle.h"

namespace cc::test {

enum class AccessibleBehaviour {
    ChildIds,      // accHitTest answers VT_I4 child ids (1-based) for items
    ChildObjects,  // accHitTest answers VT_DISPATCH: an IAccessible per item
    NoObject,      // WM_GETOBJECT is not answered (DefWindowProc gives the system's default)
    Failing,       // an object is given, but every method answers E_FAIL
    NestedList,    // the window's object is a group (ROLE_SYSTEM_GROUPING) whose hit test
                   // answers the list object, which answers child ids as with ChildIds
};

struct StandInItem {
    std::wstring name;  // the displayed name (accName)
    RECT rect{};        // in the items view's client coordinates
    bool selected = false;
};

// A window of class "DirectUIHWND" that draws its items (names in boxes, selected ones
// highlighted) and answers WM_GETOBJECT / OBJID_CLIENT with an accessible list
// (ROLE_SYSTEM_LIST) whose children are the items (ROLE_SYSTEM_LISTITEM,
// STATE_SYSTEM_SELECTABLE [| STATE_SYSTEM_SELECTED], accName, accLocation; an item
// object's parent is the list). accHitTest takes screen coordinates: the item under the
// point, CHILDID_SELF on empty space of the view, VT_EMPTY outside it.
// Like a view that checks the real button state, it takes a press only when that button
// is really down (GetKeyState at WM_xBUTTONDOWN): posted presses are ignored.
class StandInItemsView {
public:
    StandInItemsView(HWND parent, RECT rect);  // rect in the parent's client coordinates
    // Destroys the window. Accessible objects still in a caller's hands are disconnected
    // and answer E_FAIL from then on.
    ~StandInItemsView();
    StandInItemsView(const StandInItemsView&) = delete;
    StandInItemsView& operator=(const StandInItemsView&) = delete;

    HWND hwnd() const { return window_.get(); }
    std::vector<StandInItem> items;  // the test may change them; call Invalidate()
    AccessibleBehaviour behaviour = AccessibleBehaviour::ChildIds;
    bool showContextMenu = false;  // true: a real popup menu opens; false: only counted
    int contextMenus = 0;          // right clicks taken as real (down really down, then up)
    int ignoredPresses = 0;        // presses ignored because the button was not really down
    int leftPresses = 0;           // real left presses (they select the item under the pointer)
    std::vector<UINT> rightButtonMessages;  // every right press, double-click and release, in order
    // Scrolling, in rows of the grid of all the folder's entries. The wheel moves it (the
    // system's lines per notch, a line being a row), and so does the shell view's
    // SelectItem with SVSI_ENSUREVISIBLE. WM_VSCROLL is ignored: the view's scroll bars
    // are not its window's own. What is drawn does not move with it.
    int firstRow = 0;
    int rowCount = 1;
    int visibleRows = 1;
    void ScrollTo(int row) { firstRow = std::max(0, std::min(row, rowCount - visibleRows)); }
    POINT ItemCentre(size_t i) const;  // screen coordinates
    POINT EmptyPoint() const;          // a screen point in the view on no item
    void Invalidate();

    // The item under a point in client coordinates, or -1.
    int ItemAt(POINT client) const;

    struct Link;  // what the accessible objects know of the view

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    void SelectOnly(int item);
    void ShowMenu(POINT screen);

    unique_hwnd window_;
    WNDPROC original_ = nullptr;
    std::shared_ptr<Link> link_;
    bool rightTaken_ = false;  // a real right press is waiting for its release
};

// A stand-in shell view around a real folder: a window of class "SHELLDLL_DefView" filled
// by a StandInItemsView whose items are the folder's first `maxItems` entries, named by
// their SHGDN_INFOLDER display names and laid out in a grid. IShellView::GetWindow is the
// SHELLDLL_DefView window; IFolderView answers GetFolder (the real folder), ItemCount,
// Items(SVGIO_ALLVIEW, IID_IEnumIDList: the real folder's enumeration) and Item(i), over
// all of the folder's entries (those past `maxItems` are out of sight, as if scrolled
// away). IFolderView2 adds GetSpacing (a grid cell with its gap), GetSelectionState and
// SelectItem, which sets an item's selection from its flags and scrolls it into view.
// With `itemsWindow` false the view window has no items child at all.
class StandInShellView final : public FakeBase_IShellView, public FakeBase_IFolderView2 {
public:
    StandInShellView(HWND parent, RECT rect, const wchar_t* folderPath, size_t maxItems = 12,
                     bool itemsWindow = true);
    ~StandInShellView();
    StandInShellView(const StandInShellView&) = delete;
    StandInShellView& operator=(const StandInShellView&) = delete;

    HWND window() const { return window_.get(); }  // the SHELLDLL_DefView window
    StandInItemsView* items() { return items_.get(); }  // null without an items window
    // Index of the displayed item with this name, or -1.
    int Find(const std::wstring& name) const;
    // Like the other doubles it lives on the test's stack or as a member; the count only
    // lets a test check that the product gave back every reference it took.
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE GetFolder(REFIID riid, void** out) override;
    HRESULT STDMETHODCALLTYPE ItemCount(UINT flags, int* count) override;
    HRESULT STDMETHODCALLTYPE Items(UINT flags, REFIID riid, void** out) override;
    HRESULT STDMETHODCALLTYPE Item(int index, PITEMID_CHILD* item) override;
    HRESULT STDMETHODCALLTYPE GetSpacing(POINT* spacing) override;
    HRESULT STDMETHODCALLTYPE GetSelectionState(PCUITEMID_CHILD item, DWORD* flags) override;
    HRESULT STDMETHODCALLTYPE SelectItem(int index, DWORD flags) override;

private:
    static void FreeChildId(PITEMID_CHILD id) { ::CoTaskMemFree(id); }
    using unique_child_id = unique_any<PITEMID_CHILD, FreeChildId>;
    static constexpr SHCONTF kEnumFlags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);

    unique_hwnd window_;
    WNDPROC original_ = nullptr;
    std::unique_ptr<StandInItemsView> items_;
    Microsoft::WRL::ComPtr<IShellFolder> folder_;
    std::vector<unique_child_id> children_;
    int columns_ = 1;
};

}  // namespace cc::test
