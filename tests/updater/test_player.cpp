// Stands in for a newly published player: all it does is note, in the folder it was started
// in, that it ran. Asked anything (its version, say), it answers nothing.
#include <fstream>

int main(int argc, char**) {
  if (argc > 1) return 0;
  std::ofstream("started") << "started\n";
  return 0;
}
