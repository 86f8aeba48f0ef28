// Stands in for a newly published player: all it does is note, in the folder it was started
// in, that it ran.
#include <fstream>

int main() {
  std::ofstream("started") << "started\n";
  return 0;
}
