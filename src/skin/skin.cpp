#include "skin/skin.h"

namespace Skin {

// The skin arrives with its pictures; until then the window keeps its design layout.
void InitSkin(QWidget*) {}

void LoadSingerTypes() {}

}  // namespace Skin
