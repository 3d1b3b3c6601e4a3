// What the main window's files share. main_window_win.cpp holds the window
// procedure and the window's state; it calls the parts below, each in a file
// of its own: creating and placing the controls (main_window_layout_win.cpp),
// drawing the owner-drawn ones and the sample frame's full-size view
// (main_window_drawing_win.cpp), and the controls' commands
// (main_window_commands_win.cpp). Nothing outside those files includes it.
#pragma once

#include <windows.h>

#include "app/control_table.h"
#include "app/main_window_win.h"

namespace movrel {
namespace main_window {

inline bool IsLink(ControlIndex i) { return Control(i).kind == ControlKind::kLink; }
inline bool IsPicture(ControlIndex i) { return Control(i).kind == ControlKind::kPicture; }

// ---- creation and layout ------------------------------------------------

// One control of the table, made without a size: LayOut places it.
HWND CreateControl(HWND parent, const ControlSpec& row);
// The interface and link fonts at the window's DPI, on every control.
void ApplyFonts(MainWindow& w);
// Every control at its place in the table, scaled to the window's DPI.
void LayOut(MainWindow& w);
// The tooltip window, with each control's tip from the table.
void AddTips(MainWindow& w);

// ---- drawing ------------------------------------------------------------

// The colour pickers, the sample frame, the rectangle button and the
// command pictures.
void OnDrawItem(MainWindow& w, const DRAWITEMSTRUCT& item);
// The links' text colours (WM_CTLCOLORSTATIC).
LRESULT OnCtlColorStatic(MainWindow& w, HDC dc, HWND control);

// The sample frame at its own size, in a window of its own that a click or
// Esc closes.
void ShowSampleFullSize(MainWindow& w);

// ---- commands -----------------------------------------------------------

// A control's WM_COMMAND: clicks, edits changed, list choices.
void OnCommand(WPARAM wParam);
// A right click on the save link or picture (copy the GIF) or on the frame
// folder button (open the folder).
void OnContextMenu(HWND target);

}  // namespace main_window
}  // namespace movrel
