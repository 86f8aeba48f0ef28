#pragma once

// Program entry of the player.
namespace SubMain {

// Runs the player: one instance per user and display. A second start hands its request to the
// running instance and returns 0 once it was taken, 1 when it was not. Returns the process
// exit code.
int Main(int argc, char** argv);

}  // namespace SubMain
