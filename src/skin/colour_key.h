#pragma once

class QWidget;

// The colour-keyed window: only what its pictures and controls cover is part of the window;
// the rest, the colour key included, lets the desktop and the mouse through.
namespace ColourKey {

// Makes frm colour-keyed. From then on its shape follows what is visible on it.
void Apply(QWidget* frm);

bool IsApplied(const QWidget* frm);

// Shapes frm now to the opaque pixels of its visible pictures and the rectangles of its
// other visible controls.
void UpdateShape(QWidget* frm);

}  // namespace ColourKey
