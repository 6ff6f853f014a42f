// String helpers used all over the system. Texts are ANSI bytes and paths
// are Windows paths; case-insensitive comparisons fold A-Z only, so they
// agree on every platform (the locale-aware comparison lives in the
// platform layer).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brim {

// Joins a directory and a name, adding one backslash only when the
// directory is not empty and does not already end with one.
std::string JoinPath(const std::string& dir, const std::string& name);

// Removes exactly one trailing backslash, if there is one.
std::string RemoveTrailingBackslash(const std::string& path);
// The directory of a file path, without a trailing backslash: what comes
// before the last backslash ("C:" for "C:\setup.exe"), or the drive of
// "C:setup.exe"; empty for a bare name.
std::string ExtractFileDir(const std::string& path);
// The name of a file path: what follows its last backslash, slash or colon.
std::string ExtractFileName(const std::string& path);
// The extension of a path's name with its dot ("" when it has none).
std::string ExtractFileExt(const std::string& path);
// The path with the extension of its name replaced (or added).
std::string ChangeFileExt(const std::string& path, const std::string& extension);

// The n-th ";"-separated field (1-based); the whole text when it has no ";";
// empty when n is past the last field.
std::string SemicolonField(const std::string& text, int n);

// Splits a text at each separator into its fields (an empty text gives
// no fields); SplitSemicolons splits at ";".
std::vector<std::string> SplitText(const std::string& text, char separator);
std::vector<std::string> SplitSemicolons(const std::string& text);
// The lines of a text, each without its "\n" (a "\r" before it stays); a
// last line without "\n" counts, nothing after a final "\n" does.
std::vector<std::string> SplitLines(const std::string& text);

std::string UpperCase(std::string s);
std::string LowerCase(std::string s);
bool SameText(const std::string& a, const std::string& b);
// <0, 0, >0 like strcmp, ignoring A-Z case.
int CompareText(const std::string& a, const std::string& b);
bool StartsWithText(const std::string& s, const std::string& prefix);

std::string Trim(const std::string& s);

// Integer parsing that reports failure instead of throwing.
bool TryStrToInt64(const std::string& s, long long& value);
// A 32-bit integer, or EConvertError "'%s' is not a valid integer value".
int32_t StrToInt(const std::string& s);

}  // namespace brim
