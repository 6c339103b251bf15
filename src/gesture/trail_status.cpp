#include "gesture/trail_status.h"

#include <oleauto.h>

#include "common/dpi_scale.h"
#include "common/unique_handle.h"
#include "gesture/hint_list.h"
#include "overlay/overlay.h"
#include "settings/action_catalogue.h"

namespace cc {
namespace {

void ArmHints(const GestureContext& ctx, const GestureSession& s, POINT pointer, bool rebuild) {
    const UINT rest = HintRestMs(ctx.settings.Get(Field::TimeoutMs));
    if (!rebuild) {
        ctx.overlay->ArmRest(&s, nullptr, rest, pointer);
        return;
    }
    wchar_t hints[kHintTextUnits];
    BuildHintList(ctx.settings, s.ViewKind, s.TabbedBrowser != 0, s.StrokeCount, s.Strokes, hints, kHintTextUnits);
    ctx.overlay->ArmRest(&s, hints, rest, pointer);
}

}  // namespace

void ArmPressHints(const GestureContext& ctx, POINT pointer) {
    if (!ctx.overlay) return;
    const GestureSession& s = *ctx.session;
    // Held still on a folder list, the press goes back to the list at the timeout.
    const bool handsOver = ctx.settings.Get(Field::ReleaseOnFolderHold) != 0 && s.ViewKind == ViewFolderList &&
                           ctx.settings.Get(Field::TimeoutMs) > 0;
    if (handsOver) return;
    ArmHints(ctx, s, pointer, true);
}

void ShowStep(const GestureContext& ctx, const MoveStep& step, const RECT& viewRect, POINT pointer,
              const wchar_t* statusText) {
    if (!ctx.overlay) return;
    const GestureSession& s = *ctx.session;
    OverlayStep shown;
    shown.viewRect = viewRect;
    shown.pointer = pointer;
    shown.drawSegment = step.drawSegment;
    shown.from = {step.segmentFrom.x, step.segmentFrom.y};
    shown.to = {step.segmentTo.x, step.segmentTo.y};
    if (step.drawSegment) {
        const SettingsView& settings = ctx.settings;
        shown.colour = ColorFromComponents(settings.Get(Field::TrailColorR), settings.Get(Field::TrailColorG),
                                           settings.Get(Field::TrailColorB));
        shown.width = ScaleForDpi(ClampTrailWidth(settings.Get(Field::TrailWidth)), s.ViewDpi);
    }
    shown.text = statusText;
    ctx.overlay->Step(&s, shown);
    ArmHints(ctx, s, pointer, statusText != nullptr);
}

void HideOverlay(const GestureContext& ctx) {
    if (ctx.overlay) ctx.overlay->Hide(ctx.session);
}

void FlashText(const GestureContext& ctx, const wchar_t* text, POINT pointer) {
    if (ctx.overlay) ctx.overlay->Flash(ctx.session, ctx.session->TargetView, text, pointer, kFlashMs);
}

void SetStatusText(IWebBrowser2* browser, const wchar_t* text) {
    if (!browser || !text) return;
    const unique_bstr value(::SysAllocString(text));
    if (value) browser->put_StatusText(value.get());
}

}  // namespace cc
