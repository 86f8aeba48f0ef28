#pragma once

// Lets assistive technology (screen readers, through AT-SPI) see the skin's controls for what
// they are: picture buttons as buttons that can be pressed, labels with their text, the
// sliders as sliders with a value and a range. Done once per process; the widgets' own
// accessible names say what each one is.
namespace SkinAccessibility {
void Install();
}
