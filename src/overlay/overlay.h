// What the user sees of a gesture over the view: the trail and, by the pointer, a plate
// with the status text (and, after a rest, what each next stroke would do). One layered
// window per browser thread, shared by the tabs on it: it takes no input, never
// activates, and is drawn from a premultiplied 32-bit bitmap with
// UpdateLayeredWindowIndirect, so nothing is drawn on the view and the view never has to
// repaint for it.
//
// Each call names its `owner` (the gesture's session): only the owner of what shows may
// change or hide it, so one tab's end cannot take away another's drawing.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "common/unique_handle.h"
#include "overlay/pixels.h"

namespace cc {

// Room for the status text and the hint list under it.
inline constexpr std::size_t kOverlayTextUnits = 1024;

struct OverlayStep {
    RECT viewRect{};          // the view's window rectangle now: the trail's frame
    POINT pointer{};          // screen coordinates
    bool drawSegment = false;
    POINT from{}, to{};       // relative to viewRect's top-left corner
    COLORREF colour = 0;
    int width = 1;            // pixels, already at the view's scale
    const wchar_t* text = nullptr;  // the status text when it changed; null keeps the last
};

class Overlay {
public:
    // The calling thread's overlay, made on first use, with a reference for the caller;
    // null when it cannot be made (then there is simply nothing to see).
    static Overlay* AcquireForThisThread();
    void AddRef();
    void Release();

    // A gesture of `owner` starts over `view` at the view's `dpi`: whatever showed goes.
    // Nothing shows until its first step or a rest.
    void Begin(const void* owner, HWND view, UINT dpi);
    // One step of the owner's gesture: a trail segment and/or a new text, the plate moved
    // to the pointer; the hint list, if shown, goes. The first step shows the overlay.
    void Step(const void* owner, const OverlayStep& step);
    // After `restMs` with no step, the plate shows `hints` (lines separated by '\n') under
    // the status text; null `hints` keeps the ones given last, 0 `restMs` shows none.
    void ArmRest(const void* owner, const wchar_t* hints, UINT restMs, POINT pointer);
    // The hint list goes now and does not come back before the next ArmRest.
    void DropHints(const void* owner);
    // Everything goes now. Ignored when `owner` is not the one shown.
    void Hide(const void* owner);
    // The owner itself goes: as Hide, and it is forgotten.
    void Forget(const void* owner);
    // `text` alone on the plate at `pointer` for `ms`, over `view` (for its scale).
    void Flash(const void* owner, HWND view, const wchar_t* text, POINT pointer, UINT ms);

    HWND hwnd() const { return window_.get(); }
    bool shown() const { return shown_; }
    bool hintsShown() const { return hintsShown_; }
    // For tests and the benchmark: the text on the plate, the bitmap and its sizes.
    const wchar_t* plateText() const { return plateText_; }
    HFONT plateFont() const { return font_.get(); }
    PixelRect plateRect() const;   // screen coordinates; empty without a plate
    PixelRect trailRect() const;   // screen coordinates; empty without a trail
    // A copy of what is shown at a screen point (premultiplied), 0 where nothing is.
    uint32_t PixelAt(POINT screen) const;
    size_t presents() const { return presents_; }
    bool updatePending() const { return presentPending_; }
    size_t bitmapBytes() const { return bitmapBytes_; }
    size_t peakBitmapBytes() const { return peakBitmapBytes_; }
    void ResetPeak() { peakBitmapBytes_ = bitmapBytes_; }
    // Tests: gestures begun from now on behave as in a remote session, plates drawn from now
    // on as in high contrast (or both as the system says).
    static void SetRemoteSessionForTest(bool remote);
    static void SetHighContrastForTest(bool on);

private:
    Overlay() = default;
    ~Overlay();
    Overlay(const Overlay&) = delete;
    Overlay& operator=(const Overlay&) = delete;

    bool Create();
    void OnTimer(UINT_PTR id);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    // Drawing, in the trail's frame (relative to the view's window rectangle).
    bool EnsureCanvas(const PixelRect& needed, const PixelRect& allowed);
    void FreeCanvas();
    PixelRect ToCanvas(const PixelRect& frame) const;
    void LiftPlate();
    void LayPlate();
    bool RenderPlate(const wchar_t* hints);
    void PlacePlate(POINT pointer);
    void Present();
    void PresentNow();
    void ShowWindowAboveFrame();
    void Reset();

    LONG refs_ = 1;
    DWORD thread_ = 0;
    unique_hwnd window_;
    const void* owner_ = nullptr;
    HWND view_ = nullptr;
    UINT dpi_ = 96;
    bool shown_ = false;
    bool flashing_ = false;
    bool hintsShown_ = false;
    bool remoteSession_ = false;
    DWORD lastPresentTick_ = 0;
    bool presentPending_ = false;
    bool sameThreadFrame_ = false;
    bool restArmed_ = false;
    bool freeArmed_ = false;
    UINT restMs_ = 0;
    DWORD lastStepTick_ = 0;
    // The work area of the monitor the pointer was last on, asked again only when the
    // pointer leaves that monitor (or a new gesture begins).
    const RECT& WorkArea(POINT pointer);
    RECT monitor_{};
    RECT work_{};
    bool haveWork_ = false;
    POINT presentedAt_{};
    size_t presents_ = 0;

    POINT viewOrigin_{};          // screen position of the trail frame's origin
    PixelRect allowed_;           // where drawing may go, in the frame: the view and the work area
    PixelRect trailBounds_;       // in the frame
    PixelRect dirty_;             // in the frame, since the last present
    PixelRect presented_;         // the window's rectangle at the last present, in the frame
    POINT pointer_{};

    // The canvas: a DIB section whose pixel (0, 0) is `canvasOrigin_` in the frame.
    unique_hdc canvasDc_;
    unique_hbitmap canvasBitmap_;
    HGDIOBJ canvasOld_ = nullptr;
    PixelBuffer canvas_;
    POINT canvasOrigin_{};
    size_t bitmapBytes_ = 0;
    size_t peakBitmapBytes_ = 0;

    // The plate: its pixels, and the canvas pixels it covers (put back when it moves).
    unique_hdc plateDc_;
    unique_hbitmap plateBitmap_;
    HGDIOBJ plateOld_ = nullptr;
    PixelBuffer plate_;
    uint32_t* under_ = nullptr;   // plate-sized copy of the canvas under the plate
    size_t underCapacity_ = 0;
    PixelRect plateRect_;         // in the frame; empty: no plate laid
    unique_hfont font_;
    UINT fontDpi_ = 0;
    wchar_t plateText_[kOverlayTextUnits] = L"";
    wchar_t statusText_[kOverlayTextUnits] = L"";
    wchar_t hints_[kOverlayTextUnits] = L"";
};

// Keeps a reference to an overlay; null-safe.
class OverlayRef {
public:
    OverlayRef() = default;
    explicit OverlayRef(Overlay* o) : overlay_(o) {}
    ~OverlayRef() { reset(); }
    OverlayRef(const OverlayRef&) = delete;
    OverlayRef& operator=(const OverlayRef&) = delete;
    void reset(Overlay* o = nullptr) {
        if (overlay_) overlay_->Release();
        overlay_ = o;
    }
    Overlay* get() const { return overlay_; }
    Overlay* operator->() const { return overlay_; }
    explicit operator bool() const { return overlay_ != nullptr; }

private:
    Overlay* overlay_ = nullptr;
};

}  // namespace cc
