// zk_make_examples ROOT: writes every built bundled scene under the repository root ROOT, after
// a builder has changed. Builders are deterministic, so an unchanged builder rewrites the same bytes.
#include "tools/examples/BundledScenes.h"

#include "host/io/SceneFile.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zk_make_examples REPOSITORY_ROOT\n");
        return 2;
    }
    for (const auto& scene : Tam::Examples::bundledScenes()) {
        const std::string path = std::string(argv[1]) + "/" + scene.path;
        std::string text, error;
        if (!Tam::Io::zkEncodeScene(scene.build().get(), Tam::Io::zkSceneForm::Text, text, error) ||
            !Tam::Io::zkAtomicWrite(path, text, error)) {
            std::fprintf(stderr, "zk_make_examples: %s: %s\n", path.c_str(), error.c_str());
            return 1;
        }
        std::printf("wrote %s\n", path.c_str());
    }
    return 0;
}
