#pragma once
// Message boxes of the runtime. Every box is also one line on standard
// error, "caption: text", or just the text when there is no caption.
// Without a display (SDL's dummy video driver, or no X11 or Wayland display)
// that line is all, and the answer is the first button.

namespace vx {

enum class MessageBoxButtons { Ok, OkCancel };
enum class MessageBoxAnswer { Ok, Cancel };

// A stop signal closes a box that is open (the answer is then Cancel).
MessageBoxAnswer showMessageBox(const char* caption, const char* text, MessageBoxButtons buttons);

// True when message boxes and windows can be shown to a person.
bool haveDisplay();

// Boxes are shown by a helper process, this executable started again under
// the helper's name, so that waiting for a box never holds up a stop.
// Without one (a test program), they are shown from this process.
void showMessageBoxesThrough(const char* executable);
// The helper: argv[0] is its name; it shows the box and exits with the answer.
bool isMessageBoxHelper(int argc, char** argv);
int runMessageBoxHelper(int argc, char** argv);

}  // namespace vx
