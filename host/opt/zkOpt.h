// The optimization framework: the three kinds of pass and the interface through which a run
// gives passes their output sink, settings and file.
#pragma once
#include "host/core/zkRegistry.h"
#include "host/sg/zkNode.h"

#include <cstdarg>
#include <functional>
#include <string>

namespace Tam::Opt {

using namespace Tam::Core;
using namespace Tam::Sg;

class zkOptInterface;

// GRAPH_TRAVERSAL: what dispatch answers. 1 goes on over the whole graph.
enum GRAPH_TRAVERSAL : int { GRAPH_TRAVERSAL_STOP = 0, GRAPH_TRAVERSAL_CONTINUE = 1, GRAPH_TRAVERSAL_PRUNE = 2 };

class zkInterfaced : public zkObject {
    ZK_CLASS(zkInterfaced, zkObject)
public:
    virtual void printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    virtual void fflush(void* stream);
    virtual void setVerbose() { m_verbose = true; }
    virtual void setSilent() { m_verbose = false; }
    bool isVerbose() const { return m_verbose; }

    zkOptInterface* getOptInterface() const { return m_interface; }
    void setOptInterface(zkOptInterface* i) { m_interface = i; }

private:
    zkOptInterface* m_interface = nullptr;
    bool m_verbose = true;
};

class zkOptBase : public zkInterfaced {
    ZK_CLASS(zkOptBase, zkInterfaced)
public:
    // Runs the pass over one info: a scene info's graph goes to apply. Other infos are left alone.
    virtual bool applyInfo(zkInfo* info);
    virtual bool apply(zkSmartPointer<zkNode>& root);
    virtual bool canOptimize(zkNode* node);
    // Scene infos by default; passes over other infos say so.
    virtual bool canOptimize(zkInfo* info);
    // Whether the pass wants every info of the file rather than one at a time.
    virtual bool applyToInfos();
    virtual bool configure(int section);
    virtual bool autoConfigure(int section);

    zkRegistry* getRegistry() const;
};

class zkOptTraverseGraph : public zkOptBase {
    ZK_CLASS(zkOptTraverseGraph, zkOptBase)
public:
    void userConstruct() override;
    // preTraverse, then dispatch for every node of the chosen class (each node once, depth first,
    // parents before children), then postTraverse.
    bool apply(zkSmartPointer<zkNode>& root) override;
    virtual GRAPH_TRAVERSAL dispatch(zkSmartPointer<zkNode>& node);
    virtual bool preTraverse();
    virtual bool postTraverse();

    // The traversal settings that preTraverse makes: the node class to dispatch, a name that
    // dispatched nodes must have (empty: any), and whether subclasses of the node class count too
    // (false) or only the class itself (true).
    void setNodeType(zkMetaObject* meta) { m_nodeType = meta; }
    zkMetaObject* getNodeType() const { return m_nodeType; }
    void setNameFilter(const char* name) { m_nameFilter = name ? name : ""; }
    void setExactType(bool exact) { m_exactType = exact; }

private:
    zkMetaObject* m_nodeType = nullptr;
    std::string m_nameFilter;
    bool m_exactType = false;
};

class zkOptVisitObject : public zkOptBase {
    ZK_CLASS(zkOptVisitObject, zkOptBase)
public:
    void userConstruct() override;
    void userDestruct() override {}
    // Visits what the info reaches (its graph, and anything else it holds).
    bool applyInfo(zkInfo* info) override;
    bool apply(zkSmartPointer<zkNode>& root) override;
    bool canOptimize(zkInfo* info) override;
    bool applyToInfos() override;
    virtual void visitor(zkObject* object);
    virtual zkMetaObject* getVisitedObjectMeta();
    virtual void postVisit();
    virtual void preVisit();

private:
    void visitFrom(zkObject* start);
};

// The treatment of an animation database by a pass over scene graphs: the pass's apply runs on
// the skinned graph of each skin in it, and a replaced graph root is stored back. False when the
// info is no animation database or an apply answers false.
bool defaultApplyAnimationDatabase(zkInfo* info, zkOptBase* pass);

// An external file that the output refers to (for example an image written beside it).
class zkExternalDirEntry : public zkObject {
    ZK_CLASS(zkExternalDirEntry, zkObject)
public:
#define zkExternalDirEntry_FIELDS(F)                \
    F(zkStringRef, directoryName, k_directoryName) \
    F(zkStringRef, entryName, k_entryName)         \
    F(zkSharedRef<zkObject>, object, k_object)
    ZK_FIELDS(zkExternalDirEntry_FIELDS)
    void setDirectoryName(const char* d) { directoryName.set(d); }
    void setEntryName(const char* e) { entryName.set(e); }
    virtual void setObject(zkObject* o) { object = o; }
};

// What a run gives its passes.
class zkOptInterface {
public:
    using Sink = std::function<void(const std::string&)>;
    zkOptInterface();
    virtual ~zkOptInterface();

    // Pass output: each printed text goes to the sink (standard output unless set).
    void vprintf(const char* format, va_list args);
    void printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void setSink(Sink sink) { m_sink = std::move(sink); }

    // A pass (or host image pass) by class name, tied to this interface; null when the class is
    // unknown or not a pass. The caller owns the reference.
    zkOptBase* createOptBase(const char* className);

    zkRegistry* getRegistry() const { return m_registry; }
    void setRegistry(zkRegistry* r) { m_registry = r; }
    zkFileInfo* getFile() const { return m_file.get(); }
    // The file's info list records the run's external references beside its infos (passes skip
    // what is not an info), so a written scene keeps them and a scene read back brings them along.
    void setFile(zkFileInfo* f);
    zkObjectList* getInfoList() const { return m_file ? m_file->getInfoList() : nullptr; }

    virtual bool isFolderWritable(const char* folder);
    // The directory that relative folders of passes are taken from (the output's folder).
    void setBaseDirectory(const std::string& d) { m_baseDirectory = d; }
    const std::string& getBaseDirectory() const { return m_baseDirectory; }
    std::string resolvePath(const char* path) const;

    // Drive-relative paths ("X:logs\\maps\\") name folders through a mapping the pipeline gives;
    // an unmapped drive resolves to "" (no such place here).
    void mapDrive(char letter, const std::string& folder);
    std::string resolveDrivePath(const std::string& path) const;

    zkExternalDirEntry* getExternalEntry(zkObject* object) const;
    void addExternalReference(zkExternalDirEntry* entry);
    const zkObjectList& getExternalEntries() const { return *m_external; }

    // Runs one pass over the file: each info its canOptimize accepts, in file order. Answers
    // false when the pass's applyInfo does.
    bool applyPass(zkOptBase* pass);

    // The one guard the host puts around each of its calls into a pass (creating it, setting its
    // fields, configure, applyPass and all that runs inside them), so that no exception leaves a
    // pass whatever its class: one that does makes the call answer false and leaves
    // "CLASS: internal error: WHAT" in getInternalError() (empty after a call that threw nothing).
    bool guardPassCall(const char* className, const std::function<bool()>& call);
    const std::string& getInternalError() const { return m_internalError; }

    // How far a long pass is: the host's walks call objectDone once per object they hand to a
    // pass (each node dispatched, each object visited), and the watcher gets the count so far.
    using ProgressWatcher = std::function<void(long objects)>;
    void setProgressWatcher(ProgressWatcher watcher)
    {
        m_progress = std::move(watcher);
        m_objectsDone = 0;
    }
    void objectDone()
    {
        if (m_progress) m_progress(++m_objectsDone);
    }

private:
    Sink m_sink;
    zkRegistry* m_registry = nullptr;
    zkSmartPointer<zkFileInfo> m_file;
    zkSmartPointer<zkObjectList> m_external;
    std::string m_baseDirectory;
    std::string m_drives[26];
    std::string m_internalError;
    ProgressWatcher m_progress;
    long m_objectsDone = 0;
};

} // namespace Tam::Opt
