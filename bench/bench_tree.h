// Trees of files and shortcuts for the benchmarks, and a clock.
#pragma once
#include <string>

double now();  // seconds
void writeSmall(const std::string& path);
void saveShortcut(const std::string& link, const std::string& target);
// Folders of 50 entries under `root`: `files` in all, `shortcuts` of them shortcuts spread
// evenly, `brokenPercent` of those broken. Saved once through the shell, then copied.
void buildTree(const std::string& root, unsigned files, unsigned shortcuts, unsigned brokenPercent);
