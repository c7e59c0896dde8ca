#include "tools/zkopt/Progress.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <utility>

namespace zkopt {

bool progressOnTerminal()
{
    const char* term = std::getenv("TERM");
    return ::isatty(STDERR_FILENO) && !(term && std::strcmp(term, "dumb") == 0);
}

std::string clockText(double seconds)
{
    long total = seconds < 0 ? 0 : static_cast<long>(seconds + 0.5);
    char text[32];
    if (total >= 3600) std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

std::string aboutScene(const std::string& scene, const std::string& problem)
{
    return problem.compare(0, scene.size() + 1, scene + ":") == 0 ? problem : scene + ": " + problem;
}

BatchProgress::BatchProgress(std::size_t total, bool terminal) : m_total(total), m_terminal(terminal)
{
    if (m_terminal) draw();
}

std::string BatchProgress::count() const { return "[" + std::to_string(m_done) + "/" + std::to_string(m_total) + "]"; }

std::string BatchProgress::status() const
{
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    std::string text = std::to_string(m_problems) + " failed or refused, " + clockText(elapsed) + " elapsed";
    // The scenes so far are the best guess at the rest.
    if (m_done > 0 && m_done < m_total)
        text += ", ~" + clockText(elapsed / static_cast<double>(m_done) * static_cast<double>(m_total - m_done)) + " left";
    return text;
}

void BatchProgress::draw()
{
    std::fprintf(stderr, "\r\033[Kzkopt: %s %s", count().c_str(), status().c_str());
    std::fflush(stderr);
    m_drawn = true;
}

void BatchProgress::note(const std::string& line)
{
    if (m_drawn) std::fputs("\r\033[K", stderr);
    std::fprintf(stderr, "zkopt: %s\n", line.c_str());
    m_drawn = false;
    if (m_terminal) draw();
    else std::fflush(stderr);
}

void BatchProgress::sceneDone(const std::string& scene, const char* outcome, double seconds, const std::string& problem)
{
    ++m_done;
    if (!problem.empty()) ++m_problems;
    char time[32];
    std::snprintf(time, sizeof time, "%.2f s", seconds);
    // A terminal keeps only the problems; a log gets every scene, with the count so far.
    if (!problem.empty()) note(std::string(outcome) + ": " + aboutScene(scene, problem));
    if (m_terminal) draw();
    else
        std::fprintf(stderr, "zkopt: %s %s %s in %s; %s\n", count().c_str(), outcome, scene.c_str(), time, status().c_str());
}

void BatchProgress::finish()
{
    if (m_drawn) std::fputs("\r\033[K", stderr);
    m_drawn = false;
    std::fflush(stderr);
}

PassProgress::PassProgress(std::string pass)
    : m_pass(std::move(pass)), m_terminal(progressOnTerminal()), m_next(m_start + std::chrono::seconds(1))
{
}

void PassProgress::objects(long count)
{
    auto now = std::chrono::steady_clock::now();
    if (now < m_next) return;
    m_next = now + (m_terminal ? std::chrono::milliseconds(500) : std::chrono::milliseconds(10000));
    double seconds = std::chrono::duration<double>(now - m_start).count();
    if (m_terminal) {
        std::fprintf(stderr, "\r\033[Kzkopt: %s running: %ld objects, %s", m_pass.c_str(), count, clockText(seconds).c_str());
        m_drawn = true;
    } else
        std::fprintf(stderr, "zkopt: %s running: %ld objects so far, %s\n", m_pass.c_str(), count, clockText(seconds).c_str());
    std::fflush(stderr);
}

void PassProgress::clear()
{
    if (!m_drawn) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    m_drawn = false;
}

} // namespace zkopt
