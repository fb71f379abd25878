#pragma once
// Message boxes of the runtime. Without a display (SDL's dummy video driver,
// or no X11 or Wayland display) the box is one line on standard error,
// "caption: text", or just the text when there is no caption; the answer is
// then the first button.

namespace vx {

enum class MessageBoxButtons { Ok, OkCancel };
enum class MessageBoxAnswer { Ok, Cancel };

MessageBoxAnswer showMessageBox(const char* caption, const char* text, MessageBoxButtons buttons);

// True when message boxes and windows can be shown to a person.
bool haveDisplay();

}  // namespace vx
