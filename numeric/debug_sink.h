// Where DebugPrint output goes. By default nowhere: the library prints
// nothing. A developer (or a test) may install a sink to read the dumps.
#ifndef VARO_NUMERIC_DEBUG_SINK_H
#define VARO_NUMERIC_DEBUG_SINK_H

// Receives one formatted piece of debug output.
using DebugSink = void (*)(const char *pszText);

// Installs pSink (null: discard the output again) and returns the previous one.
// The sink is called on the thread whose work prints; with fits running on
// several threads it receives their pieces at once and in no fixed order.
DebugSink DebugSinkSet(DebugSink pSink);

#endif
