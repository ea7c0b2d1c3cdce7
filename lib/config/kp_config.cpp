#include "kp_config.h"

#include <string.h>

#include <memory>
#include <new>

#include "file_commit.h"
#include "kp_capture_name.h"
#include "xml_tree.h"

namespace {

const char kFileName[] = "config.xml";
const char kRootName[] = "Kapto";

}  // namespace

// How a value element is written and read back.
struct CKpConfig::FileItem {
    enum Kind {
        kText,   // the string as it is
        kInt,    // "%d", atoi
        kDelay,  // "%d" of the bits, atoi taken back as unsigned
        kWord,   // widened without sign, low 16 bits of atoi
    };
    const char* pszGroup;  // null: directly below the root
    const char* pszName;
    Kind kind;
    CString CKpConfig::*pStr;
    int CKpConfig::*pInt;
    unsigned int CKpConfig::*pUint;
    unsigned short CKpConfig::*pWord;
    // Written only when it differs from its default: a setting added later
    // leaves the file of someone who never changed it byte for byte as it
    // was.
    bool bOnlyWhenChanged;
};

// The value elements of config.xml in file order: SaveConfig writes them in
// this order and LoadConfig looks them up in it.
const CKpConfig::FileItem* CKpConfig::GetFileItems(int& nCount) {
#define KP_TEXT(g, n, f) \
    { g, n, FileItem::kText, &CKpConfig::f, nullptr, nullptr, nullptr, false }
#define KP_INT(g, n, f) \
    { g, n, FileItem::kInt, nullptr, &CKpConfig::f, nullptr, nullptr, false }
#define KP_DELAY(g, n, f) \
    { g, n, FileItem::kDelay, nullptr, nullptr, &CKpConfig::f, nullptr, false }
#define KP_WORD(g, n, f) \
    { g, n, FileItem::kWord, nullptr, nullptr, nullptr, &CKpConfig::f, false }
#define KP_FLAG_IF_ON(g, n, f) \
    { g, n, FileItem::kInt, nullptr, &CKpConfig::f, nullptr, nullptr, true }
#define KP_WORD_IF_SET(g, n, f) \
    { g, n, FileItem::kWord, nullptr, nullptr, nullptr, &CKpConfig::f, true }
#define KP_TEXT_IF_CHANGED(g, n, f) \
    { g, n, FileItem::kText, &CKpConfig::f, nullptr, nullptr, nullptr, true }
#define KP_INT_IF_CHANGED(g, n, f) \
    { g, n, FileItem::kInt, nullptr, &CKpConfig::f, nullptr, nullptr, true }
    static const FileItem s_items[] = {
        KP_TEXT(nullptr, "Author", m_strAuthor),
        KP_TEXT(nullptr, "Version", m_strVersion),
        KP_TEXT(nullptr, "URL", m_strURL),
        KP_TEXT(nullptr, "Mail", m_strMail),
        KP_TEXT(nullptr, "AppName", m_strAppName),
        KP_INT("Basic", "PlaySnapSound", m_bPlaySnapSound),
        KP_INT("Basic", "HideMainWnd", m_bHideMainWnd),
        KP_INT("Basic", "SnapOnStart", m_bSnapOnStart),
        KP_DELAY("Basic", "SnapDelayTime", m_nSnapDelayTime),
        KP_INT("Basic", "KeepOnTop", m_bKeepOnTop),
        KP_FLAG_IF_ON("Basic", "CapturePointer", m_bCapturePointer),
        KP_FLAG_IF_ON("Basic", "FullScreenScope", m_nFullScreenScope),
        KP_INT_IF_CHANGED("Basic", "AutoSave", m_bAutoSave),
        KP_TEXT_IF_CHANGED("Basic", "AutoSaveFolder", m_strAutoSaveFolder),
        KP_TEXT_IF_CHANGED("Basic", "AutoSaveName", m_strAutoSaveName),
        KP_TEXT_IF_CHANGED("Basic", "AutoSaveFormat", m_strAutoSaveFormat),
        KP_INT_IF_CHANGED("Basic", "AutoSaveCounter", m_nAutoSaveCounter),
        KP_INT("Image", "GrayScale", m_bGrayScale),
        KP_INT("Image", "Negate", m_bNegate),
        KP_INT("Image", "Scale", m_bScale),
        KP_INT("Image", "Rotate", m_bRotate),
        KP_INT("Image", "FlipHorz", m_bFlipHorz),
        KP_INT("Image", "FlipVert", m_bFlipVert),
        KP_INT("Image", "ShearDown", m_bShearDown),
        KP_INT("Image", "ShearAcross", m_bShearAcross),
        KP_INT("Image", "Blur", m_bBlur),
        KP_INT("Image", "Sharpen", m_bSharpen),
        KP_INT("Image", "AutoCopy", m_bAutoCopy),
        KP_TEXT("Image", "EditAppPath", m_strEditAppPath),
        KP_INT("Image", "RotateAngle", m_nRotateAngle),
        KP_INT("Image", "XShearAmount", m_nShearAcrossAmount),
        KP_INT("Image", "YShearAmount", m_nShearDownAmount),
        KP_INT("Image", "BlurFactor", m_nBlurFactor),
        KP_INT("Image", "SharpenFactor", m_nSharpenFactor),
        KP_WORD("HotKey", "NewSnapModifier", m_wNewSnapModifier),
        KP_WORD("HotKey", "NewSnapVk", m_wNewSnapVk),
        KP_WORD("HotKey", "FullScreenModifier", m_wFullScreenModifier),
        KP_WORD("HotKey", "FullScreenVk", m_wFullScreenVk),
        KP_WORD("HotKey", "ActiveWinModifier", m_wActiveWinModifier),
        KP_WORD("HotKey", "ActiveWinVk", m_wActiveWinVk),
        KP_WORD("HotKey", "CurrentWinModifier", m_wCurrentWinModifier),
        KP_WORD("HotKey", "CurrentWinVk", m_wCurrentWinVk),
        KP_WORD("HotKey", "WinClientModifier", m_wWinClientModifier),
        KP_WORD("HotKey", "WinClientVk", m_wWinClientVk),
        KP_WORD("HotKey", "WinObjModifier", m_wWinObjModifier),
        KP_WORD("HotKey", "WinObjVk", m_wWinObjVk),
        KP_WORD("HotKey", "SelectRectModifier", m_wSelectRectModifier),
        KP_WORD("HotKey", "SelectRectVk", m_wSelectRectVk),
        KP_WORD("HotKey", "ShowHideModifier", m_wShowHideModifier),
        KP_WORD("HotKey", "ShowHideVk", m_wShowHideVk),
        KP_WORD_IF_SET("HotKey", "ScrollSnapModifier", m_wScrollSnapModifier),
        KP_WORD_IF_SET("HotKey", "ScrollSnapVk", m_wScrollSnapVk),
        KP_INT("AppData", "SnapMode", m_nSnapMode),
    };
#undef KP_TEXT
#undef KP_INT
#undef KP_DELAY
#undef KP_WORD
#undef KP_FLAG_IF_ON
#undef KP_WORD_IF_SET
#undef KP_TEXT_IF_CHANGED
#undef KP_INT_IF_CHANGED
    nCount = (int)(sizeof(s_items) / sizeof(s_items[0]));
    return s_items;
}

CKpConfig::CKpConfig()
    : m_strAuthor("Orvel"),
      m_strVersion("Ver 1.1.3"),
      m_strURL("http://lumaro.example.com/"),
      m_strMail("orvel@lumaro.example.com"),
      m_strAppName("Lumaro"),
      m_bPlaySnapSound(1),
      m_bHideMainWnd(1),
      m_bSnapOnStart(1),
      m_nSnapDelayTime(500),
      m_bKeepOnTop(1),
      m_bCapturePointer(0),
      m_nFullScreenScope(0),
      m_strEditAppPath("mspaint.exe"),
      m_bAutoCopy(0),
      m_bAutoSave(0),
      m_strAutoSaveName(KP_DEFAULT_NAME_PATTERN),
      m_strAutoSaveFormat("png"),
      m_nAutoSaveCounter(1),
      m_bImageOption(1),
      m_bReplaceColor(0),
      m_bSmoothing(1),
      m_wNewSnapModifier(0),
      m_wNewSnapVk(0x2C),        // VK_SNAPSHOT
      m_wFullScreenModifier(2),  // HOTKEYF_CONTROL
      m_wFullScreenVk(0x2C),
      m_wActiveWinModifier(0),
      m_wActiveWinVk(0x72),  // VK_F3
      m_wCurrentWinModifier(0),
      m_wCurrentWinVk(0x73),  // VK_F4
      m_wWinClientModifier(0),
      m_wWinClientVk(0x74),  // VK_F5
      m_wWinObjModifier(0),
      m_wWinObjVk(0x75),  // VK_F6
      m_wSelectRectModifier(0),
      m_wSelectRectVk(0x76),  // VK_F7
      m_wShowHideModifier(0),
      m_wShowHideVk(0x77),  // VK_F8
      m_wScrollSnapModifier(0),
      m_wScrollSnapVk(0),  // none
      m_nSnapMode(0),
      m_nLoadResult(ConfigMissing) {
    // One place for the image options' starting values: a new
    // configuration and an opened image share them.
    ResetImageOption();
}

CKpConfig::~CKpConfig() {}

CString CKpConfig::GetConfigPath() { return CHelper::GetAppPath() + kFileName; }

void CKpConfig::LoadConfig() { LoadConfigFrom(GetConfigPath()); }

BOOL CKpConfig::SaveConfig() { return SaveConfigTo(GetConfigPath()); }

BOOL CKpConfig::LoadConfigFrom(const CString& strPath) {
    m_strWithheldPath.Empty();
    // Only "no such file" means there are no settings. A file held by
    // another program (a backup, a virus scanner, an editor) is tried again
    // for a moment; if it stays unreadable, the user's settings are in it
    // and no save of this run may replace them.
    std::unique_ptr<XML_Tree> tree;
    XML_File::ReadResult read = XML_File::ReadNoFile;
    for (int nTry = 0; nTry < kReadTries; ++nTry) {
        if (nTry > 0) KpPause(kReadRetryMs);
        tree.reset(new (std::nothrow) XML_Tree);
        if (tree == nullptr) return FALSE;
        read = XML_File::ReadXMLFileChecked(tree.get(), strPath);
        if (read != XML_File::ReadFailed) break;
    }
    if (read == XML_File::ReadFailed) m_strWithheldPath = strPath;
    XML_Node* pRoot = read == XML_File::ReadDone ? tree->GetRoot() : nullptr;
    m_nLoadResult = read == XML_File::ReadDone     ? ConfigRead
                    : read == XML_File::ReadNoFile ? ConfigMissing
                                                   : ConfigUnreadable;
    // A save whose replace was cut short may have left the only complete
    // copy under its temporary name: the newest whole one stands in.
    if (read != XML_File::ReadDone) {
        for (const CString& strTemp : KpFindTempFiles(strPath)) {
            if (KpIsTempOfOtherLiveProcess(strTemp)) continue;
            tree.reset(new (std::nothrow) XML_Tree);
            if (tree == nullptr) return FALSE;
            if (XML_File::ReadXMLFileChecked(tree.get(), strTemp) != XML_File::ReadDone || !tree->IsComplete())
                continue;
            pRoot = tree->GetRoot();
            m_nLoadResult = read == XML_File::ReadNoFile ? ConfigLeftover : ConfigUnreadableLeftover;
            break;
        }
    }
    // The root's name is not compared: any top element will do.
    if (pRoot == nullptr) return FALSE;

    int nCount = 0;
    const FileItem* items = GetFileItems(nCount);
    const char* pszGroup = nullptr;
    XML_Node* pGroup = pRoot;
    for (int i = 0; i < nCount; ++i) {
        const FileItem& item = items[i];
        if (item.pszGroup != nullptr && (pszGroup == nullptr || strcmp(item.pszGroup, pszGroup) != 0)) {
            pszGroup = item.pszGroup;
            pGroup = pRoot->GetSubItem(pszGroup);
        }
        if (pGroup == nullptr) continue;  // a missing group skips its elements
        XML_Node* pNode = pGroup->GetSubItem(item.pszName);
        if (pNode == nullptr) continue;
        switch (item.kind) {
            case FileItem::kText:
                this->*item.pStr = pNode->GetValue();
                break;
            case FileItem::kInt:
                this->*item.pInt = pNode->GetValueAsInt();
                break;
            case FileItem::kDelay:
                this->*item.pUint = (unsigned int)pNode->GetValueAsInt();
                break;
            case FileItem::kWord:
                this->*item.pWord = (unsigned short)((unsigned int)pNode->GetValueAsInt() & 0xFFFFu);
                break;
        }
    }
    return TRUE;
}

bool CKpConfig::IsDefault(const FileItem& item, const CKpConfig& defaults) const {
    switch (item.kind) {
        case FileItem::kText:
            return this->*item.pStr == defaults.*item.pStr;
        case FileItem::kInt:
            return this->*item.pInt == defaults.*item.pInt;
        case FileItem::kDelay:
            return this->*item.pUint == defaults.*item.pUint;
        case FileItem::kWord:
            return this->*item.pWord == defaults.*item.pWord;
    }
    return false;
}

BOOL CKpConfig::SaveConfigTo(const CString& strPath) {
    // The settings in a file the load could not read are the user's: this
    // run never writes its defaults over them.
    if (!m_strWithheldPath.IsEmpty() && m_strWithheldPath == strPath) return FALSE;
    XML_Tree tree;
    tree.AddElement(kRootName);
    int nCount = 0;
    const FileItem* items = GetFileItems(nCount);
    const char* pszGroup = nullptr;
    const CKpConfig defaults;
    for (int i = 0; i < nCount; ++i) {
        const FileItem& item = items[i];
        if (item.bOnlyWhenChanged && IsDefault(item, defaults)) continue;
        bool sameGroup = item.pszGroup == pszGroup ||
                         (item.pszGroup != nullptr && pszGroup != nullptr && strcmp(item.pszGroup, pszGroup) == 0);
        if (!sameGroup) {
            if (pszGroup != nullptr) tree.EndElement();
            pszGroup = item.pszGroup;
            if (pszGroup != nullptr) tree.AddElement(pszGroup);
        }
        tree.AddElement(item.pszName);
        switch (item.kind) {
            case FileItem::kText:
                tree.AddValue(this->*item.pStr);
                break;
            case FileItem::kInt:
                tree.AddValue(this->*item.pInt);
                break;
            case FileItem::kDelay:
                // Written as a signed number: 4294967295 goes out as -1.
                tree.AddValue((int)(this->*item.pUint));
                break;
            case FileItem::kWord:
                tree.AddValue((int)(this->*item.pWord));
                break;
        }
        tree.EndElement();
    }
    if (pszGroup != nullptr) tree.EndElement();
    tree.EndElement();

    // Never truncate the only copy of the settings: the new file is written
    // completely beside the old one and then takes its place in one step.
    CString strTemp = KpTempNameFor(strPath);
    if (!XML_File::WriteXMLFileChecked(&tree, strTemp)) {
        KpDiscardFile(strTemp);
        return FALSE;
    }
    if (!KpCommitFile(strTemp, strPath)) return FALSE;
    // The file is whole again: what unfinished saves left beside it is
    // older than it, and would only stand in for it some day by mistake.
    for (const CString& strOld : KpFindTempFiles(strPath)) {
        if (!KpIsTempOfOtherLiveProcess(strOld)) KpDiscardFile(strOld);
    }
    return TRUE;
}

void CKpConfig::ClearImageOptionFlags() {
    m_bGrayScale = 0;
    m_bNegate = 0;
    m_bScale = 0;
    m_bRotate = 0;
    m_bFlipHorz = 0;
    m_bFlipVert = 0;
    m_bShearDown = 0;
    m_bShearAcross = 0;
    m_bBlur = 0;
    m_bSharpen = 0;
}

void CKpConfig::ResetImageOption() {
    ClearImageOptionFlags();
    m_nBlurFactor = 5;
    m_nSharpenFactor = 5;
    m_nScaleFactor = 50;
    m_nRotateAngle = 45;
    m_nShearDownAmount = 50;
    m_nShearAcrossAmount = 50;
}

#define KP_HOTKEY_ACCESSORS(Name, fMod, fVk)                                            \
    void CKpConfig::Get##Name##Hotkey(unsigned short& wModifier, unsigned short& wVk) { \
        wModifier = fMod;                                                               \
        wVk = fVk;                                                                      \
    }                                                                                   \
    void CKpConfig::Set##Name##Hotkey(unsigned short wModifier, unsigned short wVk) {   \
        fMod = wModifier;                                                               \
        fVk = wVk;                                                                      \
    }

KP_HOTKEY_ACCESSORS(NewSnap, m_wNewSnapModifier, m_wNewSnapVk)
KP_HOTKEY_ACCESSORS(FullScreen, m_wFullScreenModifier, m_wFullScreenVk)
KP_HOTKEY_ACCESSORS(ActiveWin, m_wActiveWinModifier, m_wActiveWinVk)
KP_HOTKEY_ACCESSORS(CurrentWin, m_wCurrentWinModifier, m_wCurrentWinVk)
KP_HOTKEY_ACCESSORS(WinClient, m_wWinClientModifier, m_wWinClientVk)
KP_HOTKEY_ACCESSORS(WinObj, m_wWinObjModifier, m_wWinObjVk)
KP_HOTKEY_ACCESSORS(SelectRect, m_wSelectRectModifier, m_wSelectRectVk)
KP_HOTKEY_ACCESSORS(ShowHide, m_wShowHideModifier, m_wShowHideVk)
KP_HOTKEY_ACCESSORS(ScrollSnap, m_wScrollSnapModifier, m_wScrollSnapVk)

#undef KP_HOTKEY_ACCESSORS
