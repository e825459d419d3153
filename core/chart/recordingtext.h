#pragma once

#include "core/chart/recordingcanvas.h"

#include <string>

// The recorded commands as text, one line per command with the pen, brush and font in force:
// what two builds of the same drawing code (native and WebAssembly, say) compare line by line.
// Text bytes outside printable ASCII, and the backslash and quote, are written as \xHH.
//
//   polyline pen=000000/3/solid brush=ffffff/solid 10,20 30,20 30,40
std::string RecordingText(const RecordingCanvas::Op& op);
std::string RecordingText(const RecordingCanvas& canvas);
