// What the settings sheet's pages share: the state of one open sheet, which every page
// gets through its PROPSHEETPAGE and keeps on its window, and the page procedures.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <utility>

#include "common/unique_handle.h"
#include "context/gesture_session.h"
#include "settings/quick_move_store.h"
#include "settings/settings_block.h"
#include "settings/settings_mapping.h"

namespace cc {

// The behaviour page's values that have no control of their own to live in.
struct BehaviourPageState {
    COLORREF colour = 0;
    int32_t timeoutTenths = 5;
    int32_t sensitivity = 15;
    unique_hbitmap swatch;  // the colour button's face
};

// The assignment page's working copy of every gesture, written to the block on OK.
struct AssignmentPageState {
    Gesture explorer[kExplorerActionCount];
    Gesture browser[kBrowserActionCount];
    Gesture* Of(ActionList list) { return list == ActionList::Explorer ? explorer : browser; }
};

// One per open sheet, made when it opens and freed when its window goes.
class SheetState {
public:
    // The sheet maps the block itself: the browser object that opened it may quit (and
    // unmap its own view) while the sheet is still open.
    SheetState(std::unique_ptr<SettingsMapping> mapping, ViewKind browserKind)
        : mapping_(std::move(mapping)), browserKind_(browserKind) {}
    SheetState(const SheetState&) = delete;
    SheetState& operator=(const SheetState&) = delete;

    SettingsView settings() const { return mapping_->view(); }
    // Where "setting" and the "Links" store live, for reading and for writing (see
    // SettingsMapping); the marker files are beside the DLL.
    const wchar_t* ReadableFolder(DWORD* why) const { return mapping_->ReadableFolder(why); }
    const wchar_t* WritableFolder(DWORD* why) const { return mapping_->WritableFolder(why); }
    const wchar_t* markerFolder() const { return mapping_->markerFolder(); }
    bool SaveToFile(DWORD* why) const { return mapping_->SaveToFile(why); }
    // Why a page could not store what it applies (the first reason), cleared before each OK.
    void NoteApplyFailure(DWORD error) {
        if (applyError_ == ERROR_SUCCESS) applyError_ = error;
    }
    void ClearApplyFailure() { applyError_ = ERROR_SUCCESS; }
    DWORD applyError() const { return applyError_; }
    // The view kind the opening gesture was drawn in.
    ViewKind browserKind() const { return browserKind_; }
    // The DPI the sheet's last WM_DPICHANGED announced; 0 before any.
    UINT announcedDpi() const { return announcedDpi_; }
    void NoteAnnouncedDpi(UINT dpi) { announcedDpi_ = dpi; }

    BehaviourPageState behaviour;
    AssignmentPageState assignment;
    QuickMoveFolders quickMoveFolders;
    // Why the store could not be read when the quick-move page opened (ERROR_SUCCESS when
    // it was): such a store is not written over with the empty list the page showed.
    DWORD quickMoveUnread = ERROR_SUCCESS;

private:
    std::unique_ptr<SettingsMapping> mapping_;
    ViewKind browserKind_;
    DWORD applyError_ = ERROR_SUCCESS;
    UINT announcedDpi_ = 0;
};

// For a page's WM_INITDIALOG, whose lParam is the page's PROPSHEETPAGE: keeps the sheet's
// state on the page window and returns it.
SheetState* KeepSheetState(HWND page, LPARAM initParam);
// The state a page keeps; null before its WM_INITDIALOG and once the page is gone (a
// modal dialog a page runs can outlive the sheet when the sheet's owner goes).
SheetState* SheetStateOf(HWND page);

// The DPI a page sizes its pixels for: the one the sheet was last moved to, else the
// page's own. (They agree once the move is done; the page's own lags while the move's
// messages are being handled.)
UINT PageDpi(HWND page, const SheetState& sheet);

// What a page does with WM_DPICHANGED_AFTERPARENT and with kWmRebuildForDpi: true when
// `message` is one of them and the page should rebuild what it sizes in pixels now.
bool PageRebuildsForDpi(HWND page, UINT message);

// A page's answer to PSN_APPLY once it has written its fields: never refused.
inline INT_PTR AcceptApply(HWND page) {
    ::SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);  // PSNRET_NOERROR
    return TRUE;
}

// The page procedures.
INT_PTR CALLBACK BehaviourPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK AssignmentPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK QuickMovePageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK DefaultActionsPageProc(HWND, UINT, WPARAM, LPARAM);

}  // namespace cc
