#include "gesture/view_hit.h"
#include "common/com_query.h"

#include <commctrl.h>
#include <oleacc.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace cc {
namespace {

// A page can nest frames and elements as deep as it likes; the walks stop well before
// a hostile page could exhaust the host's stack or time.
constexpr int kMaxFrameDepth = 16;
constexpr int kMaxElementChain = 4096;

ComPtr<IHTMLDocument2> DocumentOf(IWebBrowser2* browser) {
    ComPtr<IDispatch> document;
    ComPtr<IHTMLDocument2> html;
    if (browser && SUCCEEDED(browser->get_Document(&document)) && document) QueryTo(document, html);
    return html;
}

ComPtr<IHTMLElement> ElementAt(IHTMLDocument2* document, POINT p) {
    ComPtr<IHTMLElement> element;
    if (FAILED(document->elementFromPoint(p.x, p.y, &element))) element.Reset();
    return element;
}

bool HasAddress(BSTR href) { return href != nullptr && ::SysStringLen(href) > 0; }

template <typename Link>
bool LinkHasAddress(Link* link) {
    unique_bstr href;
    return SUCCEEDED(link->get_href(href.put())) && HasAddress(href.get());
}

POINT Minus(POINT a, POINT b) { return {a.x - b.x, a.y - b.y}; }

// A pane or group may lie between the view's client object and its items; an object that
// keeps answering child objects is not followed further than this.
constexpr int kMaxAccessibleDepth = 8;

VARIANT ChildId(LONG id) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

// The role of an object or of one of its simple children; -1 when it gives none.
LONG RoleOf(IAccessible* object, LONG child) {
    unique_variant role;
    const bool known = SUCCEEDED(object->get_accRole(ChildId(child), role.put())) && role->vt == VT_I4;
    return known ? role->lVal : -1;
}

AccessibleHit DescribeItem(IAccessible* object, LONG child, unique_bstr* name) {
    AccessibleHit hit{ItemAtPoint::Item, false};
    unique_variant state;
    if (SUCCEEDED(object->get_accState(ChildId(child), state.put())) && state->vt == VT_I4) {
        hit.selected = (state->lVal & STATE_SYSTEM_SELECTED) != 0;
    }
    if (name && FAILED(object->get_accName(ChildId(child), name->put()))) name->reset();
    return hit;
}

}  // namespace

AccessibleHit AccessibleItemAt(HWND view, POINT screen, unique_bstr* name) {
    if (name) name->reset();
    ComPtr<IAccessible> object;
    if (!view || FAILED(::AccessibleObjectFromWindow(view, static_cast<DWORD>(OBJID_CLIENT),
                                                     IID_PPV_ARGS(&object))) || !object) {
        return {};
    }
    for (int depth = 0; depth < kMaxAccessibleDepth; ++depth) {
        unique_variant hit;
        if (FAILED(object->accHitTest(screen.x, screen.y, hit.put()))) return {};
        if (hit->vt == VT_I4) {
            const LONG child = hit->lVal;
            const LONG role = RoleOf(object.Get(), child);
            if (role == ROLE_SYSTEM_LISTITEM) return DescribeItem(object.Get(), child, name);
            // Empty space only where the view's own object says so: a list nested further
            // in (a group of the view) may lie anywhere inside it, so its blank is unknown.
            if (child == CHILDID_SELF && role == ROLE_SYSTEM_LIST && depth == 0) return {ItemAtPoint::Empty, false};
            return {};
        }
        if (hit->vt != VT_DISPATCH) return {};  // VT_EMPTY: not on the object at all
        ComPtr<IAccessible> child;
        if (!hit->pdispVal || !QueryTo(hit->pdispVal, child)) return {};
        if (RoleOf(child.Get(), CHILDID_SELF) == ROLE_SYSTEM_LISTITEM) return DescribeItem(child.Get(), CHILDID_SELF, name);
        object = child;
    }
    return {};
}

bool HitListItem(HWND listView, POINT clientPoint) {
    const LRESULT count = ::SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        RECT bounds{};
        bounds.left = LVIR_BOUNDS;
        if (::SendMessageW(listView, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&bounds)) &&
            ::PtInRect(&bounds, clientPoint)) {
            return true;
        }
    }
    return false;
}

POINT ElementPagePosition(IHTMLElement* element) {
    POINT position{0, 0};
    ComPtr<IHTMLElement> current(element);
    for (int i = 0; current && i < kMaxElementChain; ++i) {
        LONG offsetLeft = 0, offsetTop = 0;
        current->get_offsetLeft(&offsetLeft);
        current->get_offsetTop(&offsetTop);
        position.x += offsetLeft;
        position.y += offsetTop;
        ComPtr<IHTMLControlElement> control;
        if (QueryTo(current, control)) {
            LONG clientLeft = 0, clientTop = 0;
            control->get_clientLeft(&clientLeft);
            control->get_clientTop(&clientTop);
            position.x += clientLeft;
            position.y += clientTop;
        }
        ComPtr<IHTMLTextContainer> scrolled;
        if (QueryTo(current, scrolled)) {
            LONG scrollLeft = 0, scrollTop = 0;
            scrolled->get_scrollLeft(&scrollLeft);
            scrolled->get_scrollTop(&scrollTop);
            position.x -= scrollLeft;
            position.y -= scrollTop;
        }
        ComPtr<IHTMLElement> parent;
        if (FAILED(current->get_offsetParent(&parent))) parent.Reset();
        current = parent;
    }
    return position;
}

bool LinkAtPoint(IWebBrowser2* browser, POINT pagePoint) {
    ComPtr<IWebBrowser2> page(browser);
    POINT p = pagePoint;
    for (int depth = 0; depth < kMaxFrameDepth; ++depth) {
        ComPtr<IHTMLDocument2> document = DocumentOf(page.Get());
        if (!document) return false;
        ComPtr<IHTMLElement> element = ElementAt(document.Get(), p);
        if (!element) return false;
        ComPtr<IWebBrowser2> frame;
        if (QueryTo(element, frame)) {
            p = Minus(p, ElementPagePosition(element.Get()));
            page = frame;
            continue;
        }
        // Outward to the first anchor or area; its address decides, even when empty.
        for (int i = 0; element && i < kMaxElementChain; ++i) {
            ComPtr<IHTMLAnchorElement> anchor;
            if (QueryTo(element, anchor)) return LinkHasAddress(anchor.Get());
            ComPtr<IHTMLAreaElement> area;
            if (QueryTo(element, area)) return LinkHasAddress(area.Get());
            ComPtr<IHTMLElement> parent;
            if (FAILED(element->get_parentElement(&parent))) parent.Reset();
            element = parent;
        }
        return false;
    }
    return false;
}

bool ScrollHorizontally(IWebBrowser2* browser, int wheelDelta, POINT pagePoint) {
    ComPtr<IWebBrowser2> page(browser);
    POINT p = pagePoint;
    ComPtr<IHTMLDocument2> document;
    for (int depth = 0; depth < kMaxFrameDepth; ++depth) {
        ComPtr<IHTMLDocument2> current = DocumentOf(page.Get());
        if (!current) break;
        document = current;
        ComPtr<IHTMLElement> element = ElementAt(current.Get(), p);
        ComPtr<IWebBrowser2> frame;
        if (!QueryTo(element, frame)) break;
        p = Minus(p, ElementPagePosition(element.Get()));
        page = frame;
        document.Reset();  // the frame's own document is the one to scroll
    }
    if (!document) return false;
    ComPtr<IHTMLWindow2> window;
    if (FAILED(document->get_parentWindow(&window)) || !window) return false;
    window->scrollBy((wheelDelta / -120) * 50, 0);
    return true;
}

}  // namespace cc
