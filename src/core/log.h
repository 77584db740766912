// core/log — Log.txt in the data folder: time-stamped, bounded entries, fatal and section
// banners, and a copy of the whole log to the clipboard for problem reports.
#pragma once

void LOG_Open();                                  // create Log.txt (truncating) and write the header; LG0 on failure
void LOG_Continue();                              // reopen Log.txt for appending after a close
void LOG_Close(bool banner);                      // optional "Closing Log" section, then close
void LOG_Write(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void LOG_Fatal(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void LOG_Section(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void LOG_Newline();
bool LOG_CopyToClipboard();                       // closes the log and puts its text on the clipboard
bool LOG_IsOpen();
const char* TIM_Stamp(bool shortForm);            // "%02d:%05.2f" (log) or "%d:%02d" (reports) of TIM_RealTime
void LOG_CheckShortcut();                         // Shift+Control+F5: quit and copy the log
void LOG_ResetForTests();                         // closes the file and zeroes the entry counter
