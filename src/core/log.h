// The program's log: one line per event with a UTC time stamp, rotated once per process
// and writer when it has grown past 100000 bytes.
#pragma once

#include <string>

namespace orvex {

constexpr long kLogRotationLimit = 100000;

void writeLog(std::string text);
void writeLogW(std::u16string text);

// The log's path: the data folder with "Orvex_Log.log" appended without a separator.
std::u16string logFilePath();
// Clears both writers' rotation flags (tests start each case as a new process would).
void resetLogRotation();

} // namespace orvex
