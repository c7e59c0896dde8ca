// How far a long run is, on standard error: on a terminal one line that is redrawn in place; in
// a log or CI, plain lines that are only ever appended.
#pragma once
#include <chrono>
#include <string>

namespace zkopt {

// Standard error is a terminal that can redraw a line.
bool progressOnTerminal();

// Minutes and seconds ("1:05"), hours when there are any ("2:03:07").
std::string clockText(double seconds);

// A scene's problem as one line that names the scene once: most messages start with its name.
std::string aboutScene(const std::string& scene, const std::string& problem);

class BatchProgress {
public:
    BatchProgress(std::size_t total, bool terminal);
    // A scene is done; problem says why it failed or was refused (empty when it was written).
    void sceneDone(const std::string& scene, const char* outcome, double seconds, const std::string& problem);
    // A line that stays, such as the word that the batch is being stopped.
    void note(const std::string& line);
    // Takes the redrawn line away before the summary is printed.
    void finish();

private:
    void draw();
    std::string count() const;  // "[done/total]"
    std::string status() const; // failures, elapsed, estimate

    std::size_t m_total, m_done = 0, m_problems = 0;
    bool m_terminal, m_drawn = false;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

// One pass of a single scene that runs long: which pass it is and how many objects the host has
// handed it so far, shown once it has run a second, then every half second on a terminal or every
// ten seconds in a log. Quick passes show nothing.
class PassProgress {
public:
    explicit PassProgress(std::string pass);
    ~PassProgress() { clear(); }
    void objects(long count);
    // Takes the redrawn line away, before the pass prints or ends.
    void clear();

private:
    std::string m_pass;
    bool m_terminal, m_drawn = false;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now(), m_next;
};

} // namespace zkopt
