#include "tools/zkopt/HtmlReport.h"
#include "tools/zkopt/Paths.h"

#include "host/io/SceneFile.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace zkopt {

namespace {

bool readAsset(const std::string& folder, const char* name, std::string& text, std::string& error)
{
    const std::string path = folder + "/" + name;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    if (in) all << in.rdbuf();
    if (!in || in.bad()) {
        error = path + ": cannot read the report template" +
                (std::string(name) == "three.js" ? " (three.js is bundled by the build from tools/report: run scripts/setup)"
                                                 : "");
        return false;
    }
    text = all.str();
    return true;
}

// Replaces the template's next marker, searching on from `from` (past the text filled in before,
// which may hold anything); a template without it is broken.
bool fill(std::string& page, std::size_t& from, const std::string& marker, const std::string& text, std::string& error)
{
    std::size_t at = page.find(marker, from);
    if (at == std::string::npos) return error = "report template: no " + marker + " (in this order)", false;
    page.replace(at, marker.size(), text);
    from = at + text.size();
    return true;
}

// The data as a JSON script block: '<' only occurs inside strings, where \u003c means the same,
// so no text of the scene can end the block or open a comment.
std::string scriptSafe(const json& data)
{
    std::string text = data.dump();
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '<') out += "\\u003c";
        else out += c;
    }
    return out;
}

} // namespace

bool writeHtmlReport(const std::string& path, const HtmlReportContent& content, std::string& error)
{
    const std::string folder = shareFolder("report");
    std::string page, style, script, three;
    if (!readAsset(folder, "report.html", page, error) || !readAsset(folder, "report.css", style, error) ||
        !readAsset(folder, "report.js", script, error) || !readAsset(folder, "three.js", three, error))
        return false;
    json data{{"title", content.title},
              {"run", content.run},
              {"before", content.before ? content.before->data : json(nullptr)},
              {"after", content.after ? content.after->data : json(nullptr)}};
    std::string title;
    for (char c : content.title) title += c == '<' ? "&lt;" : c == '&' ? "&amp;" : std::string(1, c);
    std::size_t from = 0;
    if (!fill(page, from, "@TITLE@", title, error) || !fill(page, from, "/*@STYLE@*/", style, error) ||
        !fill(page, from, "/*@THREE@*/", three, error) || !fill(page, from, "/*@DATA@*/", scriptSafe(data), error) ||
        !fill(page, from, "/*@SCRIPT@*/", script, error))
        return false;
    if (!Tam::Io::zkAtomicWrite(path, page, error)) return false;
    std::fprintf(stderr, "zkopt: wrote the HTML report %s (%.1f MB)\n", path.c_str(), double(page.size()) / 1e6);
    return true;
}

} // namespace zkopt
