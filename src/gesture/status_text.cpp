#include "gesture/status_text.h"

#include "actions/action_match.h"
#include "settings/action_catalogue.h"

namespace cc {
namespace {

constexpr wchar_t kGesturePrefix[] = L"ジェスチャー ： ";
constexpr wchar_t kStrokeSuffix[] = L" ";
constexpr wchar_t kBeforeActionName[] = L"  ";

}  // namespace

std::size_t BuildGestureStatusText(const GestureSession& s, const SettingsView& settings, wchar_t* out,
                                   std::size_t outUnits) {
    if (out == nullptr || outUnits == 0) return 0;
    std::size_t len = 0;
    auto append = [&](const wchar_t* text) {
        for (; text != nullptr && *text != L'\0' && len + 1 < outUnits; ++text) out[len++] = *text;
    };

    append(kGesturePrefix);
    const int32_t n = SanitizeStrokeCount(s.StrokeCount);
    for (int32_t i = 0; i < n; ++i) {
        if (const wchar_t* name = DirectionName(s.Strokes[i])) {
            append(name);
            append(kStrokeSuffix);
        }
    }
    append(kBeforeActionName);

    const int action = FindBoundAction(settings, s.ViewKind, s.StrokeCount, s.Strokes);
    if (action != kNoAction) {
        if (s.ViewKind == ViewFolderList) {
            append(ActionName(ActionList::Explorer, action));
        } else if (s.ViewKind == ViewWeb && (s.TabbedBrowser || !BrowserActionIe7Only(action))) {
            append(ActionName(ActionList::Browser, action));
        }
    }
    out[len] = L'\0';
    return len;
}

}  // namespace cc
