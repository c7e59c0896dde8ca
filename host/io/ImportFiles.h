// Which files the importer reads, for tools that walk folders for scenes or that tell a build
// tool what a result depends on. No function here throws.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace Tam::Io {

// Some Assimp importer claims path's extension (case aside).
bool zkCanImport(const std::string& path);

// The file an image reference of a scene in folder names: the reference as written (Windows
// separators turned round), relative to folder unless absolute, or else a file of its name beside
// the scene, where exporters that keep the artist's own folders usually leave it. Empty when
// neither exists.
std::filesystem::path zkFindReferencedFile(const std::filesystem::path& folder, const std::string& reference);

// Every file other than path that importing path reads: the files the format itself opens
// (materials, buffers) and the images its materials name that exist. Answers false with
// "PATH: REASON" in error when Assimp cannot read the file.
bool zkImportedFiles(const std::string& path, std::vector<std::string>& files, std::string& error);

} // namespace Tam::Io
