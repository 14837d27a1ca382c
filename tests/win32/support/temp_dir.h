// A fresh folder under the system's temporary folder for one test or run,
// and its removal with everything in it.
#pragma once
#include <string>

std::string MakeTempDir(const char* prefix);
void RemoveDirTree(const std::string& dir);
