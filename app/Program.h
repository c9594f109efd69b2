#pragma once
// Start-up, the run and shutdown of the program, and the restart procedure.

// Creates the windows and the data module in their fixed order: the main window, the data
// module, then the About, proxy, new-version and settings dialogs.
void createProgram();
// Destroys what createProgram made, dialogs first.
void destroyProgram();
// Creates, shows the main window, runs the event loop and destroys; returns the exit code.
// With the environment variable below set by the launcher, shows its text in the error box
// instead and returns 1.
int runProgram();

// Why the launcher could not start the program.
inline constexpr const char* kLaunchFailureVariable = "ZANTREL_LAUNCH_FAILURE";
