#pragma once

// The program run with a command: no window and no display, on the same
// store (read only) and mail library as the window; returns the exit status.
int RunCommandLine(int argc, char** argv);

// What the window program does when given a command: on Windows it points to
// the console program, elsewhere it runs the command itself.
int AnswerCommand(int argc, char** argv);
