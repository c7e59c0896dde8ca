// Runs zkopt as a user would and captures what it prints.
#pragma once
#include <string>
#include <vector>

struct RunResult {
    int status = -1;
    std::string out, err;
};

RunResult runZkopt(const std::vector<std::string>& args);
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);
// A fresh empty directory for one test.
std::string scratchDirectory(const std::string& name);
