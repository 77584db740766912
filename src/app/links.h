// app/links — the web and mail addresses the game shows or opens, kept in one place so that a
// change of host touches one file. Header only; no dependencies.
//
// The report page and the high-score pages append their own paths ("/Support/Report.htm",
// "/HighScores/Zandor.htm") to these hosts; nothing here ends with a slash.
#pragma once

inline constexpr const char* LNK_SupportSite = "https://zandor.example.org";        // report page host
inline constexpr const char* LNK_SupportEmail = "support@zandor.example.org";       // shown in reports
inline constexpr const char* LNK_WebSite = "https://zandor.example.org/download";   // "download the latest version"
inline constexpr const char* LNK_HighScoreSite = "https://zandor.example.org";      // high-score tables
