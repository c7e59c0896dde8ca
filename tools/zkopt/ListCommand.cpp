#include "tools/zkopt/Commands.h"
#include "tools/zkopt/FieldText.h"

#include <cstdio>
#include <iostream>

namespace zkopt {

using namespace Tam::Core;

static json classJson(zkMetaObject* meta)
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
            if (zkMetaEnum* e = static_cast<zkEnumMetaField*>(f)->getMetaEnum()) entry["enum"] = e->getName();
        fields.push_back(std::move(entry));
    }
    return json{{"class", meta->getName()}, {"base", meta->getBase() ? meta->getBase()->getName() : nullptr},
                {"fields", std::move(fields)}};
}

int listCommand(const Plugin& plugin, bool asJson)
{
    if (asJson) {
        json all = json::array();
        for (zkMetaObject* meta : plugin.passes) all.push_back(classJson(meta));
        std::cout << all.dump(2) << "\n";
        return 0;
    }
    for (zkMetaObject* meta : plugin.passes) {
        json c = classJson(meta);
        std::printf("%s : %s\n", meta->getName(), meta->getBase()->getName());
        for (const json& f : c["fields"]) {
            std::string type = f["type"].get<std::string>();
            if (f.contains("class") && !f["class"].is_null()) type += " " + f["class"].get<std::string>();
            std::printf("    %-28s %-28s %s\n", f["name"].get<std::string>().c_str(), type.c_str(),
                        f["default"].dump().c_str());
        }
    }
    return 0;
}

} // namespace zkopt
