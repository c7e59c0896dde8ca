#include "host/opt/zkOpt.h"

#include "host/anim/zkAnimation.h"

#include "host/core/zkHostClass.h"
#include "host/core/zkObjectWalk.h"

#include <cctype>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <unistd.h>
#include <unordered_set>

namespace Tam::Opt {

ZK_DEFINE_HOST_CLASS(zkInterfaced)
ZK_DEFINE_HOST_CLASS(zkOptBase)
ZK_DEFINE_HOST_CLASS(zkOptTraverseGraph)
ZK_DEFINE_HOST_CLASS(zkOptVisitObject)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkExternalDirEntry)

void zkInterfaced::printf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    if (m_interface) m_interface->vprintf(format, args);
    else std::vprintf(format, args);
    va_end(args);
}

void zkInterfaced::fflush(void* stream) { std::fflush(stream ? static_cast<FILE*>(stream) : stdout); }

bool zkOptBase::applyInfo(zkInfo* info)
{
    zkSceneInfo* scene = zkSceneInfo::dynamicCast(info);
    if (!scene || !scene->root) return true;
    zkSmartPointer<zkNode> root = scene->root;
    bool ok = apply(root);
    if (root.get() != scene->root.get()) scene->setRoot(root.get());
    return ok;
}

bool zkOptBase::apply(zkSmartPointer<zkNode>&) { return true; }
bool zkOptBase::canOptimize(zkNode*) { return true; }
bool zkOptBase::canOptimize(zkInfo* info) { return zkSceneInfo::dynamicCast(info) != nullptr; }
bool zkOptBase::applyToInfos() { return false; }
bool zkOptBase::configure(int) { return true; }
bool zkOptBase::autoConfigure(int section) { return configure(section); }
zkRegistry* zkOptBase::getRegistry() const { return getOptInterface() ? getOptInterface()->getRegistry() : nullptr; }

void zkOptTraverseGraph::userConstruct() { m_nodeType = zkNode::getClassTypeSafe(); }

namespace {
// Depth-first, parents before children, each node once even where the graph shares it. A node
// that dispatch replaces is put in its parent's slot and its new subtree is walked.
class Traversal {
public:
    Traversal(zkOptTraverseGraph& pass, zkMetaObject* type, const std::string& name, bool exact)
        : m_pass(pass), m_type(type), m_name(name), m_exact(exact)
    {
    }

    bool walk(zkSmartPointer<zkNode>& node)
    {
        if (!node || !m_seen.insert(node.get()).second) return true;
        if (matches(node.get()) && m_pass.canOptimize(node.get())) {
            GRAPH_TRAVERSAL r = m_pass.dispatch(node);
            if (zkOptInterface* run = m_pass.getOptInterface()) run->objectDone();
            if (r == GRAPH_TRAVERSAL_STOP) return false;
            if (r == GRAPH_TRAVERSAL_PRUNE) return true;
            if (!node) return true;
            m_seen.insert(node.get());
        }
        if (zkGroup* group = zkGroup::dynamicCast(node.get())) {
            zkSmartPointer<zkGroup> keep(group);
            for (int i = 0; i < group->getChildCount(); ++i) {
                zkSmartPointer<zkNode> child(group->getChild(i));
                zkNode* before = child.get();
                if (!walk(child)) return false;
                if (child.get() != before && i < group->getChildCount() && group->getChild(i) == before)
                    group->setChild(i, child.get());
            }
        }
        return true;
    }

private:
    bool matches(zkNode* node) const
    {
        if (m_exact ? !node->isOfExactType(m_type) : !node->isOfType(m_type)) return false;
        return m_name.empty() || m_name == node->getName();
    }
    zkOptTraverseGraph& m_pass;
    zkMetaObject* m_type;
    const std::string& m_name;
    bool m_exact;
    std::unordered_set<zkNode*> m_seen;
};
} // namespace

bool zkOptTraverseGraph::apply(zkSmartPointer<zkNode>& root)
{
    if (!preTraverse()) return false;
    Traversal(*this, m_nodeType ? m_nodeType : zkNode::getClassTypeSafe(), m_nameFilter, m_exactType)
        .walk(root);
    return postTraverse();
}

GRAPH_TRAVERSAL zkOptTraverseGraph::dispatch(zkSmartPointer<zkNode>&) { return GRAPH_TRAVERSAL_CONTINUE; }
bool zkOptTraverseGraph::preTraverse() { return true; }
bool zkOptTraverseGraph::postTraverse() { return true; }

bool defaultApplyAnimationDatabase(zkInfo* info, zkOptBase* pass)
{
    zkAnimationDatabase* database = zkAnimationDatabase::dynamicCast(info);
    if (!database || !pass) return false;
    zkSmartPointer<zkObjectList> skins(database->getSkinList());
    bool ok = true;
    for (int i = 0; skins && i < skins->getCount(); ++i) {
        zkSmartPointer<zkSkin> skin(database->getSkin(i));
        if (!skin || !skin->getSkinnedGraph()) continue;
        zkSmartPointer<zkNode> root(skin->getSkinnedGraph());
        if (!pass->apply(root)) ok = false;
        if (root.get() != skin->getSkinnedGraph()) skin->setSkinnedGraph(root.get());
    }
    return ok;
}

void zkOptVisitObject::userConstruct() {}

void zkOptVisitObject::visitFrom(zkObject* start)
{
    preVisit();
    zkMetaObject* type = getVisitedObjectMeta();
    zkOptInterface* run = getOptInterface();
    if (type)
        zkVisitReachable(start, type, [this, run](zkObject* o) {
            visitor(o);
            if (run) run->objectDone();
        });
    postVisit();
}

bool zkOptVisitObject::applyInfo(zkInfo* info)
{
    visitFrom(info);
    return true;
}

bool zkOptVisitObject::apply(zkSmartPointer<zkNode>& root)
{
    visitFrom(root.get());
    return true;
}

bool zkOptVisitObject::canOptimize(zkInfo* info) { return info != nullptr; }
bool zkOptVisitObject::applyToInfos() { return false; }
void zkOptVisitObject::visitor(zkObject*) {}
zkMetaObject* zkOptVisitObject::getVisitedObjectMeta() { return nullptr; }
void zkOptVisitObject::postVisit() {}
void zkOptVisitObject::preVisit() {}

zkOptInterface::zkOptInterface()
    : m_external(zkSmartPointer<zkObjectList>::adopt(zkObjectList::_instantiateFromPool(nullptr)))
{
}

zkOptInterface::~zkOptInterface() = default;

void zkOptInterface::vprintf(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return;
    std::string text(n, '\0');
    std::vsnprintf(text.data(), n + 1, format, args);
    if (m_sink) m_sink(text);
    else {
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
    }
}

void zkOptInterface::printf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
}

zkOptBase* zkOptInterface::createOptBase(const char* className)
{
    zkMetaObject* meta = className ? zkFindClass(className) : nullptr;
    if (!meta || !meta->isOfType(zkOptBase::getClassTypeSafe()) || !meta->isInstantiable()) return nullptr;
    zkOptBase* pass = static_cast<zkOptBase*>(meta->createInstance(nullptr));
    pass->setOptInterface(this);
    return pass;
}

std::string zkOptInterface::resolvePath(const char* path) const
{
    std::filesystem::path p(path ? path : "");
    if (p.is_absolute() || m_baseDirectory.empty()) return p.string();
    return (std::filesystem::path(m_baseDirectory) / p).string();
}

bool zkOptInterface::isFolderWritable(const char* folder)
{
    // No folder means where the output goes (or the working folder).
    std::filesystem::path path(resolvePath(folder));
    if (path.empty()) path = std::filesystem::path(".");
    std::error_code ec;
    return std::filesystem::is_directory(path, ec) && ::access(path.c_str(), W_OK) == 0;
}

void zkOptInterface::mapDrive(char letter, const std::string& folder)
{
    int i = std::toupper(static_cast<unsigned char>(letter)) - 'A';
    if (i >= 0 && i < 26) m_drives[i] = folder;
}

std::string zkOptInterface::resolveDrivePath(const std::string& path) const
{
    if (path.size() < 2 || path[1] != ':') return path;
    int i = std::toupper(static_cast<unsigned char>(path[0])) - 'A';
    if (i < 0 || i >= 26 || m_drives[i].empty()) return "";
    std::string rest = path.substr(2);
    for (char& c : rest)
        if (c == '\\') c = '/';
    while (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
    std::string folder = m_drives[i];
    if (folder.back() != '/') folder += '/';
    return folder + rest;
}

zkExternalDirEntry* zkOptInterface::getExternalEntry(zkObject* object) const
{
    for (int i = 0; i < m_external->getCount(); ++i) {
        auto* e = static_cast<zkExternalDirEntry*>(m_external->get(i));
        if (e->object.get() == object) return e;
    }
    return nullptr;
}

void zkOptInterface::setFile(zkFileInfo* f)
{
    m_file = f;
    m_external->clear();
    zkObjectList* infos = getInfoList();
    for (int i = 0; infos && i < infos->getCount(); ++i)
        if (auto* entry = zkExternalDirEntry::dynamicCast(infos->get(i))) m_external->append(entry);
}

void zkOptInterface::addExternalReference(zkExternalDirEntry* entry)
{
    if (!entry) return;
    m_external->appendUnique(entry);
    if (zkObjectList* infos = getInfoList()) infos->appendUnique(entry);
}

bool zkOptInterface::applyPass(zkOptBase* pass)
{
    zkObjectList* infos = getInfoList();
    if (!infos) return true;
    // The pass may append infos (a collision record); it runs over those that were there before.
    std::vector<zkSmartPointer<zkObject>> snapshot;
    for (int i = 0; i < infos->getCount(); ++i) snapshot.emplace_back(infos->get(i));
    for (auto& object : snapshot) {
        zkInfo* info = zkInfo::dynamicCast(object.get());
        if (!info || !pass->canOptimize(info)) continue;
        if (!pass->applyInfo(info)) return false;
    }
    return true;
}

bool zkOptInterface::guardPassCall(const char* className, const std::function<bool()>& call)
{
    m_internalError.clear();
    std::string what;
    try {
        return call();
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
        what = "an exception that is not a std::exception";
    }
    m_internalError = std::string(className ? className : "?") + ": internal error: " + what;
    return false;
}

} // namespace Tam::Opt
