// Scene files of ours, binary (.zks) or text (.zks.json) by ZK_FUZZ_TEXT. A file the reader
// accepts must also be one the writer takes, since the two check the same rules.
#include "host/io/SceneFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const auto form = ZK_FUZZ_TEXT ? Tam::Io::zkSceneForm::Text : Tam::Io::zkSceneForm::Binary;
    std::string error;
    auto file = Tam::Io::zkDecodeScene({reinterpret_cast<const char*>(data), size}, form, "fuzz", error);
    std::string bytes;
    if (file && !Tam::Io::zkEncodeScene(file.get(), form, bytes, error)) std::abort();
    return 0;
}
