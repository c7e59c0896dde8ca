// Runs a pass over a scene in process, the way zkopt's run does: created by class name on a host
// run interface, its fields set, configured with a registry section, then applied to every info
// of the file it accepts. One harness for the unit tests of every pass.
#pragma once
#include "host/zkhost.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace Tam::Test {

using namespace Tam::Core;
using namespace Tam::Sg;
using namespace Tam::Opt;

struct PassHarness {
    zkSmartPointer<zkFileInfo> file;
    zkSmartPointer<zkGroup> root; // the first scene info's root, when it is a group
    zkOptInterface host;
    zkRegistry registry;
    std::string printed; // what the passes printed since the last apply began

    // A file named "scene.zks" holding one scene info over an empty group "root".
    PassHarness();
    // A file read from disk or built elsewhere.
    explicit PassHarness(zkSmartPointer<zkFileInfo> scene);
    PassHarness(const PassHarness&) = delete;
    PassHarness& operator=(const PassHarness&) = delete;

    // A registry section for configure, with its keys; answers its index.
    int section(const std::string& name, std::initializer_list<std::pair<std::string, std::string>> keys = {});

    // Created by class name as the host does; null when the class is unknown. Not configured.
    zkSmartPointer<zkOptBase> create(const char* className);
    template <class P>
    zkSmartPointer<P> create()
    {
        zkSmartPointer<zkOptBase> made = create(P::getClassTypeSafe()->getName());
        return zkSmartPointer<P>(P::dynamicCast(made.get()));
    }
    // Created and configured with a section (a new empty one when none is given); a test failure
    // when configure answers false.
    template <class P>
    zkSmartPointer<P> pass(int sectionIndex = -1)
    {
        zkSmartPointer<P> p = create<P>();
        configureExpectingSuccess(p.get(), sectionIndex);
        return p;
    }

    bool configure(zkOptBase* pass, int sectionIndex = -1);
    // applyPass over the file; printed holds only this run's lines.
    bool apply(zkOptBase* pass);
    // apply, expecting success; answers what the run printed.
    std::string run(zkOptBase* pass);

private:
    void configureExpectingSuccess(zkOptBase* pass, int sectionIndex);
};

// An object of class T with a name.
template <class T>
zkSmartPointer<T> named(const char* name)
{
    auto made = zkCreate<T>();
    made->setName(name);
    return made;
}
// A named node, appended to parent when one is given.
template <class T = zkGroup>
zkSmartPointer<T> node(const char* name, zkGroup* parent = nullptr)
{
    auto made = named<T>(name);
    if (parent) parent->appendChild(made.get());
    return made;
}
// The names of a group's children, in order.
std::vector<std::string> childNames(const zkGroup* group);

// How messages name a geometry attribute: "Geometry 0x%08x \"%s\", attr%d".
std::string geometryName(const zkNode* node, int attr);

} // namespace Tam::Test
