#include "catalog/list_control.h"

namespace ListControl {

// The playlist store comes with the user database.
bool ShowPlaylist(QListWidget*) { return true; }

}  // namespace ListControl
