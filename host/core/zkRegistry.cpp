#include "host/core/zkRegistry.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <sstream>

namespace Tam::Core {

static std::string trim(const std::string& s)
{
    std::size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    std::size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

// A ';' or '#' opens a comment at the start of a line or after white space, so that a value may
// carry a comment ("drive.X = /var/log/zk ; logs") and still hold '#' or ';' inside a word.
static std::string withoutComment(const std::string& line)
{
    for (std::size_t i = 0; i < line.size(); ++i)
        if ((line[i] == ';' || line[i] == '#') && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t'))
            return line.substr(0, i);
    return line;
}

bool zkRegistry::parse(const std::string& text, const std::string& fileName, std::string& error)
{
    m_fileName = fileName;
    m_sections.clear();
    // Editors on some systems start UTF-8 files with a byte-order mark.
    const std::string bom = "\xEF\xBB\xBF";
    std::istringstream in(text.compare(0, bom.size(), bom) == 0 ? text.substr(bom.size()) : text);
    std::string raw;
    int line = 0, current = -1;
    while (std::getline(in, raw)) {
        ++line;
        std::string s = trim(withoutComment(raw));
        if (s.empty()) continue;
        if (s[0] == '[') {
            if (s.back() != ']' || s.size() < 3) {
                error = fileName + ":" + std::to_string(line) + ": malformed section header '" + s + "'";
                return false;
            }
            std::string name = trim(s.substr(1, s.size() - 2));
            current = getSectionIndex(name);
            if (current < 0) {
                current = addSection(name);
                m_sections[current].line = line;
            }
            continue;
        }
        std::size_t eq = s.find('=');
        if (eq == std::string::npos || trim(s.substr(0, eq)).empty()) {
            error = fileName + ":" + std::to_string(line) + ": expected 'key = value', got '" + s + "'";
            return false;
        }
        if (current < 0) {
            error = fileName + ":" + std::to_string(line) + ": key '" + trim(s.substr(0, eq)) +
                    "' before any [section]";
            return false;
        }
        Entry e{trim(s.substr(0, eq)), trim(s.substr(eq + 1)), line};
        m_sections[current].entries.push_back(std::move(e));
    }
    return true;
}

bool zkRegistry::load(const std::string& path, std::string& error)
{
    // The system's reason, as for any file the host reads: a folder opens as a stream on some
    // systems and would read as an empty config; a FIFO or a device would block or never end.
    struct stat st;
    int why = ::stat(path.c_str(), &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    if (!why && !S_ISREG(st.st_mode)) {
        error = path + ": cannot read (not a regular file)";
        return false;
    }
    zkFile file;
    errno = 0;
    if (!why && !file.open(path)) why = errno ? errno : EIO;
    if (why) {
        error = path + ": cannot read (" + std::strerror(why) + ")";
        return false;
    }
    return parse(file.getText(), path, error);
}

int zkRegistry::getSectionIndex(const std::string& name) const
{
    for (int i = 0; i < getSectionCount(); ++i)
        if (m_sections[i].name == name) return i;
    return -1;
}

int zkRegistry::addSection(const std::string& name)
{
    m_sections.push_back(Section{name, 0, {}});
    return getSectionCount() - 1;
}

void zkRegistry::setValue(int section, const std::string& key, const std::string& value)
{
    for (Entry& e : m_sections[section].entries)
        if (e.key == key) {
            e.value = value;
            return;
        }
    m_sections[section].entries.push_back(Entry{key, value, 0});
}

const zkRegistry::Entry* zkRegistry::findEntry(int section, const char* key) const
{
    if (section < 0 || section >= getSectionCount() || !key) return nullptr;
    const Entry* found = nullptr;
    for (const Entry& e : m_sections[section].entries)
        if (e.key == key) found = &e; // the last one given wins, as in most INI readers
    return found;
}

bool zkRegistry::getValue(int section, const char* key, zkSmartPointer<zkStringObj>& result,
                          const char* defaultValue, bool) const
{
    if (!result) result = zkSmartPointer<zkStringObj>::adopt(zkStringObj::_instantiateFromPool(nullptr));
    const Entry* e = findEntry(section, key);
    if (e) {
        e->used = true;
        result->set(e->value);
        return true;
    }
    result->set(defaultValue ? defaultValue : "");
    return false;
}

bool zkFile::open(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    m_path = path;
    m_text = s.str();
    return true;
}

std::vector<std::string> zkFile::getLines() const
{
    std::vector<std::string> lines;
    std::istringstream in(m_text);
    std::string l;
    while (std::getline(in, l)) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        lines.push_back(l);
    }
    return lines;
}

} // namespace Tam::Core
