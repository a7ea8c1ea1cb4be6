#pragma once
// Whole-file text I/O in the system's locale encoding (bytes pass through unchanged).
// Every function raises AppError on failure and leaves no file open.

#include <filesystem>
#include <string>
#include <vector>

namespace kestrova {

std::string readTextFile(const std::filesystem::path& file);

// Replaces the file's content; writes through a temporary file so a failure keeps the old one.
void writeTextFile(const std::filesystem::path& file, const std::string& content);

void appendTextFile(const std::filesystem::path& file, const std::string& content);

// The text with every line end (CR LF, CR or LF) written as lineEnd.
std::string convertLineEnds(const std::string& text, const std::string& lineEnd);

// Splits at CR LF, CR or LF. A final line end adds no empty line; an unterminated last line counts.
std::vector<std::string> splitLines(const std::string& text);

} // namespace kestrova
