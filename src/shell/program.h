// Start to exit: initialise the application, create the main form, run.
#pragma once

// The exit code: 0 after every run that reaches the message loop, 1 when the main form cannot be
// built from its resource.
int ProgramMain();
