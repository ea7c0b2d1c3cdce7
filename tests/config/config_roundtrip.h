// What must hold for any bytes given as config.xml, checked by the fuzzer and
// by the replay of its corpus:
//  - the reader gives a tree that, written and read back, is the same tree,
//    and written once more is the same file;
//  - the store loads the file, and what it loaded survives a save and a load
//    unchanged, with the same bytes from both saves.
// Memory errors and undefined behaviour on the way are the sanitizers' part.
#pragma once

#include <string>
#include <vector>

#include "support/temp_files.h"
#include "kp_config.h"
#include "xml_tree.h"

namespace kptest {

// Reaches the store's file-level load and save.
class FileConfig : public CKpConfig {
public:
    using CKpConfig::LoadConfigFrom;
    using CKpConfig::SaveConfigTo;
};

// Empty when the trees have the same shape, names and values.
inline std::string CompareTrees(XML_Tree& a, XML_Tree& b) {
    XML_Node* ra = a.GetRoot();
    XML_Node* rb = b.GetRoot();
    if ((ra == nullptr) != (rb == nullptr)) return "one tree has no root";
    if (ra == nullptr) return std::string();
    // Explicit stack: a fuzzed tree can be deeper than recursion allows.
    std::vector<std::pair<XML_Node*, XML_Node*>> stack;
    stack.push_back({ra, rb});
    bool first = true;  // the top pair has not been descended into yet
    while (!stack.empty()) {
        XML_Node* na = stack.back().first;
        XML_Node* nb = stack.back().second;
        if (first) {
            if (na->GetName() != nb->GetName()) return std::string("name ") + (const char*)na->GetName();
            if (na->GetValue() != nb->GetValue()) return std::string("value of ") + (const char*)na->GetName();
        }
        XML_Node* ca = first ? na->GetFirstSubItem() : na->GetNextSubItem();
        XML_Node* cb = first ? nb->GetFirstSubItem() : nb->GetNextSubItem();
        if ((ca == nullptr) != (cb == nullptr)) return std::string("children of ") + (const char*)na->GetName();
        if (ca != nullptr) {
            stack.push_back({ca, cb});
            first = true;
        } else {
            stack.pop_back();
            first = false;
        }
    }
    return std::string();
}

inline std::string CompareConfigs(CKpConfig& a, CKpConfig& b) {
#define KP_SAME(get) \
    if (a.get() != b.get()) return #get;
    KP_SAME(GetAppName)
    KP_SAME(GetPlaySnapSound)
    KP_SAME(GetHideMainWnd) KP_SAME(GetSnapOnStart) KP_SAME(GetSnapDelayTime) KP_SAME(GetKeepOnTop)
        KP_SAME(GetEditAppPath) KP_SAME(GetGrayScale) KP_SAME(GetNegate) KP_SAME(GetScale) KP_SAME(GetScaleFactor)
            KP_SAME(GetRotate) KP_SAME(GetRotateAngle) KP_SAME(GetFlipHorz) KP_SAME(GetFlipVert) KP_SAME(GetShearDown)
                KP_SAME(GetShearDownAmout) KP_SAME(GetShearAcross) KP_SAME(GetShearAcrossAmout) KP_SAME(GetBlur)
                    KP_SAME(GetBlurFactor) KP_SAME(GetSharpen) KP_SAME(GetSharpenFactor) KP_SAME(GetAutoCopy)
                        KP_SAME(GetSnapMode) KP_SAME(GetCapturePointer) KP_SAME(GetFullScreenScope) KP_SAME(GetAutoSave)
                            KP_SAME(GetAutoSaveFolder) KP_SAME(GetAutoSaveName) KP_SAME(GetAutoSaveFormat)
                                KP_SAME(GetAutoSaveCounter)
#undef KP_SAME
#define KP_SAME_KEY(get)                       \
    {                                          \
        unsigned short m1, v1, m2, v2;         \
        a.get(m1, v1);                         \
        b.get(m2, v2);                         \
        if (m1 != m2 || v1 != v2) return #get; \
    }
                            KP_SAME_KEY(GetNewSnapHotkey) KP_SAME_KEY(GetFullScreenHotkey)
                                KP_SAME_KEY(GetActiveWinHotkey) KP_SAME_KEY(GetCurrentWinHotkey)
                                    KP_SAME_KEY(GetWinClientHotkey) KP_SAME_KEY(GetWinObjHotkey)
                                        KP_SAME_KEY(GetSelectRectHotkey) KP_SAME_KEY(GetShowHideHotkey)
                                            KP_SAME_KEY(GetScrollSnapHotkey)
#undef KP_SAME_KEY
                                            return std::string();
}

// dir: a scratch directory of the caller's. Empty result: all held.
inline std::string CheckConfigBytes(const std::string& bytes, const std::string& dir) {
    const std::string in = Join(dir, "in.xml");
    const std::string out1 = Join(dir, "out1.xml");
    const std::string out2 = Join(dir, "out2.xml");
    if (!WriteBytes(in, bytes)) return "cannot write the input file";

    XML_Tree t1;
    if (!XML_File::ReadXMLFile(&t1, in.c_str())) return "ReadXMLFile returned false";
    if (!XML_File::WriteXMLFileChecked(&t1, out1.c_str())) return "cannot write the tree";
    XML_Tree t2;
    XML_File::ReadXMLFile(&t2, out1.c_str());
    std::string diff = CompareTrees(t1, t2);
    if (!diff.empty()) return "tree changed by a write and a read: " + diff;
    if (!XML_File::WriteXMLFileChecked(&t2, out2.c_str())) return "cannot write the tree again";
    if (ReadBytes(out1) != ReadBytes(out2)) return "tree written twice gave different bytes";

    FileConfig c1;
    c1.LoadConfigFrom(in.c_str());
    if (!c1.SaveConfigTo(out1.c_str())) return "cannot save the configuration";
    FileConfig c2;
    if (!c2.LoadConfigFrom(out1.c_str())) return "saved configuration has no root";
    diff = CompareConfigs(c1, c2);
    if (!diff.empty()) return "setting changed by a save and a load: " + diff;
    if (!c2.SaveConfigTo(out2.c_str())) return "cannot save the configuration again";
    if (ReadBytes(out1) != ReadBytes(out2)) return "configuration saved twice gave different bytes";
    return std::string();
}

}  // namespace kptest
