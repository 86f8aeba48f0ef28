#pragma once

// Program entry of the player.
namespace SubMain {

// Runs the player: one instance per user. A second start shows the running instance's main
// window and returns at once. Returns the process exit code.
int Main(int argc, char** argv);

}  // namespace SubMain
