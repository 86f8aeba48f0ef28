#pragma once

class QWidget;

// Skin loading and the catalog panel's labels.
namespace Skin {

// Loads the panel pictures, colour-keys frm and lays out the skin buttons.
void InitSkin(QWidget* frm);

// Fills the singer-type labels from the catalog and the letter labels with A to Z.
void LoadSingerTypes();

}  // namespace Skin
