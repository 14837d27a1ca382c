// A fresh folder under the system's temporary folder for one test or run,
// and its removal with everything in it.
#pragma once
#include <string>
#include <vector>

std::string MakeTempDir(const char* prefix);
void RemoveDirTree(const std::string& dir);

// Names of the files in a folder that match the pattern ("*.tmp"), "." and
// ".." left out.
std::vector<std::string> FilesIn(const std::string& dir, const char* pattern = "*");

// Creates (or replaces) a file holding exactly these bytes; false on failure.
bool WriteTextFile(const std::string& path, const std::string& bytes);
