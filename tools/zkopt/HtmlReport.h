// The HTML report: one page, readable from disk with no network, that shows what a pipeline did
// to a scene (the pass table of the run's record, the scene's statistics before and after, both
// in 3D side by side with the collision hull record over them, and a sheet of every image).
// The page's script, style and three.js come from share/zkopt/report beside bin/ and are
// inlined, with the data, into the one file.
#pragma once
#include "tools/zkopt/SceneSnapshot.h"

#include <string>

namespace zkopt {

struct HtmlReportContent {
    std::string title;
    // What --report writes for a run; null for a report of one scene.
    json run;
    // Either may be missing: a run that failed before its first pass has no result to show.
    const SceneSnapshot* before = nullptr;
    const SceneSnapshot* after = nullptr;
};

// Writes the page to path through a temporary file and says so on standard error, with its size.
// False with "PATH: REASON" in error.
bool writeHtmlReport(const std::string& path, const HtmlReportContent& content, std::string& error);

} // namespace zkopt
