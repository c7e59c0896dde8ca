#include "Run.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

RunResult runZkopt(const std::vector<std::string>& args) { return runProgram(ZK_ZKOPT_PATH, args); }

RunResult runProgram(const std::string& program, const std::vector<std::string>& args, const std::string& cwd)
{
    static int counter = 0;
    std::string base = std::filesystem::temp_directory_path() / ("zkopt_run_" + std::to_string(getpid()) + "_" +
                                                                 std::to_string(counter++));
    std::string outPath = base + ".out", errPath = base + ".err";
    RunResult r;
    pid_t pid = fork();
    if (pid == 0) {
        FILE* o = std::freopen(outPath.c_str(), "w", stdout);
        FILE* e = std::freopen(errPath.c_str(), "w", stderr);
        (void)o;
        (void)e;
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
        std::vector<char*> argv;
        std::string name = program;
        argv.push_back(name.data());
        std::vector<std::string> copy = args;
        for (std::string& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(name.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = readFile(outPath);
    r.err = readFile(errPath);
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return r;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string scratchDirectory(const std::string& name)
{
    std::filesystem::path p = std::filesystem::temp_directory_path() / ("zkopt_test_" + std::to_string(getpid())) / name;
    std::filesystem::remove_all(p);
    std::filesystem::create_directories(p);
    return p.string();
}
