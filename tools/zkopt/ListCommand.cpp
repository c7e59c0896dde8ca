#include "tools/zkopt/Commands.h"
#include "tools/zkopt/FieldText.h"

#include <cstdio>
#include <iostream>

namespace zkopt {

using namespace Tam::Core;

// One table for every form of the list: what each pass class is and holds.
static json classJson(const Plugin& plugin, zkMetaObject* meta)
{
    json fields = json::array();
    for (int i = meta->getOwnFieldStart(); i < meta->getMetaFieldCount(); ++i) {
        zkMetaField* f = meta->getIndexedMetaField(i);
        json entry{{"name", f->getName()}, {"type", f->getKindName()}, {"default", fieldDefaultJson(f)}};
        if (f->getKind() == zkFieldKind::Object) {
            auto* r = static_cast<zkObjectRefMetaField*>(f);
            entry["class"] = r->getReferencedMeta() ? r->getReferencedMeta()->getName() : nullptr;
            entry["owned"] = r->isOwned();
        }
        if (f->getKind() == zkFieldKind::Enum)
            if (zkMetaEnum* e = static_cast<zkEnumMetaField*>(f)->getMetaEnum()) {
                entry["enum"] = e->getName();
                const char* name = e->getEnumName(static_cast<zkEnumMetaField*>(f)->getDefault());
                if (name) entry["defaultName"] = name;
            }
        if (isCounterField(f)) entry["readBack"] = true;
        fields.push_back(std::move(entry));
    }
    return json{{"class", meta->getName()},
                {"base", meta->getBase() ? meta->getBase()->getName() : nullptr},
                {"description", plugin.describe(meta)},
                {"fields", std::move(fields)}};
}

static std::string typeText(const json& f)
{
    std::string type = f["type"].get<std::string>();
    if (f.contains("class") && !f["class"].is_null()) type += " " + f["class"].get<std::string>();
    if (f.contains("enum")) type += " " + f["enum"].get<std::string>();
    return type;
}

static std::string defaultText(const json& f)
{
    std::string text = f["default"].dump();
    if (f.contains("defaultName")) text += " " + f["defaultName"].get<std::string>();
    return text;
}

static void printText(const json& c)
{
    std::printf("%s : %s\n", c["class"].get<std::string>().c_str(), c["base"].get<std::string>().c_str());
    if (!c["description"].get<std::string>().empty()) std::printf("    %s\n", c["description"].get<std::string>().c_str());
    for (const json& f : c["fields"])
        std::printf("    %-28s %-28s %s%s\n", f["name"].get<std::string>().c_str(), typeText(f).c_str(),
                    defaultText(f).c_str(), f.contains("readBack") ? "  (read back, not settable)" : "");
}

static void printMarkdown(const json& c)
{
    std::printf("### %s\n\n", c["class"].get<std::string>().c_str());
    if (!c["description"].get<std::string>().empty()) std::printf("%s\n\n", c["description"].get<std::string>().c_str());
    std::printf("Base: %s.", c["base"].get<std::string>().c_str());
    if (c["fields"].empty()) {
        std::printf(" No fields of its own.\n\n");
        return;
    }
    std::printf("\n\n| field | type | default | note |\n| --- | --- | --- | --- |\n");
    for (const json& f : c["fields"])
        std::printf("| `%s` | %s | %s | %s |\n", f["name"].get<std::string>().c_str(), typeText(f).c_str(),
                    defaultText(f).c_str(), f.contains("readBack") ? "counter, read back" : "");
    std::printf("\n");
}

int listCommand(const Plugin& plugin, ListForm form)
{
    json all = json::array();
    for (zkMetaObject* meta : plugin.passes) all.push_back(classJson(plugin, meta));
    if (form == ListForm::Json) {
        std::cout << all.dump(2) << "\n";
        return EXIT_OK;
    }
    for (const json& c : all) form == ListForm::Markdown ? printMarkdown(c) : printText(c);
    return EXIT_OK;
}

} // namespace zkopt
