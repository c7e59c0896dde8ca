// The host registry: settings in sections, read from an INI file. Sections are addressed by
// index, the form passes receive in configure. Keys remember whether anyone read them, so the
// driver can warn about settings that nothing used.
#pragma once
#include "host/core/zkList.h"

#include <string>
#include <vector>

namespace Tam::Core {

class zkRegistry {
public:
    struct Entry {
        std::string key, value;
        int line = 0;
        mutable bool used = false;
    };
    struct Section {
        std::string name;
        int line = 0;
        std::vector<Entry> entries;
    };

    // Parses INI text: "[section]" headers and "key = value" lines. ';' or '#' at the start of a
    // line or after white space starts a comment, after a value too; a leading UTF-8 byte-order
    // mark is skipped. A line that is neither answers false with "FILE:LINE: reason" in error.
    // load names the system's reason for a file it cannot read: "FILE: cannot read (REASON)".
    bool parse(const std::string& text, const std::string& fileName, std::string& error);
    bool load(const std::string& path, std::string& error);
    const std::string& getFileName() const { return m_fileName; }

    int getSectionIndex(const std::string& name) const;
    int addSection(const std::string& name);
    const Section& getSection(int index) const { return m_sections[index]; }
    int getSectionCount() const { return static_cast<int>(m_sections.size()); }
    void setValue(int section, const std::string& key, const std::string& value);

    // Fills result with the key's value (or the default) and answers whether the key was there.
    bool getValue(int section, const char* key, zkSmartPointer<zkStringObj>& result, const char* defaultValue,
                  bool createMissing) const;
    const Entry* findEntry(int section, const char* key) const;

private:
    std::string m_fileName;
    std::vector<Section> m_sections;
};

// Reads a whole text file.
class zkFile {
public:
    bool open(const std::string& path);
    // Text files only: the mode is taken for its "r" and otherwise ignored.
    bool open(const char* path, const char*) { return path && open(std::string(path)); }
    void close() { m_text.clear(); }
    const std::string& getText() const { return m_text; }
    const std::string& getPath() const { return m_path; }
    std::vector<std::string> getLines() const;

private:
    std::string m_path, m_text;
};

} // namespace Tam::Core
