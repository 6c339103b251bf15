// What the user sees of a gesture: the trail over the view and the status-bar text.
#pragma once

#include <windows.h>
#include <exdisp.h>

#include "context/gesture_session.h"
#include "settings/settings_block.h"

namespace cc {

// Draws one trail segment over the view's whole window (points relative to its window
// rectangle) with the pen the block describes at this moment, its width (pixels at 96
// DPI) scaled to the view's DPI.
void DrawTrailSegment(HWND view, Point from, Point to, const SettingsView& settings, uint32_t viewDpi);

// Removes the trail by letting the view repaint itself.
void EraseTrail(HWND view);

// Puts `text` into the browser's status bar; the result is not used.
void SetStatusText(IWebBrowser2* browser, const wchar_t* text);

}  // namespace cc
