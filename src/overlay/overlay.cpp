#include "overlay/overlay.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <vector>

#include "common/dpi.h"
#include "common/dpi_scale.h"
#include "common/release_elsewhere.h"
#include "common/window_class.h"
#include "module/module.h"

namespace cc {
namespace {

constexpr wchar_t kOverlayClass[] = L"CursorCadence Overlay";

// The overlay's own timers, on its own window.
constexpr UINT_PTR kRestTimer = 1;
constexpr UINT_PTR kReleaseCheckTimer = 2;
constexpr UINT_PTR kFlashTimer = 3;
constexpr UINT_PTR kFreeTimer = 4;
constexpr UINT_PTR kPresentTimer = 5;

constexpr UINT kReleaseCheckMs = 100;
constexpr UINT kFreeAfterMs = 1000;
// Updates go out at most once a display frame (60 a second), over a remote session, where
// each crosses the network, at most 30 a second. Steps between are drawn into the bitmap
// and go out together with the last state, from a timer: it comes only when the thread has
// no input waiting, so a busy thread coalesces its steps instead of falling behind.
constexpr DWORD kLocalFrameMs = 1000 / 60;
constexpr DWORD kRemoteFrameMs = 1000 / 30;
// A canvas larger than this is not made: the trail simply stops growing.
constexpr size_t kMaxCanvasBytes = size_t{256} << 20;

// The plate's look, in pixels at 96 DPI.
constexpr int kPadX = 8, kPadY = 4, kHintGap = 4, kRadius = 6;
constexpr int kPointerGapX = 16, kPointerGapY = 20;
constexpr COLORREF kPlateFill = RGB(32, 32, 32);
constexpr uint32_t kPlateAlpha = 216;
constexpr COLORREF kPlateInk = RGB(255, 255, 255);

// Japanese UI faces to fall back on when the message font lacks a glyph of the text.
constexpr const wchar_t* kJapaneseFaces[] = {L"Yu Gothic UI", L"Meiryo UI", L"MS UI Gothic", L"Meiryo",
                                             L"MS PGothic"};

// One overlay per thread, found by thread id. The slot goes with the overlay's last
// reference; a slot whose window died with an ended thread (ids are reused) is dropped.
SRWLOCK g_lock = SRWLOCK_INIT;
struct Slot {
    DWORD thread;
    Overlay* overlay;
};
std::vector<Slot>& Slots() {
    static std::vector<Slot> slots;
    return slots;
}

std::atomic<bool> g_remoteForTest{false};
std::atomic<bool> g_highContrastForTest{false};

SharedWindowClass g_class(kOverlayClass);

PixelRect FromRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
PixelRect Offset(PixelRect r, int32_t dx, int32_t dy) {
    if (r.empty()) return r;
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}


// A 32-bit top-down DIB section selected into a memory DC of its own.
bool MakeDib(int32_t width, int32_t height, unique_hdc& dc, unique_hbitmap& bitmap, HGDIOBJ& old, uint32_t*& bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    unique_hdc newDc(::CreateCompatibleDC(nullptr));
    if (!newDc) return false;
    unique_hbitmap newBitmap(::CreateDIBSection(newDc.get(), &info, DIB_RGB_COLORS, &memory, nullptr, 0));
    if (!newBitmap || !memory) return false;
    if (dc && old) ::SelectObject(dc.get(), old);
    old = ::SelectObject(newDc.get(), newBitmap.get());
    dc = std::move(newDc);
    bitmap = std::move(newBitmap);
    bits = static_cast<uint32_t*>(memory);
    return true;
}

void DropDib(unique_hdc& dc, unique_hbitmap& bitmap, HGDIOBJ& old) {
    if (dc && old) ::SelectObject(dc.get(), old);
    old = nullptr;
    bitmap.reset();
    dc.reset();
}

bool HighContrast() {
    if (g_highContrastForTest.load()) return true;
    HIGHCONTRASTW hc{};
    hc.cbSize = sizeof(hc);
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(hc), &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON);
}

// Whether `font` has a glyph for every character of `text` (line breaks aside).
bool HasGlyphs(HDC dc, HFONT font, const wchar_t* text) {
    select_object_scope selected(dc, font);
    WORD glyphs[64];
    const wchar_t* p = text;
    while (*p) {
        wchar_t chunk[64];
        int n = 0;
        for (; *p && n < 64; ++p) {
            if (*p != L'\n') chunk[n++] = *p;
        }
        if (n == 0) continue;
        if (::GetGlyphIndicesW(dc, chunk, n, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR) return false;
        for (int i = 0; i < n; ++i) {
            if (glyphs[i] == 0xFFFF) return false;
        }
    }
    return true;
}

struct FaceSearch {
    HDC dc;
    LOGFONTW base;
    const wchar_t* text;
    HFONT found;
};

int CALLBACK TryJapaneseFace(const LOGFONTW* face, const TEXTMETRICW*, DWORD, LPARAM param) {
    auto& search = *reinterpret_cast<FaceSearch*>(param);
    if (face->lfFaceName[0] == L'@') return 1;  // vertical variants
    LOGFONTW lf = search.base;
    ::lstrcpynW(lf.lfFaceName, face->lfFaceName, LF_FACESIZE);
    unique_hfont font(::CreateFontIndirectW(&lf));
    if (font && HasGlyphs(search.dc, font.get(), search.text)) {
        search.found = font.release();
        return 0;
    }
    return 1;
}

// The system's message font at `dpi`, smoothed in grey; when it lacks a glyph of `text`,
// a Japanese UI face of the same size that has them all (the named ones first, then any
// installed face for Japanese).
HFONT MakePlateFont(HDC dc, UINT dpi, const wchar_t* text) {
    NONCLIENTMETRICSW metrics;
    LOGFONTW lf{};
    if (NonClientMetricsForDpi(metrics, dpi)) {
        lf = metrics.lfMessageFont;
    } else {
        lf.lfHeight = -ScaleForDpi(12, dpi);
        lf.lfWeight = FW_NORMAL;
    }
    lf.lfQuality = ANTIALIASED_QUALITY;
    unique_hfont font(::CreateFontIndirectW(&lf));
    if (font && HasGlyphs(dc, font.get(), text)) return font.release();
    for (const wchar_t* face : kJapaneseFaces) {
        LOGFONTW named = lf;
        named.lfCharSet = SHIFTJIS_CHARSET;
        ::lstrcpynW(named.lfFaceName, face, LF_FACESIZE);
        unique_hfont candidate(::CreateFontIndirectW(&named));
        if (!candidate) continue;
        // A missing face is quietly replaced by another: only its own name counts.
        wchar_t actual[LF_FACESIZE] = L"";
        {
            select_object_scope selected(dc, candidate.get());
            ::GetTextFaceW(dc, LF_FACESIZE, actual);
        }
        if (::lstrcmpiW(actual, face) == 0 && HasGlyphs(dc, candidate.get(), text)) return candidate.release();
    }
    LOGFONTW wanted{};
    wanted.lfCharSet = SHIFTJIS_CHARSET;
    FaceSearch search{dc, lf, text, nullptr};
    search.base.lfCharSet = SHIFTJIS_CHARSET;
    ::EnumFontFamiliesExW(dc, &wanted, &TryJapaneseFace, reinterpret_cast<LPARAM>(&search), 0);
    if (search.found) return search.found;
    return font.release();  // nothing better: the message font, whatever it lacks
}

}  // namespace

Overlay* Overlay::AcquireForThisThread() {
    const DWORD thread = ::GetCurrentThreadId();
    {
        ::AcquireSRWLockExclusive(&g_lock);
        auto& slots = Slots();
        for (auto it = slots.begin(); it != slots.end(); ++it) {
            if (it->thread != thread) continue;
            Overlay* o = it->overlay;
            if (o->window_ && ::GetWindowThreadProcessId(o->window_.get(), nullptr) == thread) {
                o->AddRef();
                ::ReleaseSRWLockExclusive(&g_lock);
                return o;
            }
            slots.erase(it);  // left by an ended thread: its holders keep it, no one finds it
            break;
        }
        ::ReleaseSRWLockExclusive(&g_lock);
    }
    Overlay* o = new (std::nothrow) Overlay();
    if (!o) return nullptr;
    o->thread_ = thread;
    if (!o->Create()) {
        delete o;
        return nullptr;
    }
    ::AcquireSRWLockExclusive(&g_lock);
    bool stored = true;
    try {
        Slots().push_back({thread, o});
    } catch (const std::bad_alloc&) {
        stored = false;
    }
    ::ReleaseSRWLockExclusive(&g_lock);
    if (!stored) {
        delete o;
        return nullptr;
    }
    return o;
}

void Overlay::SetRemoteSessionForTest(bool remote) { g_remoteForTest = remote; }
void Overlay::SetHighContrastForTest(bool on) { g_highContrastForTest = on; }

void Overlay::AddRef() { ::InterlockedIncrement(&refs_); }

void Overlay::Release() {
    if (::InterlockedDecrement(&refs_) != 0) return;
    ::AcquireSRWLockExclusive(&g_lock);
    auto& slots = Slots();
    slots.erase(std::remove_if(slots.begin(), slots.end(), [this](const Slot& s) { return s.overlay == this; }),
                slots.end());
    ::ReleaseSRWLockExclusive(&g_lock);
    delete this;
}

bool Overlay::Create() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Overlay::WindowProc;
    wc.hInstance = ThisModule();
    wc.lpszClassName = kOverlayClass;
    if (!g_class.Acquire(wc)) return false;
    window_.reset(::CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW,
                                    kOverlayClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, ThisModule(), this));
    if (!window_) {
        g_class.Release();
        return false;
    }
    return true;
}

Overlay::~Overlay() {
    if (window_) {
        // On another thread the window cannot be destroyed (it goes with its thread); its
        // timers must not reach this object meanwhile.
        ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
        if (::GetWindowThreadProcessId(window_.get(), nullptr) == ::GetCurrentThreadId()) {
            window_.reset();
        } else {
            (void)window_.release();
        }
        g_class.Release();
    }
    FreeCanvas();
    DropDib(plateDc_, plateBitmap_, plateOld_);
    delete[] under_;
}

const RECT& Overlay::WorkArea(POINT pointer) {
    if (haveWork_ && ::PtInRect(&monitor_, pointer)) return work_;
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (::GetMonitorInfoW(::MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST), &info)) {
        monitor_ = info.rcMonitor;
        work_ = info.rcWork;
    } else {
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work_, 0);
        monitor_ = work_;
    }
    haveWork_ = true;
    return work_;
}

void Overlay::Begin(const void* owner, HWND view, UINT dpi) {
    Reset();
    haveWork_ = false;
    owner_ = owner;
    view_ = view;
    dpi_ = dpi != 0 ? dpi : kBaseDpi;
    remoteSession_ = g_remoteForTest.load() || ::GetSystemMetrics(SM_REMOTESESSION) != 0;
    statusText_[0] = L'\0';
    hints_[0] = L'\0';
}

void Overlay::Reset() {
    HWND w = window_.get();
    if (w) {
        if (restArmed_) ::KillTimer(w, kRestTimer);
        if (shown_) ::KillTimer(w, kReleaseCheckTimer);
        if (flashing_) ::KillTimer(w, kFlashTimer);
        if (presentPending_) ::KillTimer(w, kPresentTimer);
    }
    restArmed_ = false;
    if (shown_ && w) {
        ::SetWindowPos(w, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER);
    }
    // Only what was drawn is cleared: the canvas is kept for a second for the next gesture.
    LiftPlate();
    if (canvas_.bits) {
        ClearPixels(canvas_, ToCanvas(trailBounds_));
        if (w && !freeArmed_) freeArmed_ = ::SetTimer(w, kFreeTimer, kFreeAfterMs, nullptr) != 0;
    }
    shown_ = flashing_ = hintsShown_ = presentPending_ = false;
    trailBounds_ = dirty_ = presented_ = PixelRect{};
}

void Overlay::Hide(const void* owner) {
    if (owner == nullptr || owner != owner_) return;
    if (!shown_ && !restArmed_ && !flashing_) return;  // nothing to take away: no system calls
    Reset();
}

void Overlay::Forget(const void* owner) {
    if (owner == nullptr || owner != owner_) return;
    Reset();
    owner_ = nullptr;
    view_ = nullptr;
}

PixelRect Overlay::ToCanvas(const PixelRect& frame) const { return Offset(frame, -canvasOrigin_.x, -canvasOrigin_.y); }

PixelRect Overlay::plateRect() const { return Offset(plateRect_, viewOrigin_.x, viewOrigin_.y); }
PixelRect Overlay::trailRect() const { return Offset(trailBounds_, viewOrigin_.x, viewOrigin_.y); }

uint32_t Overlay::PixelAt(POINT screen) const {
    if (!shown_ || !canvas_.bits) return 0;
    const int32_t x = screen.x - viewOrigin_.x - canvasOrigin_.x, y = screen.y - viewOrigin_.y - canvasOrigin_.y;
    if (x < 0 || y < 0 || x >= canvas_.width || y >= canvas_.height) return 0;
    return canvas_.row(y)[x];
}

void Overlay::FreeCanvas() {
    DropDib(canvasDc_, canvasBitmap_, canvasOld_);
    canvas_ = PixelBuffer{};
    bitmapBytes_ = 0;
}

// The canvas covers `needed` (in the frame), growing by doubling towards where the
// drawing goes, inside `allowed` where it can: a step allocates only when its drawing
// leaves the canvas.
bool Overlay::EnsureCanvas(const PixelRect& needed, const PixelRect& allowed) {
    if (needed.empty()) return true;
    const PixelRect current{canvasOrigin_.x, canvasOrigin_.y, canvasOrigin_.x + canvas_.width,
                            canvasOrigin_.y + canvas_.height};
    if (canvas_.bits && Contains(current, needed)) return true;
    const PixelRect wanted = canvas_.bits ? Union(current, needed) : needed;
    auto grown = [](int32_t want, int32_t old, int32_t room) {
        const int32_t doubled = old > 0 ? old * 2 : std::max(want * 2, 256);
        return std::max(want, std::min(doubled, std::max(room, want)));
    };
    const int32_t width = grown(wanted.width(), canvas_.width, allowed.width());
    const int32_t height = grown(wanted.height(), canvas_.height, allowed.height());
    if (static_cast<size_t>(width) * static_cast<size_t>(height) * 4 > kMaxCanvasBytes) return false;
    auto place = [](int32_t lo, int32_t hi, int32_t size, int32_t roomLo, int32_t roomHi) {
        int32_t start = lo - (size - (hi - lo)) / 2;
        if (start + size > roomHi) start = roomHi - size;
        if (start < roomLo) start = roomLo;
        return std::clamp(start, hi - size, lo);  // always holds [lo, hi)
    };
    const POINT origin{place(wanted.left, wanted.right, width, allowed.left, allowed.right),
                       place(wanted.top, wanted.bottom, height, allowed.top, allowed.bottom)};

    unique_hdc dc;
    unique_hbitmap bitmap;
    HGDIOBJ old = nullptr;
    uint32_t* bits = nullptr;
    if (!MakeDib(width, height, dc, bitmap, old, bits)) return false;
    PixelBuffer grownCanvas{bits, width, height};
    if (canvas_.bits) {
        CopyPixels(canvas_, canvas_.bounds(), grownCanvas, canvasOrigin_.x - origin.x, canvasOrigin_.y - origin.y);
    }
    FreeCanvas();
    canvasDc_ = std::move(dc);
    canvasBitmap_ = std::move(bitmap);
    canvasOld_ = old;
    canvas_ = grownCanvas;
    canvasOrigin_ = origin;
    bitmapBytes_ = static_cast<size_t>(width) * height * 4;
    peakBitmapBytes_ = std::max(peakBitmapBytes_, bitmapBytes_ + underCapacity_ * 4);
    return true;
}

void Overlay::LiftPlate() {
    if (plateRect_.empty()) return;
    if (canvas_.bits && under_) {
        const PixelRect at = ToCanvas(plateRect_);
        PixelBuffer under{under_, plateRect_.width(), plateRect_.height()};
        CopyPixels(under, under.bounds(), canvas_, at.left, at.top);
    }
    dirty_ = Union(dirty_, plateRect_);
    plateRect_ = PixelRect{};
}

void Overlay::LayPlate() {
    if (plateRect_.empty() || !canvas_.bits || !under_) {
        plateRect_ = PixelRect{};
        return;
    }
    const PixelRect at = ToCanvas(plateRect_);
    PixelBuffer under{under_, plateRect_.width(), plateRect_.height()};
    CopyPixels(canvas_, at, under, 0, 0);
    BlendOver(plate_, canvas_, at.left, at.top);
    dirty_ = Union(dirty_, plateRect_);
}

// Draws the plate for the status text, with `hints` under it when given, into the plate
// bitmap (kept while the text stays the same). False when there is nothing to show.
bool Overlay::RenderPlate(const wchar_t* hints) {
    wchar_t text[kOverlayTextUnits];
    size_t len = 0;
    for (const wchar_t* p = statusText_; *p && len + 1 < kOverlayTextUnits; ++p) text[len++] = *p;
    const size_t statusLength = len;
    if (hints && *hints) {
        if (len > 0 && len + 1 < kOverlayTextUnits) text[len++] = L'\n';
        for (const wchar_t* p = hints; *p && len + 1 < kOverlayTextUnits; ++p) text[len++] = *p;
    }
    text[len] = L'\0';
    if (len == 0) {
        plateText_[0] = L'\0';
        plate_ = PixelBuffer{};
        return false;
    }
    if (plate_.bits && fontDpi_ == dpi_ && ::lstrcmpW(text, plateText_) == 0) return true;

    unique_hdc measure(::CreateCompatibleDC(nullptr));
    if (!measure) return false;
    if (!font_ || fontDpi_ != dpi_ || !HasGlyphs(measure.get(), font_.get(), text)) {
        font_.reset(MakePlateFont(measure.get(), dpi_, text));
        fontDpi_ = dpi_;
    }
    if (!font_) return false;

    // Lines, their widths, and the plate's size.
    int lineWidths[kOverlayTextUnits / 2];
    int lines = 0, widest = 0;
    TEXTMETRICW tm{};
    {
        select_object_scope selected(measure.get(), font_.get());
        ::GetTextMetricsW(measure.get(), &tm);
        for (size_t start = 0; start <= len && lines < static_cast<int>(std::size(lineWidths));) {
            size_t end = start;
            while (end < len && text[end] != L'\n') ++end;
            SIZE extent{};
            ::GetTextExtentPoint32W(measure.get(), text + start, static_cast<int>(end - start), &extent);
            lineWidths[lines++] = extent.cx;
            widest = std::max<int>(widest, extent.cx);
            start = end + 1;
        }
    }
    const int padX = ScaleForDpi(kPadX, dpi_), padY = ScaleForDpi(kPadY, dpi_);
    const int gap = statusLength > 0 && statusLength < len ? ScaleForDpi(kHintGap, dpi_) : 0;
    const int lineHeight = tm.tmHeight;
    const int width = widest + 2 * padX;
    const int height = lines * lineHeight + gap + 2 * padY;
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return false;

    // The plate's bitmap and the copy of what it covers grow by doubling.
    BITMAP current{};
    const bool fits = plateBitmap_ && ::GetObjectW(plateBitmap_.get(), sizeof(current), &current) &&
                      current.bmWidth >= width && current.bmHeight >= height;
    uint32_t* bits = nullptr;
    int32_t stride = 0;
    if (fits) {
        bits = static_cast<uint32_t*>(current.bmBits);
        stride = current.bmWidth;
    } else {
        const int32_t w = std::max<int32_t>(width, current.bmWidth * 2);
        const int32_t h = std::max<int32_t>(height, current.bmHeight * 2);
        if (!MakeDib(w, h, plateDc_, plateBitmap_, plateOld_, bits)) return false;
        stride = w;
    }
    const size_t underNeeded = static_cast<size_t>(width) * height;
    if (underNeeded > underCapacity_) {
        const size_t capacity = std::max(underNeeded, underCapacity_ * 2);
        uint32_t* grown = new (std::nothrow) uint32_t[capacity];
        if (!grown) return false;
        delete[] under_;
        under_ = grown;
        underCapacity_ = capacity;
        peakBitmapBytes_ = std::max(peakBitmapBytes_, bitmapBytes_ + underCapacity_ * 4);
    }
    plate_ = PixelBuffer{bits, width, height, stride};
    ClearPixels(plate_, plate_.bounds());

    const bool contrast = HighContrast();
    const COLORREF ink = contrast ? ::GetSysColor(COLOR_WINDOWTEXT) : kPlateInk;
    {
        select_object_scope selected(plateDc_.get(), font_.get());
        ::SetBkMode(plateDc_.get(), TRANSPARENT);
        ::SetTextColor(plateDc_.get(), RGB(255, 255, 255));
        int y = padY, line = 0;
        for (size_t start = 0; start <= len && line < lines; ++line) {
            size_t end = start;
            while (end < len && text[end] != L'\n') ++end;
            ::ExtTextOutW(plateDc_.get(), padX, y, 0, nullptr, text + start, static_cast<UINT>(end - start), nullptr);
            y += lineHeight + (line == 0 ? gap : 0);
            start = end + 1;
        }
        ::GdiFlush();
    }
    const uint32_t fill = contrast ? PremultipliedPixel(::GetSysColor(COLOR_WINDOW), 255)
                                   : PremultipliedPixel(kPlateFill, kPlateAlpha);
    const uint32_t border = contrast ? PremultipliedPixel(::GetSysColor(COLOR_WINDOWTEXT), 255) : 0;
    ComposePlate(plate_, ScaleForDpi(kRadius, dpi_), fill, border, ink);
    ::lstrcpynW(plateText_, text, kOverlayTextUnits);
    return true;
}

// Below and right of the pointer, turned to the other side where the work area of the
// pointer's monitor ends, and always inside it.
void Overlay::PlacePlate(POINT pointer) {
    if (!plate_.bits) return;
    const RECT work = WorkArea(pointer);
    const int w = plate_.width, h = plate_.height;
    const int gapX = ScaleForDpi(kPointerGapX, dpi_), gapY = ScaleForDpi(kPointerGapY, dpi_);
    int x = pointer.x + gapX, y = pointer.y + gapY;
    if (x + w > work.right) x = pointer.x - gapX / 2 - w;
    if (y + h > work.bottom) y = pointer.y - gapY / 2 - h;
    x = std::max<int>(work.left, std::min<int>(x, work.right - w));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - h));
    const PixelRect frame{x - viewOrigin_.x, y - viewOrigin_.y, x - viewOrigin_.x + w, y - viewOrigin_.y + h};
    const PixelRect room = Union(allowed_, Offset(FromRect(work), -viewOrigin_.x, -viewOrigin_.y));
    if (!EnsureCanvas(frame, room)) return;
    plateRect_ = frame;
    LayPlate();
}

void Overlay::Step(const void* owner, const OverlayStep& step) {
    if (owner == nullptr || owner != owner_ || !window_) return;
    HWND w = window_.get();
    // The rest timer runs on: ArmRest notes this step, and the timer waits out the rest.
    if (freeArmed_) ::KillTimer(w, kFreeTimer);
    freeArmed_ = false;
    if (flashing_) Reset();
    const bool hadHints = hintsShown_;
    hintsShown_ = false;

    // The frame follows the view: when it moved, the trail moves with it.
    viewOrigin_ = {step.viewRect.left, step.viewRect.top};
    pointer_ = step.pointer;
    const PixelRect view{0, 0, step.viewRect.right - step.viewRect.left, step.viewRect.bottom - step.viewRect.top};
    allowed_ = Union(view, Offset(FromRect(WorkArea(step.pointer)), -viewOrigin_.x, -viewOrigin_.y));

    LiftPlate();
    if (step.drawSegment && step.width > 0) {
        const int32_t reach = step.width / 2 + 2;
        const PixelRect box = Intersect({std::min(step.from.x, step.to.x) - reach, std::min(step.from.y, step.to.y) - reach,
                                         std::max(step.from.x, step.to.x) + reach + 1,
                                         std::max(step.from.y, step.to.y) + reach + 1},
                                        view);
        if (!box.empty() && EnsureCanvas(box, allowed_)) {
            const PixelRect touched =
                DrawSmoothLine(canvas_, step.from.x - canvasOrigin_.x, step.from.y - canvasOrigin_.y,
                               step.to.x - canvasOrigin_.x, step.to.y - canvasOrigin_.y, step.width, step.colour,
                               ToCanvas(view));
            const PixelRect drawn = Offset(touched, canvasOrigin_.x, canvasOrigin_.y);
            trailBounds_ = Union(trailBounds_, drawn);
            dirty_ = Union(dirty_, drawn);
        }
    }
    if (step.text) ::lstrcpynW(statusText_, step.text, kOverlayTextUnits);
    if (step.text || hadHints || !plate_.bits) RenderPlate(nullptr);
    if (statusText_[0] != L'\0') PlacePlate(step.pointer);
    Present();
}

void Overlay::ArmRest(const void* owner, const wchar_t* hints, UINT restMs, POINT pointer) {
    if (owner == nullptr || owner != owner_ || !window_) return;
    if (hints) ::lstrcpynW(hints_, hints, kOverlayTextUnits);
    pointer_ = pointer;
    if (restMs == 0 || hints_[0] == L'\0') {
        if (restArmed_) ::KillTimer(window_.get(), kRestTimer);
        restArmed_ = false;
        return;
    }
    // One timer for the whole gesture: a step only notes its time (no call to the system),
    // and the timer, when it comes early, waits out what is left of the rest.
    restMs_ = restMs;
    lastStepTick_ = ::GetTickCount();
    if (!restArmed_) restArmed_ = ::SetTimer(window_.get(), kRestTimer, restMs, nullptr) != 0;
}

void Overlay::DropHints(const void* owner) {
    if (owner == nullptr || owner != owner_ || !window_) return;
    ::KillTimer(window_.get(), kRestTimer);
    restArmed_ = false;
    if (!hintsShown_) return;
    hintsShown_ = false;
    LiftPlate();
    if (RenderPlate(nullptr)) PlacePlate(pointer_);
    Present();
}

void Overlay::Flash(const void* owner, HWND view, const wchar_t* text, POINT pointer, UINT ms) {
    if (owner == nullptr || !window_ || !text) return;
    Reset();
    owner_ = owner;
    view_ = view;
    dpi_ = view ? WindowDpi(view) : kBaseDpi;
    RECT r{};
    if (!view || !::GetWindowRect(view, &r)) r = RECT{pointer.x, pointer.y, pointer.x, pointer.y};
    viewOrigin_ = {r.left, r.top};
    allowed_ = Offset(FromRect(WorkArea(pointer)), -viewOrigin_.x, -viewOrigin_.y);
    flashing_ = true;
    ::lstrcpynW(statusText_, text, kOverlayTextUnits);
    hints_[0] = L'\0';
    pointer_ = pointer;
    haveWork_ = false;
    if (freeArmed_) ::KillTimer(window_.get(), kFreeTimer);
    freeArmed_ = false;
    if (RenderPlate(nullptr)) PlacePlate(pointer);
    PresentNow();
    ::SetTimer(window_.get(), kFlashTimer, ms, nullptr);
}

void Overlay::Present() {
    const DWORD frame = remoteSession_ ? kRemoteFrameMs : kLocalFrameMs;
    const DWORD elapsed = ::GetTickCount() - lastPresentTick_;
    if (shown_ && elapsed < frame) {
        if (!presentPending_ && ::SetTimer(window_.get(), kPresentTimer, frame - elapsed, nullptr)) {
            presentPending_ = true;
        }
        if (presentPending_) return;
    }
    PresentNow();
}

void Overlay::PresentNow() {
    HWND w = window_.get();
    if (!w) return;
    if (presentPending_) ::KillTimer(w, kPresentTimer);
    presentPending_ = false;
    const PixelRect area = Union(trailBounds_, plateRect_);
    if (area.empty() || !canvas_.bits) {
        if (shown_) {
            ::SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE |
                                                       SWP_NOZORDER | SWP_NOOWNERZORDER);
            shown_ = false;
            ::KillTimer(w, kReleaseCheckTimer);
        }
        dirty_ = PixelRect{};
        return;
    }
    POINT destination{viewOrigin_.x + area.left, viewOrigin_.y + area.top};
    SIZE size{area.width(), area.height()};
    POINT source{area.left - canvasOrigin_.x, area.top - canvasOrigin_.y};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    // Only what changed is sent, while the window keeps its place and size.
    const bool samePlace = shown_ && area == presented_ && destination.x == presentedAt_.x &&
                           destination.y == presentedAt_.y;
    const PixelRect changed = Offset(Intersect(dirty_, area), -area.left, -area.top);
    RECT dirty{changed.left, changed.top, changed.right, changed.bottom};
    UPDATELAYEREDWINDOWINFO info{};
    info.cbSize = sizeof(info);
    // In place, neither place nor size is passed: given, they cost a full window move.
    info.pptDst = samePlace ? nullptr : &destination;
    info.psize = samePlace ? nullptr : &size;
    info.hdcSrc = canvasDc_.get();
    info.pptSrc = &source;
    info.pblend = &blend;
    info.dwFlags = ULW_ALPHA;
    info.prcDirty = samePlace ? &dirty : nullptr;
    if (samePlace && changed.empty()) {
        dirty_ = PixelRect{};
        return;
    }
    if (!::UpdateLayeredWindowIndirect(w, &info)) return;
    ++presents_;
    dirty_ = PixelRect{};
    presented_ = area;
    presentedAt_ = destination;
    lastPresentTick_ = ::GetTickCount();
    if (!shown_) {
        ShowWindowAboveFrame();
        shown_ = true;
        if (!flashing_) ::SetTimer(w, kReleaseCheckTimer, kReleaseCheckMs, nullptr);
    } else if (!sameThreadFrame_) {
        // Not owned: keep just above the browser's frame, which another thread may raise.
        HWND frame = ::GetAncestor(view_, GA_ROOT);
        if (frame && ::GetWindow(w, GW_HWNDNEXT) != frame) ShowWindowAboveFrame();
    }
}

// Owned by the browser's frame when that is a window of this thread, so it stays above
// the frame and below other programs. A frame of another thread or process (the browser
// whose tabs run elsewhere) is not made the owner, which would attach the two threads'
// input: the overlay goes straight above the frame in the z-order instead, never topmost.
void Overlay::ShowWindowAboveFrame() {
    HWND w = window_.get();
    HWND frame = view_ ? ::GetAncestor(view_, GA_ROOT) : nullptr;
    sameThreadFrame_ = frame && ::GetWindowThreadProcessId(frame, nullptr) == thread_;
    HWND owner = sameThreadFrame_ ? frame : nullptr;
    if (::GetWindow(w, GW_OWNER) != owner) ::SetWindowLongPtrW(w, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    HWND after = HWND_TOP;
    if (frame) {
        HWND above = ::GetWindow(frame, GW_HWNDPREV);
        if (above == w) above = ::GetWindow(w, GW_HWNDPREV);
        if (above && !(::GetWindowLongPtrW(above, GWL_EXSTYLE) & WS_EX_TOPMOST)) after = above;
    }
    ::SetWindowPos(w, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void Overlay::OnTimer(UINT_PTR id) {
    HWND w = window_.get();
    switch (id) {
    case kRestTimer: {
        const DWORD rested = ::GetTickCount() - lastStepTick_;
        if (restArmed_ && rested < restMs_) {
            ::SetTimer(w, kRestTimer, restMs_ - rested, nullptr);  // a step came meanwhile
            return;
        }
        ::KillTimer(w, kRestTimer);
        restArmed_ = false;
        if (!owner_ || flashing_ || hints_[0] == L'\0') return;
        if (!shown_ && view_) {
            // A rest before the first step: the frame is the view's as it is now.
            RECT r{};
            if (::GetWindowRect(view_, &r)) viewOrigin_ = {r.left, r.top};
            allowed_ = Offset(FromRect(WorkArea(pointer_)), -viewOrigin_.x, -viewOrigin_.y);
        }
        LiftPlate();
        hintsShown_ = RenderPlate(hints_);
        if (hintsShown_) PlacePlate(pointer_);
        Present();
        return;
    }
    case kReleaseCheckTimer:
        if (shown_ && !flashing_ && RightReleasedElsewhere()) Reset();
        return;
    case kFlashTimer:
        Reset();
        return;
    case kFreeTimer:
        ::KillTimer(w, kFreeTimer);
        freeArmed_ = false;
        if (!shown_) {
            FreeCanvas();
            DropDib(plateDc_, plateBitmap_, plateOld_);
            plate_ = PixelBuffer{};
            plateText_[0] = L'\0';
            delete[] under_;
            under_ = nullptr;
            underCapacity_ = 0;
        }
        return;
    case kPresentTimer:
        PresentNow();
        return;
    default:
        ::KillTimer(w, id);
        return;
    }
}

LRESULT CALLBACK Overlay::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Overlay*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;  // every point belongs to the window below
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_TIMER:
        if (self) {
            self->OnTimer(wParam);
        } else {
            ::KillTimer(hwnd, wParam);
        }
        return 0;
    case WM_NCDESTROY:
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace cc
