// Runs zkopt as a user would and captures what it prints.
#pragma once
#include <string>
#include <vector>

struct RunResult {
    int status = -1;
    std::string out, err;
};

RunResult runZkopt(const std::vector<std::string>& args);
// Any program, in folder cwd when one is given.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args, const std::string& cwd = "");
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);
// A fresh empty directory for one test.
std::string scratchDirectory(const std::string& name);
