// What the program leaves behind when it crashes: a minidump beside the log and one log
// line naming it; then the process ends.
#pragma once

namespace orvex::win32 {

// Catches every crash from here on: an exception nobody handles on any thread (an access
// violation in the renderer's library, a stack overflow) and abort(). Call it first thing,
// once. Without a data folder crashes are still logged, but no dump is written.
void installCrashHandler();

} // namespace orvex::win32
