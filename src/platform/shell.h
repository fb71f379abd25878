#pragma once
// What a program learns about and asks of the system around it: starting
// other programs and documents, and the system properties.

#include <string>
#include <string_view>

namespace vx {

// Records the program's own file (a module, a Windows executable carrying
// one, or a stand-alone executable) for the "appdir" property.
void setProgramFile(const std::string& path);

// Starts a program, or opens a document with xdg-open, without waiting.
// The command is a file name (in double quotes when it holds blanks)
// followed by its parameters. True when it could be started. What it starts
// keeps running after a program's end, except after a stop signal, which
// it receives too.
bool executeFile(std::string_view command);

// Reaps programs started earlier that have ended.
void reapStartedPrograms();

// "cpu": "Intel". "os": the running system's name and release, as uname
// reports them ("Linux 6.1.0-18-amd64"). "appdir": the directory of the
// program's file. "windowsdir": "/usr/share/", "systemdir": "/usr/lib/",
// "tempdir": $TMPDIR or "/tmp/". Directories end in '/'. Names are exact
// and case-sensitive; any other name gives "".
std::string systemProperty(std::string_view name);

}  // namespace vx
