#include "state/main_controls.h"

MainControls& MainForm() {
  static MainControls controls;
  return controls;
}
