#include "settings/action_catalogue.h"

#include <array>

namespace cc {
namespace {

constexpr std::array<const wchar_t*, kExplorerActionCount> kExplorerActionNames{
    L"ジェスチャーの設定",
    L"戻る",
    L"進む",
    L"中止",
    L"更新",
    L"閉じる",
    L"新規ウィンドウ",
    L"ホーム",
    L"最大化/元に戻す",
    L"最小化",
    L"上へ移動",
    L"コマンドプロンプトを開く",
    L"上端へスクロール",
    L"下端へスクロール",
    L"ページアップ",
    L"ページダウン",
};

constexpr std::array<const wchar_t*, kBrowserActionCount> kBrowserActionNames{
    L"ジェスチャーの設定",
    L"戻る",
    L"進む",
    L"中止",
    L"更新",
    L"閉じる",
    L"新規ウィンドウ",
    L"ホーム",
    L"最大化/元に戻す",
    L"最小化",
    L"上へ移動",
    L"新規タブ",
    L"タブの複製",
    L"他のタブを全て閉じる",
    L"クイックタブビューの表示",
    L"タブ一覧の表示",
    L"次のタブに移動",
    L"前のタブに移動",
    L"ページの複製",
    L"フルスクリーン",
    L"上端へスクロール",
    L"下端へスクロール",
    L"ページアップ",
    L"ページダウン",
    L"フォントの拡大",
    L"フォントの縮小",
    L"フォントサイズのリセット",
    L"履歴の表示/非表示",
    L"お気に入りの表示/非表示",
};

// Tab commands 11..17 need a tabbed browser.
constexpr int kFirstTabAction = 11;
constexpr int kLastTabAction = 17;

constexpr std::array<const wchar_t*, kDirectionCount> kDirectionNames{L"上", L"右", L"下", L"左"};

constexpr wchar_t kEmptyGestureText[] = L"\xFF0D";  // fullwidth hyphen-minus
constexpr wchar_t kGestureSeparator = L'-';

// The palette is written as 0xRRGGBB for readability and stored as a Windows colour value.
constexpr uint32_t Rgb(uint32_t rrggbb) {
    return ColorFromComponents(static_cast<int32_t>(rrggbb >> 16), static_cast<int32_t>(rrggbb >> 8),
                               static_cast<int32_t>(rrggbb));
}

}  // namespace

const uint32_t TrailPalette[kTrailPaletteSize] = {
    Rgb(0xFFFFFF), Rgb(0xCCCCCC), Rgb(0xC0C0C0), Rgb(0x999999), Rgb(0x666666), Rgb(0x333333),
    Rgb(0xFFCCCC), Rgb(0xFF6666), Rgb(0xFF0000), Rgb(0xCC0000), Rgb(0x990000), Rgb(0x660000),
    Rgb(0xFFCC99), Rgb(0xFF9966), Rgb(0xFF9900), Rgb(0xFF6600), Rgb(0xCC6600), Rgb(0x993300),
    Rgb(0xFFFF99), Rgb(0xFFFF66), Rgb(0xFFCC66), Rgb(0xFFCC33), Rgb(0xCC9933), Rgb(0x996633),
    Rgb(0x99FF99), Rgb(0x66FF99), Rgb(0x33FF33), Rgb(0x33CC00), Rgb(0x009900), Rgb(0x006600),
    Rgb(0xCCFFFF), Rgb(0x66FFFF), Rgb(0x33CCFF), Rgb(0x3366FF), Rgb(0x3333FF), Rgb(0x000099),
    Rgb(0xCCCCFF), Rgb(0x9999FF), Rgb(0x6666CC), Rgb(0x6633FF), Rgb(0x6600CC), Rgb(0x333399),
    Rgb(0xFFCCFF), Rgb(0xFF99FF), Rgb(0xCC66CC), Rgb(0xCC33CC), Rgb(0x993399), Rgb(0x663366),
};

const wchar_t* ActionName(ActionList list, int action) {
    if (action < 0 || action >= ActionCount(list)) return nullptr;
    return list == ActionList::Explorer ? kExplorerActionNames[action] : kBrowserActionNames[action];
}

bool BrowserActionIe7Only(int action) { return action >= kFirstTabAction && action <= kLastTabAction; }

const wchar_t* DirectionName(int32_t code) {
    return IsStrokeCode(code) ? kDirectionNames[code] : nullptr;
}

bool BrowserActionTabbedOnly(int action) {
    return BrowserActionIe7Only(action) || action == BrowserHistoryPane || action == BrowserFavouritesPane;
}

std::size_t FormatGestureText(int32_t count, const int32_t (&strokes)[kMaxStrokes], wchar_t* out,
                              std::size_t outUnits) {
    if (out == nullptr || outUnits == 0) return 0;
    std::size_t len = 0;
    auto append = [&](const wchar_t* text) {
        for (; *text != L'\0' && len + 1 < outUnits; ++text) out[len++] = *text;
    };
    const int32_t n = SanitizeStrokeCount(count);
    if (n == 0) {
        append(kEmptyGestureText);
    } else {
        const wchar_t separator[] = {kGestureSeparator, L'\0'};
        for (int32_t i = 0; i < n; ++i) {
            if (const wchar_t* name = DirectionName(strokes[i])) append(name);
            if (i < n - 1) append(separator);
        }
    }
    out[len] = L'\0';
    return len;
}

}  // namespace cc
